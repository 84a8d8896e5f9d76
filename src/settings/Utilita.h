#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// Milliseconds since the midnight that starts the value's day (0 .. 86 399 999).
int MsDelGiorno(const QDateTime &momento);
int MsDelGiorno(const QTime &ora);

// Waits strictly longer than `ms` milliseconds on the monotonic clock. With `pompa` set the
// GUI thread keeps handling events meanwhile (sleeping in between, never spinning), so other
// handlers, waits included, run nested inside it. `interrompi`, checked after each round of
// events, cuts the wait short.
void Attendi(int ms, bool pompa = true, const std::function<bool()> &interrompi = {});

// Handles events until `fatto()` holds or `limiteMs` milliseconds have passed; true when
// `fatto()` held. `fatto` is checked before each round of events, the limit after it.
bool AttendiCondizione(int limiteMs, const std::function<bool()> &fatto);

// True when `parte` occurs in `testo`, letter case significant. An empty text contains
// nothing, not even the empty part.
bool ContieneTesto(const QString &testo, const QString &parte);

// Decimal integer text to int, or ErroreConversione ("'x' is not a valid integer value").
int StrToInt(const QString &testo);

// Decimal text as the settings hold a range end: a dot or a comma as decimal separator, blanks
// around allowed, a finite value. Nothing when the text is not such a number.
std::optional<double> NumeroDecimale(const QString &testo);

// Decimal integer text to its lowest eight bits, most significant first ("5" -> "00000101");
// for a negative value the set bits of the magnitude show as '-'.
QString IntToBin8(const QString &testo);
