#include "app/BarraMqtt.h"

#include "app/PulsanteSalva.h"
#include "core/Gestore.h"
#include "core/Messaggi.h"
#include "link/TrasportoMqtt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

BarraMqtt::BarraMqtt(TrasportoMqtt &collegamento, Messaggi &messaggi, QWidget *parent)
    : QFrame(parent), m_collegamento(collegamento), m_messaggi(messaggi)
{
    setObjectName(QStringLiteral("pnMqtt"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFixedHeight(33);
    hide();
}

void BarraMqtt::setVisible(bool visibile)
{
    if (visibile) {
        costruisci();
    }
    QFrame::setVisible(visibile);
}

void BarraMqtt::costruisci()
{
    if (m_eHost) {
        return;
    }
    auto *riga = new QHBoxLayout(this);
    riga->setContentsMargins(8, 2, 8, 2);
    const struct
    {
        const char *etichetta;
        const char *nome;
        int larghezza;
        QLineEdit **campo;
    } campi[] = {
        {"Broker:", "eMqttHost", 120, &m_eHost},
        {"Porta:", "eMqttPorta", 50, &m_ePorta},
        {"Id:", "eMqttId", 70, &m_eId},
        {"Prefisso:", "eMqttPrefisso", 70, &m_ePrefisso},
        {"Utente:", "eMqttUtente", 70, &m_eUtente},
        {"File password:", "eMqttFilePassword", 110, &m_eFilePassword},
        {"CA:", "eMqttCA", 110, &m_eCa},
    };
    for (const auto &c : campi) {
        riga->addWidget(new QLabel(QString::fromUtf8(c.etichetta), this));
        *c.campo = new QLineEdit(this);
        (*c.campo)->setObjectName(QString::fromLatin1(c.nome));
        (*c.campo)->setFixedWidth(c.larghezza);
        riga->addWidget(*c.campo);
        riga->addSpacing(6);
    }
    auto *salva = creaPulsanteSalva(this, QStringLiteral("sbSalvaMqtt"));
    connect(salva, &QToolButton::clicked, this,
            protetto(m_messaggi, [this] { sbSalvaMqttClick(); }));
    riga->addWidget(salva);
    riga->addStretch(1);
    mostra();
    for (const auto &c : campi) {
        connect(*c.campo, &QLineEdit::textChanged, this, &BarraMqtt::prendi);
    }
}

void BarraMqtt::mostra()
{
    if (!m_eHost) {
        return;
    }
    const TrasportoMqtt::Impostazioni imp = m_collegamento.impostazioni();
    m_eHost->setText(imp.host);
    m_ePorta->setText(imp.porta);
    m_eId->setText(imp.id);
    m_ePrefisso->setText(imp.prefisso);
    m_eUtente->setText(imp.utente);
    m_eFilePassword->setText(imp.filePassword);
    m_eCa->setText(imp.ca);
}

void BarraMqtt::prendi()
{
    TrasportoMqtt::Impostazioni imp;
    imp.host = m_eHost->text().trimmed();
    imp.porta = m_ePorta->text().trimmed();
    imp.id = m_eId->text().trimmed();
    imp.prefisso = m_ePrefisso->text().trimmed();
    imp.utente = m_eUtente->text();
    imp.filePassword = m_eFilePassword->text().trimmed();
    imp.ca = m_eCa->text().trimmed();
    m_collegamento.setImpostazioni(imp);
}

void BarraMqtt::carica()
{
    m_collegamento.setImpostazioni(m_collegamento.impostazioniSalvate());
    mostra();
}

void BarraMqtt::sbSalvaMqttClick()
{
    const QString errore = TrasportoMqtt::errore(m_collegamento.impostazioni());
    if (!errore.isEmpty()) {
        m_messaggi.messaggio(QStringLiteral("Attenzione. Dati non Corretti: nulla è stato "
                                            "salvato.\n") +
                             errore);
        return;
    }
    m_collegamento.salva();
}
