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

    // A unit that is not a whole number, or a range end that is not a number, must not keep
    // every page shut or come back at every reading: it takes its default, and the operator
    // hears once which key of which file was wrong.
    const auto sostituisci = [&](QString &valore, const QString &chiave,
                                 const QString &predefinito) {
        letta.avvisi << QStringLiteral("Valore non valido nel file %1: %2=%3 non è un "
                                       "numero; si usa %4.")
                            .arg(file, chiave, valore, predefinito);
        valore = predefinito;
    };
    for (int n = 1; n <= 8; ++n) {
        QString &unita = c.unitaIA[n - 1];
        try {
            StrToInt(unita);
        } catch (const ErroreConversione &) {
            sostituisci(unita, LayoutIni::chiaveIAT(n), P::kUnitaIA[n - 1]);
        }
        if (!NumeroDecimale(c.minimiIA[n - 1])) {
            sostituisci(c.minimiIA[n - 1], LayoutIni::chiaveIAV(n), P::kMinimiIA[n - 1]);
        }
        if (!NumeroDecimale(c.massimiIA[n - 1])) {
            sostituisci(c.massimiIA[n - 1], LayoutIni::chiaveIAVM(n), P::kMassimiIA[n - 1]);
        }
    }
    return letta;
}
