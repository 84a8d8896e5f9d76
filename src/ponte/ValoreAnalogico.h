#pragma once

#include <QString>

// An analog input's reading as Home Assistant gets it: the scaled value with the decimals its
// 16-bit reading can tell apart on the configured range, and the configuration page's unit as
// one of Home Assistant's, with the device class it implies.
namespace ValoreAnalogico {

// Decimals worth showing for a range: one step of the last decimal is not finer than one count
// of the reading (0..5 gives 4, -20..50 gives 2, 0..65535 none).
int decimali(double minimo, double massimo);

// The reading 0..65535 on the range, written with decimali() decimals and a '.'.
QString testo(int grezzo, double minimo, double massimo);

struct UnitaHomeAssistant
{
    QString unita;  // empty: none
    QString classe; // device_class, empty when the unit does not tell it
};

// "°C" is a temperature, "Km/h" a speed in "km/h", "VDC" a voltage in "V"; "%" has no class of
// its own; "ATM" is no unit Home Assistant knows: "atm", with no class.
UnitaHomeAssistant unitaHomeAssistant(const QString &unitaPannello);

} // namespace ValoreAnalogico
