#include "pages/periferiche/PaginaPerifUsciteDigitali.h"
#include "pages/widgets/IconeStandard.h"

#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/widgets/PannelloPunto.h"
#include "pages/widgets/ScalaPagina.h"
#include "protocol/Protocollo.h"
#include "settings/Utilita.h"

#include <QPushButton>
#include <QStyle>

namespace {

// The board needs this long to reset every unit before it can report one.
constexpr int kPausaResetTotale = 500;

} // namespace

PaginaPerifUsciteDigitali::PaginaPerifUsciteDigitali(ContestoPagine &contesto, QWidget *parent)
    : PaginaPeriferica(contesto, QStringLiteral("TabSheet6"), QStringLiteral("lbtsUDP"),
                       QStringLiteral("Periferiche Uscite Digitali"), QStringLiteral("rgUDP"),
                       parent)
{
    m_pannelli = creaPannelliUnita(QStringLiteral("sbUDP"), QStringLiteral("Out %1"));
    for (int n = 1; n <= 8; ++n) {
        connect(m_pannelli[n - 1], &QPushButton::clicked, this,
                protetto(contesto.messaggi, [this, n] { sbUDPNClick(n); }));
    }
    auto *reset = new QPushButton(iconaStandard(QStyle::SP_BrowserReload),
                                  QStringLiteral("Reset"), contenuto());
    reset->setObjectName(QStringLiteral("sbUDPRes"));
    scala().icona(reset, QSize(16, 16));
    posizionaAlCentro(reset, 3, Qt::AlignCenter);
    connect(reset, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUDPResClick(); }));

    auto *richiesta = aggiungiPulsante(QStringLiteral("sbUDPRich"), QStringLiteral("Richiesta"));
    setPulsanteRichiesta(richiesta);
    auto *resetTotale = aggiungiPulsante(QStringLiteral("sbUDPResetTotale"),
                                         QStringLiteral("Reset di tutte le periferiche"));
    aggiungiSpaziatura();
    m_ritorno = aggiungiPulsante(QStringLiteral("sbUD"), QStringLiteral("Uscite Digitali"));
    connect(richiesta, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUDPRichClick(); }));
    connect(resetTotale, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUDPResetTotaleClick(); }));
}

void PaginaPerifUsciteDigitali::richiediStati(int unita, const EsitoInvio &esito)
{
    m_contesto.invio.invia(
        Protocollo::statoUsciteUnita(unita),
        conRisposta([this](const Risposta &r) { mostraStati(m_pannelli, r); }, esito));
}

void PaginaPerifUsciteDigitali::sbPUDClick()
{
    m_contesto.modoContinuo.fermaSeAcceso();
    m_contesto.caricaConfIni();
    selezionaPrimaUnitaSenzaRichiesta();
    m_contesto.mostraPagina(ValoriProgramma::PerifUsciteDigitali);
    if (haCollegamento()) {
        richiediStati(0);
    }
}

void PaginaPerifUsciteDigitali::rgUDPClick()
{
    const int unita = unitaSelezionata();
    if (unita >= 0) {
        richiediStati(unita);
    }
}

void PaginaPerifUsciteDigitali::sbUDPRichClick()
{
    if (haCollegamento()) {
        rgUDPClick();
    }
}

void PaginaPerifUsciteDigitali::sbUDPNClick(int n)
{
    const int unita = unitaSelezionata();
    if (unita < 0) {
        return;
    }
    PannelloPunto *pannello = m_pannelli.at(n - 1);
    m_contesto.invio.invia(Protocollo::operaUscitaUnita(unita, n), pannello->attesaComando());
    richiediStati(unita, pannello->attesaRilettura());
}

void PaginaPerifUsciteDigitali::sbUDPResClick()
{
    const int unita = unitaSelezionata();
    if (unita < 0) {
        return;
    }
    m_contesto.invio.invia(Protocollo::resetUsciteUnita(unita));
    rgUDPClick();
}

void PaginaPerifUsciteDigitali::sbUDPResetTotaleClick()
{
    // The units need a moment after resetting before the read-back: the pause is part of the
    // queued transmission, so no other command slips in before it ends.
    m_contesto.invio.inviaSequenza({Invio::Passo::perComando(Protocollo::resetUsciteTutteUnita()),
                                    Invio::Passo::pausa(kPausaResetTotale)});
    rgUDPClick();
}

void PaginaPerifUsciteDigitali::azzeraPunti()
{
    azzeraStati(m_pannelli);
}
