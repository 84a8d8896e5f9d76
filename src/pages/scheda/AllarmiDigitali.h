#pragma once

#include <QString>

#include <array>

// The alarm settings of the board's digital inputs as the operator reads them ("All.:Off",
// "All.:High", "All.:Low", one per input) and as they are stored and sent: an enable string and
// a level string of eight "0"/"1" characters, input 1 leftmost.
namespace AllarmiDigitali {

inline const QString kOff = QStringLiteral("All.:Off");
inline const QString kHigh = QStringLiteral("All.:High");
inline const QString kLow = QStringLiteral("All.:Low");

using Testi = std::array<QString, 8>;

struct Stringhe
{
    QString abilitazioni;
    QString livelli;
};

// The character that tells an alarm text: the one after the first ":", or the first one when
// there is no ":"; empty for an empty text.
QString carattere(const QString &testo);

// Fills the texts from the stored strings: first the enables (an enabled input is left empty,
// a disabled one reads "All.:Off"), then the levels of the inputs left empty. Characters past
// the eighth are ignored; inputs past a string's end keep their text.
void applica(Testi &testi, const QString &abilitazioni, const QString &livelli);

// The strings to store and send for the texts of inputs 1..8.
Stringhe stringhe(const Testi &testi);

} // namespace AllarmiDigitali
