// The kept analog readings: what one reading costs to keep, what a full day of eight inputs
// occupies, the trend window over a full day shown and painted, what it costs open, and the
// export of a full day.
#include "MisureProcesso.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "config/ConfigurazionePredefinita.h"
#include "pages/andamento/FinestraAndamento.h"
#include "pages/andamento/GraficoAndamento.h"
#include "pages/andamento/StoricoAnalogici.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
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

void scegliGiornata(FinestraAndamento &finestra)
{
    finestra.cbIntervallo()->setCurrentIndex(int(FinestraAndamento::Minuti.size()) - 1);
}

// Shows the window and returns once the platform has exposed it: before that, repaint()
// paints nothing.
void mostra(FinestraAndamento &finestra)
{
    finestra.show();
    QElapsedTimer attesa;
    attesa.start();
    while (!(finestra.windowHandle() && finestra.windowHandle()->isExposed()) &&
           attesa.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// A median, or -1 when the plot was not painted each time: scripts/bench counts a figure
// below zero as a missed goal.
double mediana(std::vector<double> tempi, bool dipinto)
{
    if (!dipinto) {
        return -1;
    }
    std::sort(tempi.begin(), tempi.end());
    return tempi.at(tempi.size() / 2);
}

// The trend window opened on 24 h over full rings: from its making to its first paint done.
void BM_AndamentoApertoEDipinto(benchmark::State &stato)
{
    const ValoriConfigurazione valori = configurazione();
    StoricoAnalogici storico(valori);
    riempi(storico, kGiornoS);
    MessaggiRegistrati messaggi;
    std::vector<double> tempi;
    bool dipinto = true;
    for (auto _ : stato) {
        QElapsedTimer tempo;
        tempo.start();
        FinestraAndamento finestra(storico, messaggi);
        finestra.setOrologio(
            [] { return QDateTime::fromMSecsSinceEpoch(kInizio + kGiornoS * 1000); });
        scegliGiornata(finestra);
        mostra(finestra);
        finestra.repaint();
        tempi.push_back(double(tempo.nsecsElapsed()) / 1e6);
        dipinto = dipinto && !finestra.grafico()->isSporco();
    }
    stato.counters["mediana_ms"] = mediana(tempi, dipinto);
    stato.counters["obiettivo_mediana_ms"] = 16;
}

// The shown window's span changed from 10 minutes to 24 h over full rings, until painted.
void BM_AndamentoCambioIntervalloDipinto(benchmark::State &stato)
{
    const ValoriConfigurazione valori = configurazione();
    StoricoAnalogici storico(valori);
    riempi(storico, kGiornoS);
    MessaggiRegistrati messaggi;
    FinestraAndamento finestra(storico, messaggi);
    finestra.setOrologio([] { return QDateTime::fromMSecsSinceEpoch(kInizio + kGiornoS * 1000); });
    mostra(finestra);
    finestra.repaint();
    std::vector<double> tempi;
    bool dipinto = true;
    for (auto _ : stato) {
        stato.PauseTiming();
        finestra.cbIntervallo()->setCurrentIndex(FinestraAndamento::IndiceIniziale);
        finestra.repaint();
        stato.ResumeTiming();
        QElapsedTimer tempo;
        tempo.start();
        scegliGiornata(finestra);
        finestra.repaint();
        tempi.push_back(double(tempo.nsecsElapsed()) / 1e6);
        dipinto = dipinto && !finestra.grafico()->isSporco();
    }
    stato.counters["mediana_ms"] = mediana(tempi, dipinto);
    stato.counters["obiettivo_mediana_ms"] = 16;
}

// The window open on 24 h over full rings for 60 s, with (argument 1) or without (0) the
// board's continuous output arriving: eight readings three times a second. The process's
// CPU over the minute, event loop included.
void BM_AndamentoAperto60s(benchmark::State &stato)
{
    const bool conDati = stato.range(0) != 0;
    const ValoriConfigurazione valori = configurazione();
    StoricoAnalogici storico(valori);
    riempi(storico, kGiornoS);
    MessaggiRegistrati messaggi;
    FinestraAndamento finestra(storico, messaggi);
    scegliGiornata(finestra);
    mostra(finestra);
    finestra.repaint();
    QTimer letture;
    qint64 giro = 0;
    QObject::connect(&letture, &QTimer::timeout, &letture, [&] {
        for (int n = 1; n <= StoricoAnalogici::NumeroIngressi; ++n) {
            storico.aggiungiLetturaOra(n, valore(n, ++giro));
        }
    });
    if (conDati) {
        letture.start(333);
    }
    for (auto _ : stato) {
        const qint64 inizio = cpuNs();
        QEventLoop attesa;
        QTimer::singleShot(60000, &attesa, &QEventLoop::quit);
        attesa.exec();
        stato.counters["cpu_percento"] = double(cpuNs() - inizio) / 60e9 * 100.0;
    }
    stato.counters["obiettivo_cpu_percento"] = conDati ? 2.0 : 0.5;
}

// The export of full rings (691 200 readings) to a file, against writing the same bytes to a
// file the same way.
void BM_EsportaCsvGiornata(benchmark::State &stato)
{
    const ValoriConfigurazione valori = configurazione();
    StoricoAnalogici storico(valori);
    riempi(storico, kGiornoS);
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(QStringLiteral("giornata.csv"));
    std::vector<double> rapporti;
    double megabyte = 0;
    for (auto _ : stato) {
        QElapsedTimer tempo;
        tempo.start();
        storico.esportaCsv(percorso);
        const double esportaNs = double(tempo.nsecsElapsed());
        stato.PauseTiming();
        QFile letto(percorso);
        letto.open(QIODevice::ReadOnly);
        const QByteArray stessi = letto.readAll();
        letto.close();
        megabyte = double(stessi.size()) / 1e6;
        tempo.restart();
        QSaveFile copia(percorso);
        copia.open(QIODevice::WriteOnly);
        for (qsizetype da = 0; da < stessi.size(); da += 64 * 1024) {
            copia.write(stessi.constData() + da,
                        std::min<qsizetype>(64 * 1024, stessi.size() - da));
        }
        copia.commit();
        rapporti.push_back(esportaNs / double(tempo.nsecsElapsed()));
        stato.ResumeTiming();
    }
    std::sort(rapporti.begin(), rapporti.end());
    stato.counters["MB"] = megabyte;
    stato.counters["rapporto_sulla_scrittura"] = rapporti.at(rapporti.size() / 2);
    stato.counters["obiettivo_rapporto_sulla_scrittura"] = 3;
}

} // namespace

BENCHMARK(BM_AggiungiLettura)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_AggiungiLetturaDaOraLocale)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_GiornataOttoIngressi)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AndamentoApertoEDipinto)->Iterations(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AndamentoCambioIntervalloDipinto)->Iterations(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AndamentoAperto60s)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_EsportaCsvGiornata)->Iterations(7)->Unit(benchmark::kMillisecond);
