#pragma once

#include <QString>

#include <optional>

// A board point as the history keeps it: one small number for the family, the peripheral unit
// and the channel, so that a row of readings or an event names its point in two bytes.
struct PuntoStorico
{
    enum class Famiglia {
        UsciteDigitali = 1,
        IngressiDigitali = 2,
        UsciteAnalogiche = 3,
        IngressiAnalogici = 4,
        UsciteUnita = 5,
        IngressiUnita = 6,
        CanaliUnita = 7,
    };

    Famiglia famiglia = Famiglia::UsciteDigitali;
    // Peripheral unit 0..7, -1 for the board's own points.
    int unita = -1;
    // 1..8.
    int canale = 1;

    int codice() const { return int(famiglia) * 1000 + (unita + 1) * 10 + canale; }
    // Nothing for a number no point has (a damaged or foreign row).
    static std::optional<PuntoStorico> daCodice(qint64 codice);
    // "Relè 5", "Ingresso digitale 3", "Unità 2, uscita 4", ...
    QString testo() const;

    friend bool operator==(const PuntoStorico &, const PuntoStorico &) = default;
};
