#include "protocol/SessioneScheda.h"

#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/RegistroTraffico.h"
#include "protocol/FramerPagine.h"
#include "protocol/Ricezione.h"

SessioneScheda::SessioneScheda(ValoriProgramma &valori, TestoStato &testoStato,
                               std::function<int()> paginaAttiva, QObject *parent)
    : QObject(parent), m_valori(valori)
{
    m_collegamento = new Collegamento(valori, testoStato, paginaAttiva, this);
    m_framer = new FramerPagine(m_collegamento->seriale(), this);
    m_ricezione = new Ricezione(valori, m_collegamento->seriale(), m_collegamento->clientSocket(),
                                paginaAttiva, this);
    m_invio = new Invio(valori, m_collegamento->seriale(), m_collegamento->clientSocket(),
                        testoStato, std::move(paginaAttiva), this);
    m_invio->setCollegamento([c = m_collegamento] { return c->collegamentoAttivo(); },
                             [c = m_collegamento] { c->riavvia(); });
    m_registro = new RegistroTraffico(this);
    connect(m_invio, &Invio::datiScritti, m_registro, &RegistroTraffico::scritti);
    connect(m_ricezione, &Ricezione::datiRicevuti, m_registro, &RegistroTraffico::ricevuti);
    connect(m_collegamento, &Collegamento::errore, this, &SessioneScheda::errore);
    connect(m_framer, &FramerPagine::errore, this, &SessioneScheda::errore);
    connect(m_ricezione, &Ricezione::errore, this, &SessioneScheda::errore);
}

void SessioneScheda::chiudi()
{
    if (m_valori.tipoCollegamento == TipoCollegamento::Seriale) {
        m_framer->disattivaTutti();
    }
    m_collegamento->chiudi();
}
