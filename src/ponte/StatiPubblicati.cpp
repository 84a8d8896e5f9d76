#include "ponte/StatiPubblicati.h"

#include <cstdlib>

bool StatiPubblicati::aggiorna(const QString &argomento, const QString &payload, int grezzo,
                               int banda)
{
    const auto voce = m_voci.find(argomento);
    if (voce == m_voci.end()) {
        m_voci.insert(argomento, {payload, grezzo});
        return true;
    }
    if (voce->payload == payload) {
        return false;
    }
    if (grezzo >= 0 && voce->grezzo >= 0 && std::abs(grezzo - voce->grezzo) < banda) {
        return false;
    }
    *voce = {payload, grezzo};
    return true;
}

QList<QPair<QString, QString>> StatiPubblicati::tutti() const
{
    QList<QPair<QString, QString>> elenco;
    elenco.reserve(m_voci.size());
    for (auto it = m_voci.cbegin(); it != m_voci.cend(); ++it) {
        elenco.append({it.key(), it->payload});
    }
    return elenco;
}
