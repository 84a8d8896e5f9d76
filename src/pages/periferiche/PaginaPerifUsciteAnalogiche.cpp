#include "pages/periferiche/PaginaPerifUsciteAnalogiche.h"
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
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

PaginaPerifUsciteAnalogiche::PaginaPerifUsciteAnalogiche(ContestoPagine &contesto, QWidget *parent)
    : PaginaPeriferica(contesto, QStringLiteral("TabSheet8"), QStringLiteral("lbtsUAP"),
                       QStringLiteral("Periferiche Uscite Analogiche"), QStringLiteral("rgUAP"),
                       parent)
{
    for (int n = 1; n <= 8; ++n) {
        // Each channel keeps its own size, in the middle of its place.
        posizionaPunto(creaCanale(n), n, Qt::AlignCenter);
    }

    // Low down between the columns, "Richiesta" over "Reset", together.
    auto *comandi = new QWidget(contenuto());
    auto *colonna = new QVBoxLayout(comandi);
    colonna->setContentsMargins(0, 0, 0, 0);
    scala().spazi(colonna);
    auto *richiesta = new QPushButton(QStringLiteral("Richiesta"), comandi);
    richiesta->setObjectName(QStringLiteral("sbUAPRich"));
    setPulsanteRichiesta(richiesta);
    auto *reset = new QPushButton(QStringLiteral("Reset"), comandi);
    reset->setObjectName(QStringLiteral("sbUAPRes"));
    colonna->addWidget(richiesta);
    colonna->addWidget(reset);
    posizionaAlCentro(comandi, 3, Qt::AlignBottom);
    connect(richiesta, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUAPRichClick(); }));
    connect(reset, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUAPResClick(); }));

    auto *resetTotale = aggiungiPulsante(QStringLiteral("sbUAPResTotale"),
                                         QStringLiteral("Reset di tutte le periferiche"));
    aggiungiSpaziatura();
    m_ritorno = aggiungiPulsante(QStringLiteral("sbUA"), QStringLiteral("Uscite Analogiche"));
    connect(resetTotale, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUAPResTotaleClick(); }));
}

// Two rows: the value box with the channel's label, then the display with "%", the spinner
// and the send button.
QWidget *PaginaPerifUsciteAnalogiche::creaCanale(int n)
{
    const QString cifre = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    Canale &canale = m_canali[n - 1];
    auto *gruppo = new QWidget(contenuto());
    auto *righe = new QGridLayout(gruppo);
    righe->setContentsMargins(0, 0, 0, 0);
    righe->setHorizontalSpacing(4);
    righe->setVerticalSpacing(2);
    scala().spazi(righe);

    canale.casella = new CampoCorto(QStringLiteral("000"), gruppo);
    canale.casella->setObjectName(QStringLiteral("eUAPVal%1").arg(n));
    righe->addWidget(canale.casella, 0, 0);
    auto *etichetta = new QLabel(QStringLiteral(" (OUT%1)").arg(n), gruppo);
    righe->addWidget(etichetta, 0, 1, 1, 3);

    auto *pannello = new QFrame(gruppo);
    pannello->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *riga = new QHBoxLayout(pannello);
    riga->setContentsMargins(2, 2, 4, 2);
    riga->setSpacing(4);
    scala().spazi(riga);
    canale.display = new DisplayLed(QStringLiteral("LDUAP") + cifre, pannello);
    canale.display->setDigitCount(3);
    scala().minimo(canale.display, QSize(110, 48));
    riga->addWidget(canale.display);
    auto *percento = new QLabel(QStringLiteral("%"), pannello);
    QFont grassetto = percento->font();
    grassetto.setBold(true);
    percento->setFont(grassetto);
    scala().carattere(percento, 16);
    riga->addWidget(percento);
    righe->addWidget(pannello, 1, 0, 1, 2);

    canale.spinner = new QSpinBox(gruppo);
    canale.spinner->setObjectName(QStringLiteral("UDP") + cifre);
    canale.spinner->setRange(0, 100);
    canale.spinner->setSingleStep(1);
    canale.spinner->setWrapping(false);
    canale.spinner->setValue(0);
    canale.spinner->installEventFilter(this);
    // As tall as the send button beside it.
    scala().minimo(canale.spinner, QSize(0, 32));
    righe->addWidget(canale.spinner, 1, 2);

    canale.invio = new QToolButton(gruppo);
    canale.invio->setObjectName(QStringLiteral("sbUAPInvio%1").arg(n));
    canale.invio->setIcon(iconaStandard(QStyle::SP_ArrowRight));
    canale.invio->setToolTip(QStringLiteral("Invio"));
    scala().fisso(canale.invio, QSize(32, 32));
    scala().icona(canale.invio, QSize(16, 16));
    righe->addWidget(canale.invio, 1, 3);
    connect(canale.invio, &QToolButton::clicked, this,
            protetto(m_contesto.messaggi, [this, n] { sbUAPInvioNClick(n); }));

    collegaTastoValore(canale.casella, canale.invio, canale.spinner, canale.display);
    return gruppo;
}

bool PaginaPerifUsciteAnalogiche::eventFilter(QObject *oggetto, QEvent *evento)
{
    if (evento->type() == QEvent::MouseButtonRelease) {
        for (int n = 1; n <= 8; ++n) {
            if (oggetto == m_canali[n - 1].spinner) {
                eseguiGestore(m_contesto.messaggi, [this, n] { UDPNMouseUp(n); });
            }
        }
    }
    return PaginaPeriferica::eventFilter(oggetto, evento);
}

void PaginaPerifUsciteAnalogiche::richiediValori(int unita)
{
    m_contesto.invio.invia(Protocollo::statoAnalogicheUnita(unita),
                           conRisposta([this](const Risposta &r) { mostraValori(r); }));
}

void PaginaPerifUsciteAnalogiche::sbPUAClick()
{
    m_contesto.modoContinuo.fermaSeAcceso();
    m_contesto.caricaConfIni();
    selezionaPrimaUnitaSenzaRichiesta();
    m_contesto.mostraPagina(ValoriProgramma::PerifUsciteAnalogiche);
    if (haCollegamento()) {
        richiediValori(0);
    }
}

void PaginaPerifUsciteAnalogiche::rgUAPClick()
{
    const int unita = unitaSelezionata();
    if (unita >= 0) {
        richiediValori(unita);
    }
}

void PaginaPerifUsciteAnalogiche::sbUAPRichClick()
{
    const int unita = unitaSelezionata();
    if (unita >= 0) {
        richiediValori(unita);
    }
    // Asked twice: the channels shown come from the second answer.
    rgUAPClick();
}

void PaginaPerifUsciteAnalogiche::sbUAPResClick()
{
    const int unita = unitaSelezionata();
    if (unita >= 0) {
        m_contesto.invio.invia(Protocollo::resetAnalogicheUnita(unita));
    }
    rgUAPClick();
}

void PaginaPerifUsciteAnalogiche::sbUAPResTotaleClick()
{
    m_contesto.invio.invia(Protocollo::resetAnalogicheTutteUnita());
    rgUAPClick();
}

void PaginaPerifUsciteAnalogiche::sbUAPInvioNClick(int n)
{
    const Canale &canale = m_canali[n - 1];
    const int percentuale = canale.spinner->value();
    canale.display->mostra(Protocollo::campoTreCifre(percentuale));
    const int unita = unitaSelezionata();
    if (unita >= 0) {
        m_contesto.invio.invia(
            Protocollo::impostaAnalogicaUnita(
                unita, n, Conversioni::percentualeALivelloPeriferica(percentuale)),
            canale.display->attesaComando());
    }
    rgUAPClick();
}

void PaginaPerifUsciteAnalogiche::UDPNMouseUp(int n)
{
    const Canale &canale = m_canali[n - 1];
    const QString valore = Protocollo::campoTreCifre(canale.spinner->value());
    canale.display->mostra(valore);
    canale.casella->setText(valore);
}

void PaginaPerifUsciteAnalogiche::azzeraPunti()
{
    for (const Canale &canale : m_canali) {
        canale.display->svuota();
    }
}

void PaginaPerifUsciteAnalogiche::mostraCanale(int n, int livello)
{
    const int percentuale = Conversioni::livelloPerifericaAPercentuale(livello);
    const Canale &canale = m_canali[n - 1];
    canale.display->mostra(QString::number(percentuale));
    canale.spinner->setValue(percentuale);
}

void PaginaPerifUsciteAnalogiche::mostraValori(const Risposta &risposta)
{
    if (!rispostaDellaUnitaScelta(risposta)) {
        return;
    }
    if (risposta.trovata() && !risposta.completa()) {
        segnaNonAttuale();
    }
    for (qsizetype i = 0; i < risposta.valori.size() && i < 8; ++i) {
        mostraCanale(int(i) + 1, risposta.valori.at(i));
    }
}
