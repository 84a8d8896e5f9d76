// The kept analog readings: what one reading costs to keep, what a full day of eight inputs
// occupies, and what a redraw of the trend window costs over a full day.
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "config/ConfigurazionePredefinita.h"
#include "pages/andamento/FinestraAndamento.h"
#include "pages/andamento/StoricoAnalogici.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr qint64 kGiornoS = 24 * 60 * 60;
const qint64 kInizio = QDateTime(QDate(2026, 12, 7), QTime(0, 0)).toMSecsSinceEpoch();

ValoriConfigurazione configurazione()
{
    ValoriConfigurazione valori;
    valori.nomiIA = ConfigurazionePredefinita::kNomiIA;
    valori.unitaIA = ConfigurazionePredefinita::kUnitaIA;
    return valori;
}

// A slow wave per input, so values change from one reading to the next.
qint64 valore(int ingresso, qint64 secondo)
{
    return (secondo * (ingresso + 1)) % 1000 - 200;
}

// Eight inputs, one reading a second each, for `secondi`.
void riempi(StoricoAnalogici &storico, qint64 secondi)
{
    for (qint64 s = 0; s < secondi; ++s) {
        for (int n = 1; n <= StoricoAnalogici::NumeroIngressi; ++n) {
            storico.aggiungiLetturaMs(n, valore(n, s), kInizio + s * 1000);
        }
    }
}

qsizetype memoria(const StoricoAnalogici &storico)
{
    qsizetype byte = 0;
    for (int n = 1; n <= StoricoAnalogici::NumeroIngressi; ++n) {
        byte += storico.letture(n).memoria();
    }
    return byte;
}

// One reading appended with every ring already full, as after the first day of running.
void BM_AggiungiLettura(benchmark::State &stato)
{
    const ValoriConfigurazione valori = configurazione();
    StoricoAnalogici storico(valori);
    riempi(storico, kGiornoS);
    qint64 passo = 0;
    for (auto _ : stato) {
        const qint64 s = kGiornoS + passo / StoricoAnalogici::NumeroIngressi;
        const int n = int(passo % StoricoAnalogici::NumeroIngressi) + 1;
        storico.aggiungiLetturaMs(n, valore(n, s), kInizio + s * 1000);
        ++passo;
    }
    stato.counters["letture"] = double(storico.numeroLetture());
}

// The same through the QDateTime entry point with local times, as a caller may hold them: the
// difference is Qt converting a local time to milliseconds since the epoch.
void BM_AggiungiLetturaDaOraLocale(benchmark::State &stato)
{
    const ValoriConfigurazione valori = configurazione();
    StoricoAnalogici storico(valori);
    riempi(storico, kGiornoS);
    std::vector<QDateTime> momenti;
    for (qint64 s = 0; s < 4096; ++s) {
        momenti.push_back(QDateTime::fromMSecsSinceEpoch(kInizio + (kGiornoS + s) * 1000));
    }
    size_t passo = 0;
    for (auto _ : stato) {
        const int n = int(passo % StoricoAnalogici::NumeroIngressi) + 1;
        storico.aggiungiLettura(n, valore(n, qint64(passo)), momenti[passo % momenti.size()]);
        ++passo;
    }
}

// A whole day of 8 inputs x 1 reading/s, from empty: time per reading and the memory the kept
// points take at the end.
void BM_GiornataOttoIngressi(benchmark::State &stato)
{
    const ValoriConfigurazione valori = configurazione();
    qsizetype byte = 0;
    qsizetype letture = 0;
    for (auto _ : stato) {
        StoricoAnalogici storico(valori);
        riempi(storico, kGiornoS);
        byte = memoria(storico);
        letture = storico.numeroLetture();
        benchmark::DoNotOptimize(byte);
    }
    stato.counters["letture"] = double(letture);
    stato.counters["MB"] = double(byte) / (1024.0 * 1024.0);
    stato.counters["per_lettura"] =
        benchmark::Counter(double(stato.iterations()) * double(letture),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A redraw of the trend window over the 24 h span with every ring full.
void BM_RidisegnoGiornata(benchmark::State &stato)
{
    const ValoriConfigurazione valori = configurazione();
    StoricoAnalogici storico(valori);
    riempi(storico, kGiornoS);
    MessaggiRegistrati messaggi;
    FinestraAndamento finestra(storico, messaggi);
    finestra.setOrologio([] { return QDateTime::fromMSecsSinceEpoch(kInizio + kGiornoS * 1000); });
    finestra.cbIntervallo()->setCurrentIndex(int(FinestraAndamento::Minuti.size()) - 1);
    for (auto _ : stato) {
        finestra.aggiorna();
    }
}

} // namespace

BENCHMARK(BM_AggiungiLettura)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_AggiungiLetturaDaOraLocale)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_GiornataOttoIngressi)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RidisegnoGiornata)->Unit(benchmark::kMillisecond);
