#pragma once

#include <QList>
#include <QPointF>
#include <QtGlobal>

#include <limits>
#include <vector>

class BufferLetture;

// What the trend window draws of one input: the span cut into columns one pixel wide, and of
// each column only the first, lowest, highest and last reading. A new reading touches its
// own column; moving on in time drops whole columns at the left. The points are those
// readings in time order, and the line breaks before a column whose first reading came
// after a pause.
class SerieAndamento
{
public:
    // `numero` columns of `periodoMs` each; empties the series.
    void imposta(qint64 periodoMs, int numero);
    // The last column is the one holding `fineMs`; returns whether the columns moved.
    bool scorri(qint64 fineMs);
    void aggiungi(qint64 ms, qint64 valore, bool dopoPausa);
    // Every kept reading that falls in the columns and comes after `dopoMs`, after imposta()
    // and scorri().
    void riempi(const BufferLetture &letture,
                qint64 dopoMs = std::numeric_limits<qint64>::min());

    // The points drawn, in milliseconds since the epoch and value.
    const QList<QPointF> &points() const;
    // Indices in points() where the line starts again after a pause.
    const QList<qsizetype> &interruzioni() const;
    // Lowest and highest value in the columns; false when there is none.
    bool estremi(qint64 &minimo, qint64 &massimo) const;
    // Time where the first column starts.
    qint64 inizioMs() const { return m_primaColonna * m_periodo; }

private:
    static constexpr qint64 kVuota = std::numeric_limits<qint64>::min();

    struct Estremo
    {
        qint64 ms = 0;
        qint64 valore = 0;
    };
    struct Colonna
    {
        qint64 numero = kVuota;
        Estremo primo;
        Estremo basso;
        Estremo alto;
        Estremo ultimo;
        bool interrotta = false;
    };

    static qint64 colonnaDi(qint64 ms, qint64 periodo);
    Colonna &posto(qint64 numero)
    {
        const auto n = static_cast<qint64>(m_colonne.size());
        return m_colonne[static_cast<size_t>(((numero % n) + n) % n)];
    }
    const Colonna *colonna(qint64 numero) const;
    void costruisci() const;

    std::vector<Colonna> m_colonne;
    qint64 m_periodo = 1;
    qint64 m_primaColonna = 0;
    qint64 m_ultimaColonna = -1;

    mutable bool m_costruita = false;
    mutable QList<QPointF> m_punti;
    mutable QList<qsizetype> m_interruzioni;
};
