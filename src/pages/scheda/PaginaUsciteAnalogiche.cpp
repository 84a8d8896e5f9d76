#include "pages/scheda/PaginaUsciteAnalogiche.h"
#include "pages/widgets/IconeStandard.h"

#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/widgets/CampoCorto.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/GestisciTastoValore.h"
#include "pages/widgets/ScalaPagina.h"
#include "protocol/Conversioni.h"
#include "protocol/Protocollo.h"
#include "settings/Utilita.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

PaginaUsciteAnalogiche::PaginaUsciteAnalogiche(ContestoPagine &contesto, QWidget *parent)
    : PaginaBase(QStringLiteral("TabSheet4"), parent), m_contesto(contesto)
{
    aggiungiTitolo(QStringLiteral("lbtsUA"), QStringLiteral("Uscite Analogiche"));
    // Output 1 on the left, output 2 on the right, each kept together a little above the
    // middle of the page; the room around them grows with the page.
    auto *colonna = new QVBoxLayout(contenuto());
    colonna->setContentsMargins(20, 24, 20, 24);
    scala().spazi(colonna);
    auto *riga = new QHBoxLayout();
    colonna->addStretch(1);
    colonna->addLayout(riga);
    colonna->addStretch(2);
    riga->addStretch(1);

    for (int n = 1; n <= 2; ++n) {
        Uscita &uscita = m_uscite[n - 1];
        auto *griglia = new QGridLayout();
        griglia->setHorizontalSpacing(8);
        griglia->setVerticalSpacing(8);
        scala().spazi(griglia);
        riga->addLayout(griglia);
        riga->addStretch(1);

        uscita.casella = new CampoCorto(QStringLiteral("000"), contenuto());
        uscita.casella->setObjectName(QStringLiteral("eVal%1").arg(n));
        griglia->addWidget(uscita.casella, 0, 0, Qt::AlignLeft);

        uscita.display = new DisplayLed(QStringLiteral("LDUA0%1").arg(n), contenuto());
        // A percentage has at most three digits: no blank fourth one to shrink the others.
        uscita.display->setDigitCount(3);
        scala().minimo(uscita.display, QSize(190, 110));
        griglia->addWidget(uscita.display, 1, 0);
        auto *percento = new QLabel(QStringLiteral("%"), contenuto());
        QFont grassetto = percento->font();
        grassetto.setBold(true);
        percento->setFont(grassetto);
        scala().carattere(percento, 28);
        griglia->addWidget(percento, 1, 1);

        uscita.spinner = new QSpinBox(contenuto());
        uscita.spinner->setObjectName(QStringLiteral("UD0%1").arg(n));
        uscita.spinner->setRange(0, 100);
        uscita.spinner->setValue(0);
        uscita.spinner->setWrapping(false);
        uscita.spinner->installEventFilter(this);
        // As tall as the send button beside it.
        scala().minimo(uscita.spinner, QSize(0, 32));
        griglia->addWidget(uscita.spinner, 1, 2);

        auto *invio = new QToolButton(contenuto());
        invio->setObjectName(QStringLiteral("sbUAInvio%1").arg(n));
        invio->setIcon(iconaStandard(QStyle::SP_ArrowRight));
        invio->setToolTip(QStringLiteral("Invio"));
        scala().fisso(invio, QSize(32, 32));
        scala().icona(invio, QSize(16, 16));
        uscita.invio = invio;
        griglia->addWidget(invio, 1, 3);

        uscita.titolo = new EtichettaAccorciata(contenuto());
        uscita.titolo->setObjectName(QStringLiteral("lbUA0%1").arg(n));
        QFont titolo = uscita.titolo->font();
        titolo.setBold(true);
        uscita.titolo->setFont(titolo);
        griglia->addWidget(uscita.titolo, 2, 0, 1, 4);

        connect(invio, &QToolButton::clicked, this,
                protetto(contesto.messaggi, [this, n] { sbUAInvioClick(n); }));
        collegaTastoValore(uscita.casella, invio, uscita.spinner, uscita.display);
    }

    auto *richiesta = aggiungiPulsante(QStringLiteral("sbUARich"), QStringLiteral("Richiesta"));
    setPulsanteRichiesta(richiesta);
    auto *reset = aggiungiPulsante(QStringLiteral("sbUARes"), QStringLiteral("Reset"));
    // The board's reset of both outputs is kept off the operator's hands.
    reset->hide();
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPUA"), QStringLiteral("Periferiche"));
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton2"), QStringLiteral("Pagina Iniziale"));
    connect(richiesta, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUARichClick(); }));
    connect(reset, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUAResClick(); }));
}

bool PaginaUsciteAnalogiche::eventFilter(QObject *oggetto, QEvent *evento)
{
    if (evento->type() == QEvent::MouseButtonRelease) {
        for (int n = 1; n <= 2; ++n) {
            if (oggetto == m_uscite[n - 1].spinner) {
                eseguiGestore(m_contesto.messaggi, [this, n] { UDMouseUp(n); });
            }
        }
    }
    return PaginaBase::eventFilter(oggetto, evento);
}

void PaginaUsciteAnalogiche::richiediLivelli()
{
    EsitoInvio esito;
    esito.risposta = [this](const Risposta &risposta) { mostraLivelli(risposta); };
    m_contesto.invio.invia(Protocollo::statoUsciteAnalogiche(), esito);
}

void PaginaUsciteAnalogiche::lbUAClick()
{
    m_contesto.apriPaginaScheda(ValoriProgramma::UsciteAnalogiche);
    m_contesto.modoContinuo.fermaSeAcceso();
    richiediLivelli();
}

void PaginaUsciteAnalogiche::sbUARichClick()
{
    m_contesto.modoContinuo.fermaSeAcceso();
    richiediLivelli();
}

void PaginaUsciteAnalogiche::sbUAResClick()
{
    m_contesto.modoContinuo.fermaSeAcceso();
    m_contesto.invio.invia(Protocollo::resetUsciteAnalogiche());
    richiediLivelli();
}

void PaginaUsciteAnalogiche::UDMouseUp(int n)
{
    const Uscita &uscita = m_uscite.at(n - 1);
    const QString campo = Protocollo::campoTreCifre(uscita.spinner->value());
    uscita.display->mostra(campo);
    uscita.casella->setText(campo);
}

void PaginaUsciteAnalogiche::sbUAInvioClick(int n)
{
    const Uscita &uscita = m_uscite.at(n - 1);
    const int percentuale = uscita.spinner->value();
    uscita.display->mostra(Protocollo::campoTreCifre(percentuale));
    m_contesto.invio.invia(
        Protocollo::impostaUscitaAnalogica(n, Conversioni::percentualeALivello(percentuale)),
        uscita.display->attesaComando());
}

void PaginaUsciteAnalogiche::mostraLivello(int n, int livello)
{
    const int percentuale = Conversioni::livelloAPercentuale(livello);
    const Uscita &uscita = m_uscite.at(n - 1);
    uscita.display->mostra(QString::number(percentuale));
    uscita.spinner->setValue(percentuale);
}

void PaginaUsciteAnalogiche::mostraLivelli(const Risposta &risposta)
{
    // Only frames of no named kind count: a relay or inputs frame is no analog output.
    if (risposta.trovata() && !risposta.completa()) {
        segnaNonAttuale();
    }
    for (qsizetype i = 0; i < risposta.valori.size() && i < 2; ++i) {
        mostraLivello(int(i) + 1, risposta.valori.at(i));
    }
}
