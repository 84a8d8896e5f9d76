#include "link/Invio.h"

#include "core/TestoStato.h"
#include "link/Collegamento.h"
#include "link/Trasporto.h"

#include <utility>

namespace {

const QString kNonInviato = QStringLiteral("Comando non inviato: la scheda non è pronta");
const QString kCollegamentoAssente =
    QStringLiteral("Comando non inviato: il collegamento con la scheda è interrotto");
const QString kCodaPiena =
    QStringLiteral("Comando non inviato: troppi comandi in attesa (al massimo 16)");

} // namespace

Invio::Passo Invio::Passo::perComando(const ::Comando &comando, std::function<bool()> condizione)
{
    Passo passo;
    passo.tipo = Tipo::Comando;
    passo.comando = comando;
    passo.condizione = std::move(condizione);
    return passo;
}

Invio::Passo Invio::Passo::diretto(const QString &testo)
{
    Passo passo;
    passo.tipo = Tipo::Diretto;
    passo.testo = testo;
    return passo;
}

Invio::Passo Invio::Passo::pausa(int ms)
{
    Passo passo;
    passo.tipo = Tipo::Pausa;
    passo.ms = ms;
    return passo;
}

Invio::Invio(Collegamento &collegamento, TestoStato &testoStato, QObject *parent)
    : QObject(parent), m_collegamento(collegamento), m_testoStato(testoStato), m_pausa(this)
{
    m_attesa.setSingleShot(true);
    m_attesa.setTimerType(Qt::PreciseTimer);
    connect(&m_attesa, &QTimer::timeout, this, &Invio::scaduto);
    connect(&m_pausa, &Pausa::finita, this, [this] { passoFatto(true); });
    for (Trasporto *trasporto : collegamento.trasporti()) {
        connect(trasporto, &Trasporto::scritturaFinita, this, [this, trasporto](bool tutto) {
            if (m_stato == Stato::Scrittura && trasporto == m_scrivente) {
                passoFatto(tutto);
            }
        });
        connect(trasporto, &Trasporto::statoCambiato, this, &Invio::controllaCollegamento);
    }
}

void Invio::invia(const Comando &comando, const EsitoInvio &esito)
{
    accoda(Voce{{Passo::perComando(comando)}, esito});
}

void Invio::inviaSe(std::function<bool()> condizione, const Comando &comando)
{
    accoda(Voce{{Passo::perComando(comando, std::move(condizione))}, {}});
}

void Invio::inviaSequenza(QList<Passo> passi, const EsitoInvio &esito)
{
    accoda(Voce{std::move(passi), esito});
}

void Invio::accoda(Voce voce)
{
    if (!m_collegamento.trasporto()) {
        // Nothing goes out: whoever marked the point as pending must hear of it.
        if (voce.esito.scartato) {
            voce.esito.scartato();
        }
        return;
    }
    if (m_voce && m_coda.size() >= MassimoCoda) {
        m_testoStato.impostaTesto(1, kCodaPiena);
        if (voce.esito.scartato) {
            voce.esito.scartato();
        }
        return;
    }
    // A link lost since the page was opened is started again, as the page entry does, before
    // the command waits for its prompt. Here, in the caller's handler, so that what the check
    // may throw ends that action.
    if (!m_collegamento.collegamentoAttivo()) {
        m_collegamento.riavvia();
    }
    m_coda.enqueue(std::move(voce));
    prossima();
}

void Invio::prossima()
{
    if (m_voce) {
        return;
    }
    if (m_coda.isEmpty()) {
        m_prontoFresco = false;
        return;
    }
    m_voce = m_coda.dequeue();
    eseguiPasso();
}

void Invio::eseguiPasso()
{
    Voce &voce = *m_voce;
    if (voce.passo >= voce.passi.size()) {
        concludi();
        return;
    }
    Trasporto *trasporto = m_collegamento.trasporto();
    if (!trasporto) {
        scarta(kCollegamentoAssente);
        return;
    }
    const Passo &passo = voce.passi.at(voce.passo);
    switch (passo.tipo) {
    case Passo::Tipo::Comando:
        // No prompt can come on a link that is down: no point waiting for it.
        if (trasporto->isGiu()) {
            scarta(kCollegamentoAssente);
            return;
        }
        // A link paced at its far end gets a command head and the text the board reads after
        // it without a prompt as one write: the far end keeps them together and pauses itself.
        if (trasporto->prontoProprio().has_value()) {
            accorpaDiretti(voce);
        }
        m_stato = Stato::AttesaPronto;
        m_inIngresso = std::exchange(m_attesaLunga, false);
        m_attesa.start(m_inIngresso ? m_attesaIngresso : m_attesaPronto);
        if (std::exchange(m_prontoFresco, false) || trasporto->prontoProprio().value_or(false)) {
            pronto();
        }
        return;
    case Passo::Tipo::Diretto:
        m_prontoFresco = false;
        m_stato = Stato::Scrittura;
        m_scrivente = trasporto;
        trasporto->scriviDiretto(passo.testo);
        return;
    case Passo::Tipo::Pausa:
        m_prontoFresco = false;
        m_stato = Stato::Pausa;
        m_pausa.avvia(passo.ms);
        return;
    }
}

void Invio::accorpaDiretti(Voce &voce)
{
    qsizetype fine = voce.passo + 1;
    QString diretti;
    while (fine < voce.passi.size() && voce.passi.at(fine).tipo != Passo::Tipo::Comando) {
        if (voce.passi.at(fine).tipo == Passo::Tipo::Diretto) {
            diretti += voce.passi.at(fine).testo;
        }
        ++fine;
    }
    if (diretti.isEmpty()) {
        return;
    }
    voce.passi[voce.passo].comando.tcp += diretti;
    voce.passi.remove(voce.passo + 1, fine - voce.passo - 1);
}

void Invio::pronto()
{
    if (m_stato != Stato::AttesaPronto || !m_voce) {
        return;
    }
    // A link that paces at its far end lets the command go only when it says so.
    if (const Trasporto *t = m_collegamento.trasporto(); t && !t->prontoProprio().value_or(true)) {
        return;
    }
    m_attesa.stop();
    m_inIngresso = false;
    Voce &voce = *m_voce;
    const Passo passo = voce.passi.at(voce.passo);
    if (passo.condizione && !passo.condizione()) {
        // Not needed after all: the prompt is still fresh for the command after it.
        m_stato = Stato::Libero;
        ++voce.passo;
        m_prontoFresco = true;
        eseguiPasso();
        return;
    }
    m_stato = Stato::Scrittura;
    if (!std::exchange(voce.iniziata, true) && voce.esito.inizio) {
        voce.esito.inizio();
    }
    if (m_preparaRisposta) {
        m_preparaRisposta(passo.comando, voce.esito);
    }
    m_scrivente = m_collegamento.trasporto();
    m_scrivente->scrivi(passo.comando);
}

void Invio::passoFatto(bool tutto)
{
    if (!m_voce) {
        return;
    }
    m_stato = Stato::Libero;
    m_voce->tutto = m_voce->tutto && tutto;
    ++m_voce->passo;
    eseguiPasso();
}

void Invio::concludi()
{
    const Voce voce = std::move(*m_voce);
    m_voce.reset();
    m_stato = Stato::Libero;
    const auto &avviso = voce.tutto ? voce.esito.scritto : voce.esito.scartato;
    if (avviso) {
        avviso();
    }
    prossima();
}

void Invio::scarta(const QString &motivo)
{
    m_attesa.stop();
    m_inIngresso = false;
    m_prontoFresco = false;
    const Voce voce = std::move(*m_voce);
    m_voce.reset();
    m_stato = Stato::Libero;
    m_testoStato.impostaTesto(1, motivo);
    if (voce.esito.scartato) {
        voce.esito.scartato();
    }
    prossima();
}

void Invio::scaduto()
{
    if (m_stato == Stato::AttesaPronto) {
        scarta(kNonInviato);
    }
}

void Invio::controllaCollegamento()
{
    Trasporto *trasporto = m_collegamento.trasporto();
    if (m_stato == Stato::AttesaPronto && (!trasporto || trasporto->isGiu())) {
        scarta(kCollegamentoAssente);
        return;
    }
    if (m_stato == Stato::AttesaPronto && trasporto->prontoProprio().value_or(false)) {
        pronto();
    }
}

void Invio::svuotaCoda()
{
    const QQueue<Voce> coda = std::exchange(m_coda, {});
    for (const Voce &voce : coda) {
        if (voce.esito.scartato) {
            voce.esito.scartato();
        }
    }
    if (!coda.isEmpty()) {
        m_testoStato.impostaTesto(1, kNonInviato);
    }
}

void Invio::abbandonaIngresso()
{
    m_attesaLunga = false;
    if (!m_inIngresso || m_stato != Stato::AttesaPronto) {
        return;
    }
    m_inIngresso = false;
    m_attesa.stop();
    m_prontoFresco = false;
    QList<Voce> voci{std::move(*m_voce)};
    m_voce.reset();
    m_stato = Stato::Libero;
    voci.append(std::exchange(m_coda, {}));
    for (const Voce &voce : std::as_const(voci)) {
        if (voce.esito.scartato) {
            voce.esito.scartato();
        }
    }
}

void Invio::ferma()
{
    m_attesa.stop();
    m_inIngresso = false;
    m_prontoFresco = false;
    m_pausa.ferma();
    m_coda.clear();
    m_voce.reset();
    m_stato = Stato::Libero;
    m_attesaLunga = false;
}
