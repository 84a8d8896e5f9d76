#include "protocol/Conversioni.h"

#include "core/Errori.h"
#include "settings/Utilita.h"

#include <cfenv>
#include <cmath>

namespace Conversioni {

qint64 arrotondaPari(qint64 numeratore, qint64 denominatore)
{
    if (denominatore < 0) {
        numeratore = -numeratore;
        denominatore = -denominatore;
    }
    // Floor division, then compare twice the remainder with the divisor.
    qint64 quoziente = numeratore / denominatore;
    qint64 resto = numeratore % denominatore;
    if (resto < 0) {
        resto += denominatore;
        --quoziente;
    }
    const qint64 doppio = 2 * resto;
    if (doppio > denominatore || (doppio == denominatore && (quoziente % 2) != 0)) {
        ++quoziente;
    }
    return quoziente;
}

qint64 arrotondaPari(double valore)
{
    // nearbyint follows the current rounding mode; make sure it is to-nearest-even.
    const int modo = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double arrotondato = std::nearbyint(valore);
    std::fesetround(modo);
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

double StrToFloat(const QString &testo)
{
    QString normale = testo.trimmed();
    normale.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double valore = normale.toDouble(&ok);
    if (!ok || !std::isfinite(valore)) {
        throw ErroreProgramma(
            QStringLiteral("'%1' is not a valid floating point value").arg(testo));
    }
    return valore;
}

} // namespace Conversioni
