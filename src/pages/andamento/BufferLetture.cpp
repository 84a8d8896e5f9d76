#include "pages/andamento/BufferLetture.h"

#include <algorithm>

BufferLetture::BufferLetture(qsizetype capacita, qint64 etaMassimaMs)
    : m_capacita(std::max<qsizetype>(capacita, 1)), m_etaMassima(etaMassimaMs)
{
}

bool BufferLetture::pausaPrima(qint64 ms)
{
    if (m_numero == 0) {
        return false;
    }
    const qint64 passo = ms - ultima().ms;
    if (passo <= 0) {
        // Same instant, or the clock set back: says nothing about the pace.
        return false;
    }
    if (m_intervallo > 0 && passo > 3 * m_intervallo) {
        // The pace after a pause may differ from the one before: learn it again.
        m_intervallo = 0;
        return true;
    }
    // A slow average, so one late reading does not make the next ones look like pauses.
    m_intervallo = m_intervallo == 0 ? passo : m_intervallo + (passo - m_intervallo) / 8;
    return false;
}

void BufferLetture::aggiungi(qint64 ms, qint64 valore)
{
    const bool pausa = pausaPrima(ms);
    if (m_numero == m_capacita) {
        togliPrima();
    }
    const auto fisica = static_cast<qsizetype>(m_dati.size());
    if (m_numero == fisica) {
        // Every slot in use and room to grow: straighten the ring, then grow the storage by
        // doubling up to the capacity.
        std::rotate(m_dati.begin(), m_dati.begin() + m_inizio, m_dati.end());
        std::rotate(m_dopoPausa.begin(), m_dopoPausa.begin() + m_inizio, m_dopoPausa.end());
        m_inizio = 0;
        if (m_dati.size() == m_dati.capacity()) {
            const size_t nuova = std::min<size_t>(std::max<size_t>(m_dati.capacity() * 2, 256),
                                                  static_cast<size_t>(m_capacita));
            m_dati.reserve(nuova);
            m_dopoPausa.reserve(nuova);
        }
        m_dati.push_back({ms, valore});
        m_dopoPausa.push_back(pausa);
    } else {
        m_dati[indice(m_numero)] = {ms, valore};
        m_dopoPausa[indice(m_numero)] = pausa;
    }
    ++m_numero;
    ++m_aggiunte;
    while (m_numero > 1 && at(0).ms < ms - m_etaMassima) {
        togliPrima();
    }
}

void BufferLetture::togliPrima()
{
    m_inizio = m_inizio + 1 == static_cast<qsizetype>(m_dati.size()) ? 0 : m_inizio + 1;
    --m_numero;
}

void BufferLetture::svuota()
{
    m_inizio = 0;
    m_numero = 0;
    m_intervallo = 0;
}

qsizetype BufferLetture::primoDa(qint64 ms) const
{
    qsizetype basso = 0;
    qsizetype alto = m_numero;
    while (basso < alto) {
        const qsizetype medio = basso + (alto - basso) / 2;
        if (at(medio).ms < ms) {
            basso = medio + 1;
        } else {
            alto = medio;
        }
    }
    return basso;
}
