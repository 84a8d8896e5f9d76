#pragma once

#include <QString>

// Writes `contenuto` to `percorso` as UTF-8, replacing the file.
bool scriviTesto(const QString &percorso, const QString &contenuto);
// The whole file as UTF-8 text, or an empty string.
QString leggiTesto(const QString &percorso);
