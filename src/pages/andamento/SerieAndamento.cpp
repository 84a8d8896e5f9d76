#include "pages/andamento/SerieAndamento.h"

#include "pages/andamento/BufferLetture.h"

#include <algorithm>
#include <array>

qint64 SerieAndamento::colonnaDi(qint64 ms, qint64 periodo)
{
    // Rounded down, also before the epoch.
    return ms >= 0 ? ms / periodo : -((-ms + periodo - 1) / periodo);
}

void SerieAndamento::imposta(qint64 periodoMs, int numero)
{
    m_periodo = std::max<qint64>(periodoMs, 1);
    m_colonne.assign(static_cast<size_t>(std::max(numero, 1)), Colonna());
    m_primaColonna = 0;
    m_ultimaColonna = -1;
    m_costruita = false;
}

bool SerieAndamento::scorri(qint64 fineMs)
{
    const qint64 ultima = colonnaDi(fineMs, m_periodo);
    if (ultima <= m_ultimaColonna) {
        return false;
    }
    m_ultimaColonna = ultima;
    m_primaColonna = ultima - static_cast<qint64>(m_colonne.size()) + 1;
    m_costruita = false;
    return true;
}

const SerieAndamento::Colonna *SerieAndamento::colonna(qint64 numero) const
{
    const auto n = static_cast<qint64>(m_colonne.size());
    const Colonna &c = m_colonne[static_cast<size_t>(((numero % n) + n) % n)];
    return c.numero == numero ? &c : nullptr;
}

void SerieAndamento::aggiungi(qint64 ms, qint64 valore, bool dopoPausa)
{
    const qint64 numero = colonnaDi(ms, m_periodo);
    if (numero < m_primaColonna || numero > m_ultimaColonna) {
        return;
    }
    Colonna &c = posto(numero);
    const Estremo lettura{ms, valore};
    if (c.numero != numero) {
        // A slot left by a column that has scrolled out, or never used.
        c = {numero, lettura, lettura, lettura, lettura, dopoPausa};
    } else {
        if (valore < c.basso.valore) {
            c.basso = lettura;
        }
        if (valore > c.alto.valore) {
            c.alto = lettura;
        }
        c.ultimo = lettura;
    }
    m_costruita = false;
}

void SerieAndamento::riempi(const BufferLetture &letture, qint64 dopoMs)
{
    const qint64 da = dopoMs < inizioMs() ? inizioMs() : dopoMs + 1;
    for (qsizetype i = letture.primoDa(da); i < letture.size(); ++i) {
        const Lettura &l = letture.at(i);
        aggiungi(l.ms, l.valore, letture.dopoPausa(i));
    }
}

bool SerieAndamento::estremi(qint64 &minimo, qint64 &massimo) const
{
    bool trovati = false;
    for (const Colonna &c : m_colonne) {
        if (c.numero < m_primaColonna || c.numero > m_ultimaColonna) {
            continue;
        }
        minimo = trovati ? std::min(minimo, c.basso.valore) : c.basso.valore;
        massimo = trovati ? std::max(massimo, c.alto.valore) : c.alto.valore;
        trovati = true;
    }
    return trovati;
}

void SerieAndamento::costruisci() const
{
    m_punti.clear();
    m_interruzioni.clear();
    m_punti.reserve(static_cast<qsizetype>(m_colonne.size()) * 2);
    for (qint64 numero = m_primaColonna; numero <= m_ultimaColonna; ++numero) {
        const Colonna *c = colonna(numero);
        if (!c) {
            continue;
        }
        if (c->interrotta && !m_punti.isEmpty()) {
            m_interruzioni.append(m_punti.size());
        }
        // The four in time order, each reading once: a column of one or two readings gives
        // exactly those.
        std::array<Estremo, 4> quattro = {c->primo, c->basso, c->alto, c->ultimo};
        std::sort(quattro.begin(), quattro.end(),
                  [](const Estremo &a, const Estremo &b) { return a.ms < b.ms; });
        for (size_t i = 0; i < quattro.size(); ++i) {
            const Estremo &e = quattro[i];
            const bool ripetuto =
                std::any_of(quattro.begin(), quattro.begin() + qsizetype(i),
                            [&](const Estremo &p) { return p.ms == e.ms && p.valore == e.valore; });
            if (!ripetuto) {
                m_punti.append(QPointF(static_cast<qreal>(e.ms), static_cast<qreal>(e.valore)));
            }
        }
    }
    m_costruita = true;
}

const QList<QPointF> &SerieAndamento::points() const
{
    if (!m_costruita) {
        costruisci();
    }
    return m_punti;
}

const QList<qsizetype> &SerieAndamento::interruzioni() const
{
    if (!m_costruita) {
        costruisci();
    }
    return m_interruzioni;
}
