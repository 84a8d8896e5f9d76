#include "app/BarraSeriale.h"

#include "app/CampoDispositivo.h"
#include "app/PulsanteSalva.h"
#include "core/Gestore.h"
#include "link/TrasportoSeriale.h"
#include "pages/widgets/GruppoRadio.h"

#include <QHBoxLayout>
#include <QLabel>

BarraSeriale::BarraSeriale(TrasportoSeriale &collegamento, Messaggi &messaggi, QWidget *parent)
    : QFrame(parent), m_collegamento(collegamento), m_messaggi(messaggi)
{
    setObjectName(QStringLiteral("pnSeriale"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFixedHeight(36);
    hide();
}

void BarraSeriale::setVisible(bool visibile)
{
    if (visibile) {
        costruisci();
    }
    QFrame::setVisible(visibile);
}

void BarraSeriale::costruisci()
{
    if (m_rgComm) {
        return;
    }
    auto *riga = new QHBoxLayout(this);
    riga->setContentsMargins(8, 0, 8, 0);
    m_rgComm = new GruppoRadio(QStringLiteral("rgComm"), QStringLiteral("  Comm   "),
                               {QStringLiteral("Comm 1"), QStringLiteral("Comm 2"),
                                QStringLiteral("Comm 3"), QStringLiteral("Comm 4")},
                               4, this);
    m_rgComm->setItemIndex(0);
    // The bar is 36 pixels high: a caption above the buttons would cut them in half, so the
    // caption sits at their left, on the same line.
    const int larghezzaTitolo = m_rgComm->fontMetrics().horizontalAdvance(m_rgComm->title()) + 8;
    m_rgComm->setStyleSheet(QStringLiteral("QGroupBox#rgComm { border: none; margin: 0px; "
                                           "padding: 0px 0px 0px %1px; }"
                                           "QGroupBox#rgComm::title { subcontrol-origin: border; "
                                           "subcontrol-position: left center; }")
                                .arg(larghezzaTitolo));
    m_rgComm->layout()->setContentsMargins(0, 0, 6, 0);
    riga->addWidget(m_rgComm);
    m_rgVelocita = new GruppoRadio(QStringLiteral("rgVelocita"), QStringLiteral("  Velocità   "),
                                   {QStringLiteral("4800"), QStringLiteral("9600"),
                                    QStringLiteral("19200"), QStringLiteral("38400")},
                                   4, this);
    m_rgVelocita->setItemIndex(3);
    m_rgVelocita->hide();
    riga->addWidget(m_rgVelocita);
    riga->addSpacing(12);
    riga->addWidget(new QLabel(QStringLiteral("Dispositivo:"), this));
    m_cbDispositivo = new CampoDispositivo(this);
    riga->addWidget(m_cbDispositivo, 1);
    auto *salva = creaPulsanteSalva(this, QStringLiteral("sbSalvaPorte"));
    connect(salva, &QToolButton::clicked, this,
            protetto(m_messaggi, [this] { sbSalvaPorteClick(); }));
    riga->addWidget(salva);
    riga->addStretch(1);
}

void BarraSeriale::carica()
{
    costruisci();
    const SceltaSeriale scelta = m_collegamento.sceltaSalvata();
    m_rgComm->setItemIndex(scelta.indiceNumero);
    m_rgVelocita->setItemIndex(scelta.indiceVelocita);
    m_cbDispositivo->aggiorna();
    m_cbDispositivo->setPercorso(scelta.dispositivo);
}

void BarraSeriale::sbSalvaPorteClick()
{
    // The board always runs at 38400: whatever the file held, that is what is saved.
    m_rgVelocita->setItemIndex(3);
    m_collegamento.salva(m_rgComm->itemIndex() + 1, m_rgVelocita->itemIndex() + 1,
                                m_cbDispositivo->percorso());
}
