#include "pages/comune/SorveglianzaPagine.h"

#include "core/TestoStato.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "pages/comune/PaginaBase.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/SessioneScheda.h"

#include <utility>

SorveglianzaPagine::SorveglianzaPagine(SessioneScheda &sessione, TestoStato &testoStato,
                                       std::function<PaginaBase *()> paginaAperta,
                                       std::function<QList<PaginaBase *>()> pagine, QObject *parent)
    : QObject(parent), m_sessione(sessione), m_testoStato(testoStato),
      m_paginaAperta(std::move(paginaAperta)), m_pagine(std::move(pagine))
{
    connect(&sessione, &SessioneScheda::collegamentoPerso, this,
            &SorveglianzaPagine::collegamentoPerso);
    connect(&sessione, &SessioneScheda::schedaMuta, this, &SorveglianzaPagine::silenzio);
    connect(&sessione, &SessioneScheda::pronto, this, &SorveglianzaPagine::pronto);
    connect(&sessione.lettore(), &LettoreRisposte::rispostaIncompleta, this,
            &SorveglianzaPagine::rispostaIncompleta);
    connect(&sessione.lettore(), &LettoreRisposte::rispostaMancante, this,
            &SorveglianzaPagine::rispostaMancante);
    // What the pages show came over the link just left.
    connect(&sessione.collegamento(), &Collegamento::collegamentoCambiato, this,
            &SorveglianzaPagine::segnaTutteNonAttuali);
}

void SorveglianzaPagine::paginaCambiata()
{
    // What a page entry still waiting for the link would send belongs to the page just left.
    m_sessione.invio().abbandonaIngresso();
    if (m_paginaAperta()) {
        m_sessione.sorveglia();
    }
}

void SorveglianzaPagine::mostraMotivo(const QString &motivo)
{
    m_motivo = motivo;
    m_tieniMotivo = false;
    m_testoStato.impostaTesto(1, motivo);
}

void SorveglianzaPagine::segnaTutteNonAttuali()
{
    for (PaginaBase *pagina : m_pagine()) {
        pagina->segnaNonAttuale();
    }
}

void SorveglianzaPagine::collegamentoPerso()
{
    // Nothing shown anywhere came after the loss.
    segnaTutteNonAttuali();
    // Commands waiting their turn would each wait in vain for a prompt.
    m_sessione.invio().svuotaCoda();
    mostraMotivo(testoCollegamentoPerso());
}

void SorveglianzaPagine::rispostaIncompleta()
{
    valoriNonAggiornati(testoRispostaIncompleta());
}

void SorveglianzaPagine::rispostaMancante()
{
    valoriNonAggiornati(testoRispostaMancante());
}

void SorveglianzaPagine::valoriNonAggiornati(const QString &motivo)
{
    if (PaginaBase *pagina = m_paginaAperta()) {
        pagina->segnaNonAttuale();
        mostraMotivo(motivo);
        // Told while its own response is handled: that response's prompt must not clear it.
        m_tieniMotivo = true;
    }
}

void SorveglianzaPagine::silenzio()
{
    PaginaBase *pagina = m_paginaAperta();
    if (!pagina) {
        return;
    }
    pagina->segnaNonAttuale();
    // A board silent this long would let every queued command wait out its own time.
    m_sessione.invio().svuotaCoda();
    mostraMotivo(m_sessione.collegamento().collegamentoAttivo() ? testoSchedaMuta()
                                                                : testoCollegamentoPerso());
}

void SorveglianzaPagine::pronto()
{
    if (std::exchange(m_tieniMotivo, false)) {
        return;
    }
    if (!m_motivo.isEmpty() && m_testoStato.testo(1) == m_motivo) {
        m_testoStato.impostaTesto(1, QString());
    }
    m_motivo.clear();
}
