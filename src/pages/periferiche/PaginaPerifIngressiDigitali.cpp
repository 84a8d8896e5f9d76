#include "pages/periferiche/PaginaPerifIngressiDigitali.h"

#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Framer.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/FramerPagine.h"
#include "protocol/Protocollo.h"
#include "protocol/Ricezione.h"

#include <QPushButton>

PaginaPerifIngressiDigitali::PaginaPerifIngressiDigitali(ContestoPagine &contesto, QWidget *parent)
    : PaginaPeriferica(contesto, QStringLiteral("TabSheet7"), QStringLiteral("lbtsIDP"),
                       QStringLiteral("Periferiche Ingressi Digitali"), QStringLiteral("rgIDP"),
                       parent)
{
    m_pannelli = creaPannelliUnita(QStringLiteral("sbIDP"), QStringLiteral("In %1"));
    for (PannelloPunto *pannello : m_pannelli) {
        pannello->setSolaLettura(true);
    }

    auto *richiesta = aggiungiPulsante(QStringLiteral("sbIDPRich"), QStringLiteral("Richiesta"));
    setPulsanteRichiesta(richiesta);
    aggiungiSpaziatura();
    m_ritorno = aggiungiPulsante(QStringLiteral("sbID"), QStringLiteral("Ingressi Digitali"));
    connect(richiesta, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbIDPRichClick(); }));

    connect(contesto.framer.adpIDP(), &Framer::stringPacket, this,
            &PaginaPerifIngressiDigitali::adpIDPStringPacket);
    contesto.ricezione.registraParserTcp(
        ValoriProgramma::PerifIngressiDigitali,
        [this](QString &risposta) { analizzaRispostaTcp(risposta); });
}

void PaginaPerifIngressiDigitali::sbPIDClick()
{
    m_contesto.caricaConfIni();
    selezionaPrimaUnitaSenzaRichiesta();
    m_contesto.mostraPagina(ValoriProgramma::PerifIngressiDigitali);
    m_contesto.modoContinuo.fermaSeAcceso();
    if (haCollegamento()) {
        m_contesto.framer.adpID()->setEnabled(false);
        m_contesto.framer.adpIDP()->setEnabled(true);
        m_contesto.invio.invia(Protocollo::statoIngressiUnita(0), richiestaUnita(0));
    }
}

void PaginaPerifIngressiDigitali::rgIDPClick()
{
    const int unita = unitaSelezionata();
    if (unita >= 0) {
        m_contesto.invio.invia(Protocollo::statoIngressiUnita(unita), richiestaUnita(unita));
    }
}

void PaginaPerifIngressiDigitali::sbIDPRichClick()
{
    if (haCollegamento()) {
        rgIDPClick();
    }
}

void PaginaPerifIngressiDigitali::azzeraPunti()
{
    azzeraStati(m_pannelli);
}

void PaginaPerifIngressiDigitali::adpIDPStringPacket(const QString &pacchetto)
{
    if (rispostaDellaUnitaScelta()) {
        mostraStati(m_pannelli, pacchetto);
    }
}

void PaginaPerifIngressiDigitali::analizzaRispostaTcp(const QString &risposta)
{
    const qsizetype inizio = inizioFrame(risposta, Protocollo::InizioIngressiUnita);
    if (inizio >= 0 && rispostaDellaUnitaScelta()) {
        mostraStati(m_pannelli, risposta.mid(inizio));
    }
}
