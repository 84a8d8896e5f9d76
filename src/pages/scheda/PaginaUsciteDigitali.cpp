#include "pages/scheda/PaginaUsciteDigitali.h"

#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Framer.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/FramerPagine.h"
#include "protocol/Protocollo.h"
#include "protocol/Ricezione.h"

#include <QPushButton>

namespace {

// A framer that gave up on a packet (its time-out, or a packet too long) stays off until
// switched on, so every serial request arms it again.
void armaFramer(ContestoPagine &contesto)
{
    if (contesto.valori.tipoCollegamento == TipoCollegamento::Seriale) {
        contesto.framer.adpUD()->setEnabled(true);
    }
}

} // namespace

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

    connect(contesto.framer.adpUD(), &Framer::stringPacket, this,
            &PaginaUsciteDigitali::adpUDStringPacket);
    contesto.ricezione.registraParserTcp(
        ValoriProgramma::UsciteDigitali,
        [this](QString &risposta) { analizzaRispostaTcp(risposta); });
}

void PaginaUsciteDigitali::lbUDClick()
{
    m_contesto.apriPaginaScheda(ValoriProgramma::UsciteDigitali, FramerPagine::UD);
    m_contesto.modoContinuo.fermaSeAcceso();
    m_contesto.invio.invia(Protocollo::statoRele());
}

void PaginaUsciteDigitali::sbUDRichClick()
{
    m_contesto.modoContinuo.fermaSeAcceso();
    armaFramer(m_contesto);
    m_contesto.invio.invia(Protocollo::statoRele());
}

void PaginaUsciteDigitali::sbUDResClick()
{
    m_contesto.modoContinuo.fermaSeAcceso();
    armaFramer(m_contesto);
    m_contesto.invio.invia(Protocollo::resetRele());
    m_contesto.invio.invia(Protocollo::statoRele());
}

void PaginaUsciteDigitali::sbUDNClick(int n)
{
    armaFramer(m_contesto);
    PannelloPunto *pannello = m_pannelli.at(n - 1);
    m_contesto.invio.invia(Protocollo::operaRele(n), pannello->attesaComando());
    m_contesto.invio.invia(Protocollo::statoRele(), pannello->attesaRilettura());
}

void PaginaUsciteDigitali::mostraStati(const QString &testoFrame)
{
    const auto stati =
        Protocollo::statiCanali(Protocollo::valoreFrame(testoFrame, Protocollo::CifreDigitali));
    for (int i = 0; i < 8; ++i) {
        m_pannelli[i]->impostaStato(stati[i]);
    }
}

void PaginaUsciteDigitali::adpUDStringPacket(const QString &pacchetto)
{
    mostraStati(pacchetto);
}

void PaginaUsciteDigitali::analizzaRispostaTcp(const QString &risposta)
{
    // Read from the frame's own start marker, as the serial framer does; a frame cut short
    // paints nothing.
    const Protocollo::PosizioneFrame frame = Protocollo::trovaFrame(risposta, Protocollo::InizioRele);
    if (frame.trovato()) {
        mostraStati(frame.in(risposta));
    }
}
