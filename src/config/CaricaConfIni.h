#pragma once

class DestinatariConfigurazione;
class PaginaConfigurazione;
struct ValoriProgramma;

// Reloads the 50 "OPTION" keys of the settings file into the program-wide values (a missing
// key gets its default) and pushes them into the configuration page and the board pages.
// A unit index that is not a whole number throws ErroreConversione at the step that converts
// it: whatever was pushed before stays, the rest keeps its previous contents.
void CaricaConfIni(ValoriProgramma &valori, PaginaConfigurazione &pagina,
                   DestinatariConfigurazione &destinatari);
