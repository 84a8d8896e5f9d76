#include "pages/scheda/AllarmiDigitali.h"

#include <algorithm>

namespace AllarmiDigitali {

QString carattere(const QString &testo)
{
    // indexOf gives -1 without ":", so the text's own first character is taken.
    return testo.mid(testo.indexOf(QLatin1Char(':')) + 1, 1);
}

void applica(Testi &testi, const QString &abilitazioni, const QString &livelli)
{
    const qsizetype quanteAbilitazioni = std::min<qsizetype>(abilitazioni.size(), 8);
    for (qsizetype i = 0; i < quanteAbilitazioni; ++i) {
        testi[i] = abilitazioni.at(i) == QLatin1Char('1') ? QString() : kOff;
    }
    const qsizetype quantiLivelli = std::min<qsizetype>(livelli.size(), 8);
    for (qsizetype j = 0; j < quantiLivelli; ++j) {
        if (testi[j].isEmpty()) {
            testi[j] = livelli.at(j) == QLatin1Char('0') ? kHigh : kLow;
        }
    }
}

Stringhe stringhe(const Testi &testi)
{
    Stringhe esito;
    for (const QString &testo : testi) {
        const QString c = carattere(testo).toUpper();
        if (c == QLatin1String("O")) {
            esito.abilitazioni += QLatin1Char('0');
            esito.livelli += QLatin1Char('1');
        } else {
            esito.abilitazioni += QLatin1Char('1');
            esito.livelli += c == QLatin1String("L") ? QLatin1Char('1') : QLatin1Char('0');
        }
    }
    return esito;
}

} // namespace AllarmiDigitali
