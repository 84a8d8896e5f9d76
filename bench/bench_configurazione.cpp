// Loading names, units and ranges from a 5 MB "Impostazioni.INI": each of the 50 keys through
// its own LeggiIni (open and parse the whole file per key), against one parse for all of them.
#include "core/ValoriProgramma.h"
#include "settings/ConfigurazionePredefinita.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "settings/LetturaConfigurazione.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr qsizetype kDimensione = 5 * 1024 * 1024;

// The configuration first, then other sections that make the file large: what a page entry
// wants is a small part of what it has to parse.
struct FileGrande
{
    QTemporaryDir cartella;
    QString percorso;

    FileGrande()
    {
        percorso = cartella.filePath(LayoutIni::kFileImpostazioni);
        QByteArray testo = "[OPTION]\r\n";
        for (int n = 1; n <= 8; ++n) {
            testo += LayoutIni::chiaveUD(n).toUtf8() + "=Uscita " + QByteArray::number(n) + "\r\n" +
                     LayoutIni::chiaveIAT(n).toUtf8() + "=" + QByteArray::number(n % 5) + "\r\n" +
                     LayoutIni::chiaveIAV(n).toUtf8() + "=-10\r\n" +
                     LayoutIni::chiaveIAVM(n).toUtf8() + "=40\r\n";
        }
        testo += "[Impostazioni]\r\nAllarme=10000000\r\nStato=11111111\r\n";
        for (int sezione = 0; testo.size() < kDimensione; ++sezione) {
            testo += "[Registro" + QByteArray::number(sezione) + "]\r\n";
            for (int riga = 0; riga < 200; ++riga) {
                testo += "Voce" + QByteArray::number(riga) +
                         "=2024-01-01 12:00:00;IN 3;23,5 °C;nota di servizio\r\n";
            }
        }
        QFile file(percorso);
        if (!file.open(QIODevice::WriteOnly) || file.write(testo) != testo.size()) {
            percorso.clear();
        }
    }
};

// How the configuration was read before: one LeggiIni per key, defaults for missing keys.
ValoriConfigurazione chiavePerChiave(const QString &file)
{
    namespace P = ConfigurazionePredefinita;
    ValoriConfigurazione c;
    const auto leggi = [&file](auto &valori, const auto &predefiniti, auto chiave) {
        for (std::size_t i = 0; i < valori.size(); ++i) {
            const QString v = LeggiIni(file, LayoutIni::kSezOption, chiave(int(i) + 1));
            valori[i] = v == kErrore ? predefiniti[i] : v;
        }
    };
    leggi(c.nomiUD, P::kNomiUD, LayoutIni::chiaveUD);
    leggi(c.nomiID, P::kNomiID, LayoutIni::chiaveID);
    leggi(c.nomiUA, P::kNomiUA, LayoutIni::chiaveUA);
    leggi(c.nomiIA, P::kNomiIA, LayoutIni::chiaveIA);
    leggi(c.unitaIA, P::kUnitaIA, LayoutIni::chiaveIAT);
    leggi(c.minimiIA, P::kMinimiIA, LayoutIni::chiaveIAV);
    leggi(c.massimiIA, P::kMassimiIA, LayoutIni::chiaveIAVM);
    return c;
}

template <typename Lettura> void misura(benchmark::State &stato, Lettura lettura)
{
    const FileGrande file;
    if (file.percorso.isEmpty()) {
        stato.SkipWithError("file di prova non scritto");
        return;
    }
    double totaleMs = 0;
    for (auto _ : stato) {
        const auto inizio = std::chrono::steady_clock::now();
        const ValoriConfigurazione c = lettura(file.percorso);
        totaleMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - inizio)
                .count();
        // A reading that found nothing would be fast and wrong.
        if (c.nomiUD[7] != QLatin1String("Uscita 8") || c.massimiIA[0] != QLatin1String("40")) {
            stato.SkipWithError("configurazione letta male");
            return;
        }
        benchmark::DoNotOptimize(c);
    }
    stato.counters["file_MB"] = double(QFile(file.percorso).size()) / (1024.0 * 1024.0);
    stato.counters["ms_per_caricamento"] = totaleMs / double(stato.iterations());
    // A page entry or the bridge's start should not stall for the operator to notice.
    stato.counters["obiettivo_ms_per_caricamento"] = 100;
}

void BM_ConfigurazioneChiavePerChiave(benchmark::State &stato)
{
    misura(stato, chiavePerChiave);
}

void BM_ConfigurazioneUnaLettura(benchmark::State &stato)
{
    misura(stato, [](const QString &file) { return LetturaConfigurazione::leggi(file).valori; });
}

} // namespace

BENCHMARK(BM_ConfigurazioneChiavePerChiave)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConfigurazioneUnaLettura)->Iterations(20)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
