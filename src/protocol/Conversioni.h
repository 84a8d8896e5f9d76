#pragma once

#include <QString>

#include <QtGlobal>

// Rounding and scaling between the operator's units and the board's levels. Every result is the
// nearest integer with exact halves going to the even neighbour, as the board firmware expects.
namespace Conversioni {

// numeratore / denominatore rounded, halves to even; exact for any 64-bit operands. The one
// quotient beyond the 64-bit range (the smallest value over -1) saturates; a zero divisor throws
// ErroreProgramma.
qint64 arrotondaPari(qint64 numeratore, qint64 denominatore);

// Nearest integer, halves to even; a value that is not a number or does not fit in 64 bits
// throws ErroreProgramma.
qint64 arrotondaPari(double valore);

// Board analog output: percentage 0..100 to level 0..255 (P x 2.55) and back (R / 2.55).
int percentualeALivello(int percentuale);
int livelloAPercentuale(int livello);

// Peripheral analog channel: percentage 0..100 to level 0..63 (P x 0.63) and back (R / 0.63).
int percentualeALivelloPeriferica(int percentuale);
int livelloPerifericaAPercentuale(int livello);

// Analog input: raw reading 0..65535 scaled linearly onto minimo..massimo.
qint64 scalaAnalogico(qint64 grezzo, double minimo, double massimo);

// The same from texts as they come from the board and the settings; throws ErroreConversione
// for a raw field that is not an integer and ErroreProgramma for a range that is not a number.
qint64 scalaAnalogico(const QString &grezzo, const QString &minimo, const QString &massimo);

// Alarm threshold in the input's units to the board's level over the range minimo..massimo:
// (soglia - minimo) x 255 / (massimo - minimo), nearest, halves to even, limited to 0..255.
// An empty range, or one too wide to divide, throws ErroreProgramma.
int livelloAllarme(double soglia, double minimo, double massimo);

// Decimal text to double (a dot or a comma as decimal separator, blanks around allowed), or
// ErroreProgramma "'x' is not a valid floating point value".
double StrToFloat(const QString &testo);

} // namespace Conversioni
