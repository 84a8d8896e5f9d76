#include "ponte/ValoreAnalogico.h"

#include <algorithm>
#include <cmath>

namespace ValoreAnalogico {

int decimali(double minimo, double massimo)
{
    const double ampiezza = std::abs(massimo - minimo);
    if (!std::isfinite(ampiezza) || ampiezza <= 0.0) {
        return 0;
    }
    const double passi = std::floor(std::log10(65535.0 / ampiezza));
    return static_cast<int>(std::clamp(passi, 0.0, 6.0));
}

QString testo(int grezzo, double minimo, double massimo)
{
    double valore = minimo + double(grezzo) * (massimo - minimo) / 65535.0;
    const int cifre = decimali(minimo, massimo);
    // No "-0.00" for a value that rounds to zero.
    const double scala = std::pow(10.0, cifre);
    if (std::round(valore * scala) == 0.0) {
        valore = 0.0;
    }
    return QString::number(valore, 'f', cifre);
}

UnitaHomeAssistant unitaHomeAssistant(const QString &unitaPannello)
{
    const QString u = unitaPannello.trimmed();
    if (u == QStringLiteral("°C")) {
        return {u, QStringLiteral("temperature")};
    }
    if (u.compare(QLatin1String("Km/h"), Qt::CaseInsensitive) == 0) {
        return {QStringLiteral("km/h"), QStringLiteral("speed")};
    }
    if (u == QLatin1String("VDC") || u == QLatin1String("V")) {
        return {QStringLiteral("V"), QStringLiteral("voltage")};
    }
    if (u.compare(QLatin1String("ATM"), Qt::CaseInsensitive) == 0) {
        return {QStringLiteral("atm"), {}};
    }
    return {u, {}};
}

} // namespace ValoreAnalogico
