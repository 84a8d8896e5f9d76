#include "app/BarraTcp.h"

#include "app/PulsanteSalva.h"
#include "core/Gestore.h"
#include "link/TrasportoTcp.h"
#include "settings/Ini.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

BarraTcp::BarraTcp(TrasportoTcp &collegamento, Messaggi &messaggi, QWidget *parent)
    : QFrame(parent), m_collegamento(collegamento)
{
    setObjectName(QStringLiteral("pnTcp"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFixedHeight(33);
    auto *riga = new QHBoxLayout(this);
    riga->setContentsMargins(8, 2, 8, 2);
    riga->addWidget(new QLabel(QStringLiteral("IP:"), this));
    m_eIp = new QLineEdit(this);
    m_eIp->setObjectName(QStringLiteral("eIp"));
    m_eIp->setFixedWidth(140);
    riga->addWidget(m_eIp);
    riga->addSpacing(12);
    riga->addWidget(new QLabel(QStringLiteral("Porta:"), this));
    m_ePorta = new QLineEdit(this);
    m_ePorta->setObjectName(QStringLiteral("ePorta"));
    m_ePorta->setFixedWidth(70);
    riga->addWidget(m_ePorta);
    auto *salva = creaPulsanteSalva(this, QStringLiteral("SpeedButton4"));
    connect(salva, &QToolButton::clicked, this,
            protetto(messaggi, [this] { SpeedButton4Click(); }));
    riga->addWidget(salva);
    riga->addStretch(1);
    hide();

    for (QLineEdit *campo : {m_eIp, m_ePorta}) {
        connect(campo, &QLineEdit::textChanged, this, [this] {
            m_collegamento.setIndirizzo(m_eIp->text(), m_ePorta->text());
        });
    }
    connect(&collegamento, &TrasportoTcp::indirizzoCambiato, this,
            &BarraTcp::impostaIndirizzo);
}

void BarraTcp::impostaIndirizzo(const QString &ip, const QString &porta)
{
    m_eIp->setText(ip);
    m_ePorta->setText(porta);
}

void BarraTcp::carica()
{
    const auto pulito = [](const QString &testo) {
        return testo.toUpper() == kErrore ? QString() : testo;
    };
    impostaIndirizzo(pulito(m_collegamento.ipSalvato()), pulito(m_collegamento.portaSalvata()));
}

void BarraTcp::SpeedButton4Click()
{
    m_collegamento.salva();
}
