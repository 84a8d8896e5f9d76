#include "settings/LetturaConfigurazione.h"

#include "core/Errori.h"
#include "settings/ConfigurazionePredefinita.h"
#include "settings/Ini.h"
#include "settings/IniLetto.h"
#include "settings/LayoutIni.h"
#include "settings/Utilita.h"

#include <array>
#include <cstddef>

namespace {

// Only the exact marker counts as missing; an empty value is a value.
template <std::size_t N>
void leggiVoci(const IniLetto &ini, std::array<QString, N> &valori,
               const std::array<QString, N> &predefiniti, QString (*chiave)(int))
{
    for (std::size_t i = 0; i < N; ++i) {
        const QString valore = ini.valore(LayoutIni::kSezOption, chiave(int(i) + 1));
        valori[i] = valore == kErrore ? predefiniti[i] : valore;
    }
}

} // namespace

LetturaConfigurazione LetturaConfigurazione::leggi(const QString &file)
{
    return leggi(IniLetto(file), file);
}

LetturaConfigurazione LetturaConfigurazione::leggi(const IniLetto &ini, const QString &file)
{
    namespace P = ConfigurazionePredefinita;
    LetturaConfigurazione letta;
    ValoriConfigurazione &c = letta.valori;
    leggiVoci(ini, c.nomiUD, P::kNomiUD, LayoutIni::chiaveUD);
    leggiVoci(ini, c.nomiID, P::kNomiID, LayoutIni::chiaveID);
    leggiVoci(ini, c.nomiUA, P::kNomiUA, LayoutIni::chiaveUA);
    leggiVoci(ini, c.nomiIA, P::kNomiIA, LayoutIni::chiaveIA);
    leggiVoci(ini, c.unitaIA, P::kUnitaIA, LayoutIni::chiaveIAT);
    leggiVoci(ini, c.minimiIA, P::kMinimiIA, LayoutIni::chiaveIAV);
    leggiVoci(ini, c.massimiIA, P::kMassimiIA, LayoutIni::chiaveIAVM);

    // A unit that is not a whole number must not keep every page shut: it takes its default,
    // and the operator hears which key of which file was wrong.
    for (int n = 1; n <= 8; ++n) {
        QString &unita = c.unitaIA[n - 1];
        try {
            StrToInt(unita);
        } catch (const ErroreConversione &) {
            letta.avvisi << QStringLiteral("Valore non valido nel file %1: %2=%3 non è un "
                                           "numero; si usa %4.")
                                .arg(file, LayoutIni::chiaveIAT(n), unita, P::kUnitaIA[n - 1]);
            unita = P::kUnitaIA[n - 1];
        }
    }
    return letta;
}
