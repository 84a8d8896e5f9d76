#include "link/SeriePronti.h"

#include <utility>

namespace {

constexpr char kPronto[] = "F?";

} // namespace

bool SeriePronti::isPronto(const QByteArray &dati)
{
    // Whatever line ends the board puts around it; more than one prompt in a chunk is not idle
    // chatter of the usual kind and is shown as it came.
    const qsizetype inizio = dati.indexOf(kPronto);
    if (inizio < 0) {
        return false;
    }
    for (qsizetype i = 0; i < dati.size(); ++i) {
        const char c = dati.at(i);
        if (i != inizio && i != inizio + 1 && c != '\r' && c != '\n') {
            return false;
        }
    }
    return true;
}

bool SeriePronti::aggiungi(bool ricevuto, const QString &collegamento, const QByteArray &dati,
                           const QDateTime &ora, std::optional<Serie> *chiusa)
{
    if (ricevuto && m_aperta && m_aperta->collegamento == collegamento &&
        m_aperta->pronto == dati) {
        ++m_aperta->volte;
        m_aperta->ultima = ora;
        return true;
    }
    std::optional<Serie> finita = chiudi();
    if (chiusa) {
        *chiusa = std::move(finita);
    }
    if (ricevuto && isPronto(dati)) {
        m_aperta = Serie{collegamento, dati, 1, ora, ora};
    }
    return false;
}

std::optional<SeriePronti::Serie> SeriePronti::chiudi()
{
    return std::exchange(m_aperta, std::nullopt);
}

QByteArray SeriePronti::conteggio(qint64 volte)
{
    return " (\xC3\x97" + QByteArray::number(volte) + ')';
}
