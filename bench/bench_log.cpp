// What the log costs per TCP read of text without a ready prompt, in the real main window:
// CPU per read with the log view hidden and shown, and the memory left after a 200 MiB flood.
#include "MisureProcesso.h"
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "link/Collegamento.h"
#include "link/TrasportoTcp.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

struct Banco
{
    QTemporaryDir cartella;
    MessaggiRegistrati messaggi;
    std::unique_ptr<TfrmMain> finestra;
    // Log lines the reader gave: none means the reads went nowhere and nothing was measured.
    qint64 righe = 0;

    explicit Banco(bool logVisibile)
    {
        // TCP chosen, so the reads take the TCP link's way: a log line at every read.
        ScriviIni(cartella.filePath(QStringLiteral("Porte.INI")),
                  {{QStringLiteral("TIPO"), QStringLiteral("Collegamento"), QStringLiteral("1")},
                   {QStringLiteral("TCP"), QStringLiteral("IP"), QStringLiteral("127.0.0.1")},
                   {QStringLiteral("TCP"), QStringLiteral("Porta"), QStringLiteral("1")}});
        finestra = std::make_unique<TfrmMain>(&messaggi, cartella.path());
        finestra->collegamento().VerificaCollegamento();
        QObject::connect(&finestra->sessione().lettore(), &LettoreRisposte::rigaLog, finestra.get(),
                         [this] { ++righe; });
        finestra->show();
        if (logVisibile) {
            finestra->findChild<QAction *>(QStringLiteral("mVisioneLog"))->trigger();
        }
        QApplication::processEvents();
    }

    // A read as the TCP link hands it over: the session records it and the reader takes it.
    void leggi(const QByteArray &dati) const
    {
        emit finestra->collegamento().tcp().datiRicevuti(dati);
    }
};

// A 10 KiB/s trickle of text without "F?": a 100-byte read every 10 ms, with the event loop
// running in between as in the program, so work the window defers is counted too. The
// receive buffer, and each log line, grow to 64 KiB.
void misuraLettura(benchmark::State &stato, bool logVisibile)
{
    Banco banco(logVisibile);
    const QByteArray lettura(100, 'x');
    // Fill the buffer first: the goal holds whatever it holds.
    for (int i = 0; i < 1000; ++i) {
        banco.leggi(lettura);
    }
    QApplication::processEvents();
    const auto pausa = [] {
        QEventLoop attesa;
        QTimer::singleShot(10, &attesa, &QEventLoop::quit);
        attesa.exec();
    };
    // The same loop without the reads: what the event loop's wake-ups cost on their own,
    // taken off so the figure is the read's.
    const int giri = 300;
    const qint64 inizioVuoto = cpuNs();
    for (int i = 0; i < giri; ++i) {
        pausa();
    }
    const double vuotoMs = double(cpuNs() - inizioVuoto) / 1e6 / giri;
    const qint64 inizio = cpuNs();
    for (auto _ : stato) {
        banco.leggi(lettura);
        pausa();
    }
    const double conLetturaMs = double(cpuNs() - inizio) / 1e6 / double(stato.iterations());
    const double lettura_ms = std::max(0.0, conLetturaMs - vuotoMs);
    if (banco.righe < stato.iterations()) {
        stato.SkipWithError("the reads did not reach the reader's log");
        return;
    }
    stato.counters["ms_ciclo_vuoto"] = vuotoMs;
    stato.counters["ms_per_lettura"] = lettura_ms;
    stato.counters["obiettivo_ms_per_lettura"] = 0.5;
    // A 10 KiB/s trickle: a hundred reads a second, loop included.
    stato.counters["rivolo_10KiBs_percento"] = conLetturaMs * 100 / 10;
    stato.counters["obiettivo_rivolo_10KiBs_percento"] = 5;
}

void BM_LetturaLogNascosto(benchmark::State &stato)
{
    misuraLettura(stato, false);
}

void BM_LetturaLogVisibile(benchmark::State &stato)
{
    misuraLettura(stato, true);
}

// 200 MiB in 64 KiB reads, none with a prompt; then the process's resident memory.
void BM_Inondazione200MiB(benchmark::State &stato)
{
    for (auto _ : stato) {
        Banco banco(stato.range(0) != 0);
        const QByteArray lettura(64 * 1024, 'x');
        for (int i = 0; i < 200 * 16; ++i) {
            banco.leggi(lettura);
            QApplication::processEvents();
        }
        if (banco.righe == 0) {
            stato.SkipWithError("the reads did not reach the reader's log");
            return;
        }
        stato.counters["residente_MB"] = residenteMb();
        stato.counters["obiettivo_residente_MB"] = 60;
    }
}

} // namespace

BENCHMARK(BM_LetturaLogNascosto)
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_LetturaLogVisibile)
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Inondazione200MiB)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
