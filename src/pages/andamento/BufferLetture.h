#pragma once

#include <QtGlobal>

#include <vector>

// One analog reading: when (milliseconds since the epoch) and the value as the page showed it.
struct Lettura
{
    qint64 ms = 0;
    qint64 valore = 0;
};

// The readings of one input, oldest first, in a ring of fixed capacity: a new reading pushes
// out the oldest when the ring is full, and every reading older than the age limit before the
// newest one. The storage grows with use up to the capacity and is never given back.
// Each reading also says whether it came after a pause: more than three reading intervals
// with nothing since the one before it, the interval being learnt from the readings
// themselves and learnt afresh after each pause.
class BufferLetture
{
public:
    BufferLetture(qsizetype capacita, qint64 etaMassimaMs);

    void aggiungi(qint64 ms, qint64 valore);
    void svuota();

    qsizetype size() const { return m_numero; }
    bool isEmpty() const { return m_numero == 0; }
    qsizetype capacita() const { return m_capacita; }
    // 0 is the oldest kept reading.
    const Lettura &at(qsizetype i) const { return m_dati[indice(i)]; }
    const Lettura &ultima() const { return at(m_numero - 1); }
    bool dopoPausa(qsizetype i) const { return m_dopoPausa[indice(i)]; }
    // Readings added since the buffer was made: the one at index i is number
    // aggiunte() - size() + i.
    qint64 aggiunte() const { return m_aggiunte; }

    // Index of the first reading at or after `ms`, size() when none; readings in time order.
    qsizetype primoDa(qint64 ms) const;

    // Bytes held for readings.
    qsizetype memoria() const
    {
        return static_cast<qsizetype>(m_dati.capacity() * sizeof(Lettura) +
                                      m_dopoPausa.capacity() / 8);
    }

private:
    void togliPrima();
    size_t indice(qsizetype i) const
    {
        const auto j = static_cast<size_t>(m_inizio + i);
        return j < m_dati.size() ? j : j - m_dati.size();
    }

    bool pausaPrima(qint64 ms);

    std::vector<Lettura> m_dati;
    // Beside m_dati, slot for slot.
    std::vector<bool> m_dopoPausa;
    // The usual interval between readings, 0 while unknown.
    qint64 m_intervallo = 0;
    qsizetype m_capacita;
    qint64 m_etaMassima;
    qsizetype m_inizio = 0;
    qsizetype m_numero = 0;
    qint64 m_aggiunte = 0;
};
