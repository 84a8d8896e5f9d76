// Throughput of the reply reader, against the least any reader must do with the same reads:
// take each byte once into the text and look for the ready prompt once. Runs of the two
// alternate, so load from other jobs falls on both alike.
#include "MisureProcesso.h"
#include "SchedaSimulata.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/Protocollo.h"

#include <QByteArray>
#include <QString>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

// 38400 baud at ten bits a byte: the most the board can send on its serial line.
constexpr double ByteSecondoScheda = 3840;

// Continuous output as the simulated board sends it: a round, its prompt, the next round.
QByteArray giriContinui(qsizetype dimensione)
{
    SchedaSimulata scheda(7);
    QByteArray dati;
    dati.reserve(dimensione + 512);
    while (dati.size() < dimensione) {
        dati += (scheda.bloccoContinuo() + Protocollo::FineRiga + Protocollo::Pronto).toLatin1();
        scheda.deriva();
    }
    return dati;
}

// One response of `dimensione` bytes without a frame the reader knows, then its prompt.
QByteArray rispostaLunga(qsizetype dimensione)
{
    QByteArray dati;
    dati.reserve(dimensione + 2);
    for (int i = 0; dati.size() < dimensione - 2; ++i) {
        dati += "RIGA " + QByteArray::number(i) + " ->" + QByteArray::number(i % 977) + "<-\r\n";
    }
    dati.truncate(dimensione - 2);
    return dati + "F?";
}

// The floor: each read taken into a text once and searched for the prompt once.
qint64 passaggioUnico(const QByteArray &dati, qsizetype lettura)
{
    qint64 pronti = 0;
    QString coda;
    for (qsizetype da = 0; da < dati.size(); da += lettura) {
        const QString testo = QString::fromLatin1(dati.mid(da, lettura));
        // A prompt split across two reads is found too, as the reader must.
        const bool spezzato = !coda.isEmpty() && coda.back() == QLatin1Char('F') &&
                              testo.startsWith(QLatin1Char('?'));
        pronti += spezzato ? 1 : 0;
        for (qsizetype i = testo.indexOf(Protocollo::Pronto); i >= 0;
             i = testo.indexOf(Protocollo::Pronto, i + 2)) {
            ++pronti;
        }
        coda = testo.right(1);
    }
    return pronti;
}

struct Giro
{
    double lettoreNs = 0;
    double pavimentoNs = 0;
};

// `giri` runs of the reader, each beside one of the floor, on the same bytes and reads. The
// reader reads as on the serial line (a log line per response) with a listener for rounds, as
// the pages that show inputs have.
std::vector<Giro> misura(const QByteArray &dati, qsizetype lettura, int giri, qint64 &pronti)
{
    std::vector<Giro> misure;
    for (int giro = 0; giro < giri; ++giro) {
        LettoreRisposte lettore;
        qint64 risposte = 0;
        qint64 giriContinui = 0;
        QObject::connect(&lettore, &LettoreRisposte::pronto, &lettore, [&](bool) { ++risposte; });
        QObject::connect(&lettore, &LettoreRisposte::giroContinuo, &lettore,
                         [&](const GiroContinuo &g) { giriContinui += g.analogici.valori.size(); });
        QObject::connect(&lettore, &LettoreRisposte::rigaLog, &lettore,
                         [](const QString &riga) { benchmark::DoNotOptimize(riga.size()); });
        Giro misura;
        qint64 inizio = cpuNs();
        for (qsizetype da = 0; da < dati.size(); da += lettura) {
            lettore.ricevi(dati.mid(da, lettura));
        }
        misura.lettoreNs = double(cpuNs() - inizio);
        inizio = cpuNs();
        const qint64 soglia = passaggioUnico(dati, lettura);
        misura.pavimentoNs = double(cpuNs() - inizio);
        benchmark::DoNotOptimize(giriContinui);
        if (soglia != risposte) {
            // Both must see the same prompts, or the comparison means nothing.
            pronti = -1;
            return misure;
        }
        pronti = risposte;
        misure.push_back(misura);
    }
    return misure;
}

double mediana(std::vector<double> valori)
{
    std::sort(valori.begin(), valori.end());
    return valori.at(valori.size() / 2);
}

void riporta(benchmark::State &stato, const QByteArray &dati, const std::vector<Giro> &misure)
{
    std::vector<double> byteSecondo;
    std::vector<double> rapporti;
    for (const Giro &g : misure) {
        byteSecondo.push_back(double(dati.size()) / (g.lettoreNs / 1e9));
        rapporti.push_back(g.lettoreNs / g.pavimentoNs);
    }
    std::sort(byteSecondo.begin(), byteSecondo.end());
    stato.counters["MBs_minimo"] = byteSecondo.front() / 1e6;
    stato.counters["MBs_mediana"] = mediana(byteSecondo) / 1e6;
    stato.counters["MBs_massimo"] = byteSecondo.back() / 1e6;
    std::sort(rapporti.begin(), rapporti.end());
    stato.counters["rapporto_sul_passaggio_unico_minimo"] = rapporti.front();
    stato.counters["rapporto_sul_passaggio_unico"] = mediana(rapporti);
    stato.counters["rapporto_sul_passaggio_unico_massimo"] = rapporti.back();
    // A core's share the reader would take with the board sending ten times its top rate.
    stato.counters["cpu_percento_10x"] = 10 * ByteSecondoScheda / mediana(byteSecondo) * 100;
}

void esegui(benchmark::State &stato, const QByteArray &dati, int giri)
{
    const qsizetype lettura = stato.range(0);
    for (auto _ : stato) {
        qint64 pronti = 0;
        const std::vector<Giro> misure = misura(dati, lettura, giri, pronti);
        if (pronti < 0) {
            stato.SkipWithError("the reader and the floor saw different prompts");
            return;
        }
        double totale = 0;
        for (const Giro &g : misure) {
            totale += g.lettoreNs;
        }
        stato.SetIterationTime(totale / giri / 1e9);
        riporta(stato, dati, misure);
        stato.counters["pronti"] = double(pronti);
    }
}

// 1 MiB of continuous output (about 3,600 rounds, each parsed into its inputs and readings)
// in reads of the given size.
void BM_LettoreGiriContinui(benchmark::State &stato)
{
    esegui(stato, giriContinui(1 << 20), 9);
    stato.counters["obiettivo_cpu_percento_10x"] = 1;
}

// One 60 KiB response without a prompt until its end, in small reads: a reader that looked at
// the whole buffer again at every read would take hundreds of times the floor here.
void BM_LettoreRispostaLunga(benchmark::State &stato)
{
    esegui(stato, rispostaLunga(60 * 1024), 9);
    stato.counters.erase("cpu_percento_10x");
    stato.counters["obiettivo_rapporto_sul_passaggio_unico"] = 3;
}

} // namespace

BENCHMARK(BM_LettoreGiriContinui)
    ->Arg(16)
    ->Arg(256)
    ->Arg(4096)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LettoreRispostaLunga)
    ->Arg(16)
    ->Arg(256)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
