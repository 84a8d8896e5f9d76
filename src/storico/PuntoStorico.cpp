#include "storico/PuntoStorico.h"

std::optional<PuntoStorico> PuntoStorico::daCodice(qint64 codice)
{
    const qint64 famiglia = codice / 1000;
    const qint64 unita = codice % 1000 / 10 - 1;
    const qint64 canale = codice % 10;
    if (codice < 0 || famiglia < 1 || famiglia > 7 || unita < -1 || unita > 7 || canale < 1 ||
        canale > 8) {
        return std::nullopt;
    }
    const auto f = Famiglia(famiglia);
    const bool diUnita = f == Famiglia::UsciteUnita || f == Famiglia::IngressiUnita ||
                         f == Famiglia::CanaliUnita;
    // Board points carry no unit and unit points always one; two outputs only.
    if (diUnita != (unita >= 0) || (f == Famiglia::UsciteAnalogiche && canale > 2)) {
        return std::nullopt;
    }
    return PuntoStorico{f, int(unita), int(canale)};
}

QString PuntoStorico::testo() const
{
    switch (famiglia) {
    case Famiglia::UsciteDigitali:
        return QStringLiteral("Relè %1").arg(canale);
    case Famiglia::IngressiDigitali:
        return QStringLiteral("Ingresso digitale %1").arg(canale);
    case Famiglia::UsciteAnalogiche:
        return QStringLiteral("Uscita analogica %1").arg(canale);
    case Famiglia::IngressiAnalogici:
        return QStringLiteral("Ingresso analogico %1").arg(canale);
    case Famiglia::UsciteUnita:
        return QStringLiteral("Unità %1, uscita %2").arg(unita).arg(canale);
    case Famiglia::IngressiUnita:
        return QStringLiteral("Unità %1, ingresso %2").arg(unita).arg(canale);
    case Famiglia::CanaliUnita:
        return QStringLiteral("Unità %1, canale analogico %2").arg(unita).arg(canale);
    }
    return QString();
}
