#pragma once

#include "core/ValoriProgramma.h"

#include <QString>
#include <QStringList>

class IniLetto;

// Names, units and ranges of section "OPTION" of "Impostazioni.INI", read from one parse of
// the file: a missing key gets its default, and a unit index that is not a whole number or a
// range end that is not a number gets its default too, with a warning naming the key and the
// file. The panel and the
// MQTT bridge both load their configuration through it.
struct LetturaConfigurazione
{
    ValoriConfigurazione valori;
    QStringList avvisi;

    static LetturaConfigurazione leggi(const QString &file);
    // From a file already parsed; `file` only names it in the warnings.
    static LetturaConfigurazione leggi(const IniLetto &ini, const QString &file);
};
