#include "pages/periferiche/PaginaPerifIngressiDigitali.h"

#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/Protocollo.h"

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
}

void PaginaPerifIngressiDigitali::sbPIDClick()
{
    m_contesto.caricaConfIni();
    selezionaPrimaUnitaSenzaRichiesta();
    m_contesto.mostraPagina(ValoriProgramma::PerifIngressiDigitali);
    m_contesto.modoContinuo.fermaSeAcceso();
    if (haCollegamento()) {
        richiediStati(0);
    }
}

void PaginaPerifIngressiDigitali::rgIDPClick()
{
    const int unita = unitaSelezionata();
    if (unita >= 0) {
        richiediStati(unita);
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

void PaginaPerifIngressiDigitali::richiediStati(int unita)
{
    m_contesto.invio.invia(Protocollo::statoIngressiUnita(unita),
                           conRisposta([this](const Risposta &r) { mostraStati(m_pannelli, r); }));
}
