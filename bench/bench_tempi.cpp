// Time figures of the running program, each with its goal: CPU used by a ready wait, how much
// the paced pauses overshoot, how soon a reply is painted, and start-up to the first painted
// window with its resident memory.
#include "MisureProcesso.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/Ricezione.h"
#include "settings/Ini.h"
#include "settings/Utilita.h"
#include "SimulatoreScheda.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

// A sender waiting 5 s for a prompt that never comes.
void BM_AttesaPronto5s(benchmark::State &stato)
{
    for (auto _ : stato) {
        const qint64 inizio = cpuNs();
        AttendiCondizione(5000, [] { return false; });
        stato.counters["cpu_percento"] = double(cpuNs() - inizio) / 5e9 * 100.0;
        stato.counters["obiettivo_percento"] = 0.1;
    }
}

// Overshoot of a pause past its nominal time: median and maximum over the runs.
void BM_SforamentoPausa(benchmark::State &stato)
{
    const int ms = int(stato.range(0));
    std::vector<double> sforamenti;
    for (auto _ : stato) {
        QElapsedTimer tempo;
        tempo.start();
        Attendi(ms);
        sforamenti.push_back(double(tempo.nsecsElapsed()) / 1e6 - ms);
    }
    std::sort(sforamenti.begin(), sforamenti.end());
    // A pause never ends early: the minimum stays above zero.
    stato.counters["minimo_ms"] = sforamenti.front();
    stato.counters["mediana_ms"] = sforamenti.at(sforamenti.size() / 2);
    stato.counters["massimo_ms"] = sforamenti.back();
    stato.counters["obiettivo_mediana_ms"] = 0.2;
}

// From the read that brings "F?" to the relay panels repainted.
void BM_ProntoAPannelliDipinti(benchmark::State &stato)
{
    QTemporaryDir cartella;
    MessaggiRegistrati messaggi;
    TfrmMain finestra(&messaggi, cartella.path());
    finestra.show();
    finestra.findChild<QStackedWidget *>(QStringLiteral("pcPagine"))->setCurrentIndex(1);
    QApplication::processEvents();
    const QByteArray risposte[] = {"\r\nSTATO USCITE RELE ->01010101<-\r\nF?",
                                   "\r\nSTATO USCITE RELE ->10101010<-\r\nF?"};
    int i = 0;
    for (auto _ : stato) {
        finestra.valori().tipoRisposta = ValoriProgramma::UsciteDigitali;
        finestra.ricezione().riceviTcp(risposte[i++ % 2]);
        for (int n = 1; n <= 8; ++n) {
            finestra.navigazione().paginaUsciteDigitali()->pannello(n)->repaint();
        }
    }
    stato.counters["obiettivo_ms"] = 0.7;
}

// Relay 1 switched over TCP and read back, against the pacing floor of the two commands:
// twelve characters at 50 ms each. Each command also waits for a fresh prompt from the board.
void BM_ReleEReletturaTcp(benchmark::State &stato)
{
    QTemporaryDir cartella;
    SimulatoreScheda scheda;
    scheda.setDeriva(false);
    const quint16 porta = scheda.avviaTcp();
    ScriviIni(cartella.filePath(QStringLiteral("Porte.INI")),
              {{QStringLiteral("TIPO"), QStringLiteral("Collegamento"), QStringLiteral("1")},
               {QStringLiteral("TCP"), QStringLiteral("IP"), QStringLiteral("127.0.0.1")},
               {QStringLiteral("TCP"), QStringLiteral("Porta"), QString::number(porta)}});
    MessaggiRegistrati messaggi;
    TfrmMain finestra(&messaggi, cartella.path());
    finestra.show();
    PaginaUsciteDigitali &pagina = *finestra.navigazione().paginaUsciteDigitali();
    pagina.lbUDClick();
    for (auto _ : stato) {
        const bool acceso = !scheda.stato().rele[0];
        const QColor atteso =
            acceso ? PannelloPunto::coloreAcceso() : PannelloPunto::coloreSpento();
        QElapsedTimer tempo;
        tempo.start();
        pagina.sbUDNClick(1);
        AttendiCondizione(5000, [&] { return pagina.pannello(1)->colore() == atteso; });
        stato.SetIterationTime(double(tempo.nsecsElapsed()) / 1e9);
    }
    stato.counters["soglia_ms"] = 12 * 50;
}

// A fresh main window until it is painted, and the process's resident memory then.
void BM_AvvioPrimaFinestra(benchmark::State &stato)
{
    for (auto _ : stato) {
        QTemporaryDir cartella;
        MessaggiRegistrati messaggi;
        QElapsedTimer tempo;
        tempo.start();
        TfrmMain finestra(&messaggi, cartella.path());
        finestra.show();
        finestra.repaint();
        QApplication::processEvents();
        stato.counters["avvio_ms"] = double(tempo.nsecsElapsed()) / 1e6;
        stato.counters["residente_MB"] = residenteMb();
        stato.counters["obiettivo_ms"] = 44;
        stato.counters["obiettivo_MB"] = 39;
    }
}

} // namespace

BENCHMARK(BM_AvvioPrimaFinestra)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AttesaPronto5s)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SforamentoPausa)->Arg(50)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SforamentoPausa)->Arg(200)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SforamentoPausa)->Arg(800)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProntoAPannelliDipinti)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleEReletturaTcp)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
