#include "pages/comune/SorveglianzaPagine.h"

#include "core/TestoStato.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "pages/comune/PaginaBase.h"
#include "protocol/Ricezione.h"

#include <utility>

SorveglianzaPagine::SorveglianzaPagine(Collegamento &collegamento, Invio &invio,
                                       Ricezione &ricezione, TestoStato &testoStato,
                                       std::function<PaginaBase *()> paginaAperta,
                                       std::function<QList<PaginaBase *>()> pagine, QObject *parent)
    : QObject(parent), m_collegamento(collegamento), m_invio(invio), m_testoStato(testoStato),
      m_paginaAperta(std::move(paginaAperta)), m_pagine(std::move(pagine))
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire 5 % early: the board would be called silent before its time.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(SilenzioMassimo);
    connect(&m_timer, &QTimer::timeout, this, &SorveglianzaPagine::silenzio);
    connect(&collegamento, &Collegamento::collegamentoPerso, this,
            &SorveglianzaPagine::collegamentoPerso);
    connect(&ricezione, &Ricezione::prontoRicevuto, this, &SorveglianzaPagine::pronto);
}

void SorveglianzaPagine::paginaCambiata()
{
    if (m_paginaAperta()) {
        m_timer.start();
    } else {
        m_timer.stop();
    }
}

void SorveglianzaPagine::mostraMotivo(const QString &motivo)
{
    m_motivo = motivo;
    m_testoStato.impostaTesto(1, motivo);
}

void SorveglianzaPagine::collegamentoPerso()
{
    // Nothing shown anywhere came after the loss.
    for (PaginaBase *pagina : m_pagine()) {
        pagina->segnaNonAttuale();
    }
    // Commands waiting their turn would each wait in vain for a prompt.
    m_invio.svuotaCoda();
    mostraMotivo(testoCollegamentoPerso());
    m_timer.stop();
}

void SorveglianzaPagine::rispostaIncompleta()
{
    if (PaginaBase *pagina = m_paginaAperta()) {
        pagina->segnaNonAttuale();
        mostraMotivo(testoRispostaIncompleta());
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
    m_invio.svuotaCoda();
    mostraMotivo(m_collegamento.collegamentoAttivo() ? testoSchedaMuta()
                                                     : testoCollegamentoPerso());
}

void SorveglianzaPagine::pronto()
{
    if (m_paginaAperta()) {
        m_timer.start();
    }
    if (std::exchange(m_tieniMotivo, false)) {
        return;
    }
    if (!m_motivo.isEmpty() && m_testoStato.testo(1) == m_motivo) {
        m_testoStato.impostaTesto(1, QString());
    }
    m_motivo.clear();
}
