#include "Blocchi.h"

QByteArray uniti(const QList<SimulatoreScheda::Blocco> &blocchi)
{
    QByteArray dati;
    for (const auto &blocco : blocchi) {
        dati += blocco.dati;
    }
    return dati;
}

QList<QByteArray> pezzi(const QList<SimulatoreScheda::Blocco> &blocchi)
{
    QList<QByteArray> dati;
    for (const auto &blocco : blocchi) {
        dati.append(blocco.dati);
    }
    return dati;
}
