#include "pages/scheda/PaginaUsciteDigitali.h"

#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/Protocollo.h"

#include <QPushButton>

PaginaUsciteDigitali::PaginaUsciteDigitali(ContestoPagine &contesto, QWidget *parent)
    : PaginaBase(QStringLiteral("TabSheet2"), parent), m_contesto(contesto)
{
    aggiungiTitolo(QStringLiteral("lbtsUD"), QStringLiteral("Uscite Digitali"));

    m_pannelli = creaPannelli(QStringLiteral("sbUD"), QStringLiteral("(OUT %1)"));
    for (int n = 1; n <= 8; ++n) {
        connect(m_pannelli[n - 1], &QPushButton::clicked, this,
                protetto(contesto.messaggi, [this, n] { sbUDNClick(n); }));
    }

    auto *richiesta = aggiungiPulsante(QStringLiteral("sbUDRich"), QStringLiteral("Richiesta"));
    setPulsanteRichiesta(richiesta);
    auto *reset = aggiungiPulsante(QStringLiteral("sbUDRes"), QStringLiteral("Reset"));
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPUD"), QStringLiteral("Periferiche"));
    m_home = aggiungiPulsante(QStringLiteral("sbHome1"), QStringLiteral("Pagina Iniziale"));
    connect(richiesta, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUDRichClick(); }));
    connect(reset, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbUDResClick(); }));
}

void PaginaUsciteDigitali::lbUDClick()
{
    m_contesto.apriPaginaScheda(ValoriProgramma::UsciteDigitali);
    m_contesto.modoContinuo.fermaSeAcceso();
    richiediStati();
}

void PaginaUsciteDigitali::sbUDRichClick()
{
    m_contesto.modoContinuo.fermaSeAcceso();
    richiediStati();
}

void PaginaUsciteDigitali::sbUDResClick()
{
    m_contesto.modoContinuo.fermaSeAcceso();
    m_contesto.invio.invia(Protocollo::resetRele());
    richiediStati();
}

void PaginaUsciteDigitali::sbUDNClick(int n)
{
    PannelloPunto *pannello = m_pannelli.at(n - 1);
    m_contesto.invio.invia(Protocollo::operaRele(n), pannello->attesaComando());
    richiediStati(pannello->attesaRilettura());
}

void PaginaUsciteDigitali::richiediStati(EsitoInvio esito)
{
    esito.risposta = [this](const Risposta &risposta) { mostraStati(risposta); };
    m_contesto.invio.invia(Protocollo::statoRele(), esito);
}

void PaginaUsciteDigitali::mostraStati(const Risposta &risposta)
{
    // A reply without its frame paints nothing.
    if (!risposta.trovata()) {
        return;
    }
    for (int i = 0; i < 8; ++i) {
        m_pannelli[i]->impostaStato(risposta.stati[i]);
    }
}
