#include "protocol/Conversioni.h"

#include "core/Errori.h"
#include "settings/Utilita.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

namespace Conversioni {

namespace {

const QString kOperazioneNonValida = QStringLiteral("Invalid floating point operation");

} // namespace

qint64 arrotondaPari(qint64 numeratore, qint64 denominatore)
{
    if (denominatore == 0) {
        throw ErroreProgramma(QStringLiteral("Division by zero"));
    }
    if (denominatore == -1) {
        // The only quotient that can leave the 64-bit range: the smallest value negated.
        return numeratore == std::numeric_limits<qint64>::min() ? std::numeric_limits<qint64>::max()
                                                                : -numeratore;
    }
    // Floor division with a remainder of the divisor's sign, without negating anything: the
    // smallest 64-bit value has no positive counterpart.
    qint64 quoziente = numeratore / denominatore;
    qint64 resto = numeratore % denominatore;
    if (resto == 0) {
        return quoziente;
    }
    if ((resto < 0) != (denominatore < 0)) {
        resto += denominatore;
        --quoziente;
    }
    // Fraction resto/denominatore in (0, 1): compare what is taken with what is left, both as
    // magnitudes, so nothing is doubled.
    const qint64 preso = resto < 0 ? -resto : resto;
    const qint64 mancante = resto < 0 ? resto - denominatore : denominatore - resto;
    if (preso > mancante || (preso == mancante && (quoziente % 2) != 0)) {
        ++quoziente;
    }
    return quoziente;
}

qint64 arrotondaPari(double valore)
{
    // 2^63 is exact in a double; everything from there on does not fit.
    constexpr double kLimite = 9223372036854775808.0;
    if (std::isnan(valore) || valore >= kLimite || valore < -kLimite) {
        throw ErroreProgramma(kOperazioneNonValida);
    }
    // nearbyint follows the current rounding mode; make sure it is to-nearest-even.
    const int modo = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double arrotondato = std::nearbyint(valore);
    std::fesetround(modo);
    // Rounding up from just below 2^63 lands on 2^63 itself.
    if (arrotondato >= kLimite) {
        throw ErroreProgramma(kOperazioneNonValida);
    }
    return static_cast<qint64>(arrotondato);
}

int percentualeALivello(int percentuale)
{
    return static_cast<int>(arrotondaPari(qint64(percentuale) * 51, 20));
}

int livelloAPercentuale(int livello)
{
    return static_cast<int>(arrotondaPari(qint64(livello) * 20, 51));
}

int percentualeALivelloPeriferica(int percentuale)
{
    return static_cast<int>(arrotondaPari(qint64(percentuale) * 63, 100));
}

int livelloPerifericaAPercentuale(int livello)
{
    return static_cast<int>(arrotondaPari(qint64(livello) * 100, 63));
}

qint64 scalaAnalogico(qint64 grezzo, double minimo, double massimo)
{
    return arrotondaPari(minimo + double(grezzo) * (massimo - minimo) / 65535.0);
}

qint64 scalaAnalogico(const QString &grezzo, const QString &minimo, const QString &massimo)
{
    const int valore = StrToInt(grezzo);
    return scalaAnalogico(valore, StrToFloat(minimo), StrToFloat(massimo));
}

int livelloAllarme(double soglia, double minimo, double massimo)
{
    if (massimo == minimo) {
        throw ErroreProgramma(QStringLiteral("Division by zero"));
    }
    const double livello = (soglia - minimo) * 255.0 / (massimo - minimo);
    if (std::isnan(livello)) {
        throw ErroreProgramma(kOperazioneNonValida);
    }
    // A threshold outside the range is the range's own end, never a mirrored or cut level.
    return static_cast<int>(arrotondaPari(std::clamp(livello, 0.0, 255.0)));
}

double StrToFloat(const QString &testo)
{
    const std::optional<double> valore = NumeroDecimale(testo);
    if (!valore) {
        throw ErroreProgramma(
            QStringLiteral("'%1' is not a valid floating point value").arg(testo));
    }
    return *valore;
}

} // namespace Conversioni
