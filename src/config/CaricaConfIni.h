#pragma once

#include <QStringList>

class DestinatariConfigurazione;
class PaginaConfigurazione;
struct ValoriProgramma;

// Reloads the 50 "OPTION" keys of the settings file into the program-wide values (a missing
// key gets its default) and pushes them into the configuration page and the board pages.
// Key by key: a unit index that is not a whole number falls back to its default and the rest
// loads as the file holds it. Returns one warning per such key, naming the key and the file.
QStringList CaricaConfIni(ValoriProgramma &valori, PaginaConfigurazione &pagina,
                          DestinatariConfigurazione &destinatari);
