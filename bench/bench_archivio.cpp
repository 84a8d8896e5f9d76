// The history on disk ("Storico.sqlite"): 30 days of one reading a second for eight inputs
// (20.7 million readings, raw and rollups as the default retention keeps them) opened in the
// trend window and switched between spans; what recording costs at eight readings a second
// plus events; and how many bytes a kept reading takes, rollups included.
#include "MisureProcesso.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "pages/andamento/FinestraAndamento.h"
#include "pages/andamento/GraficoAndamento.h"
#include "pages/andamento/StoricoAnalogici.h"
#include "storico/ScrittoreStorico.h"
#include "storico/Storico.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QPixmap>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr qint64 kGiornoS = 24 * 60 * 60;
constexpr int kGiorni = 30;
const qint64 kFine = QDateTime(QDate(2026, 12, 7), QTime(0, 0)).toMSecsSinceEpoch();
const qint64 kInizio = kFine - kGiorni * kGiornoS * 1000;

qint64 valore(int ingresso, qint64 secondo)
{
    return (secondo * (ingresso + 1)) % 1000 - 200;
}

// The 30 days, made once for every benchmark of the run.
struct Dati
{
    QTemporaryDir cartella;
    QString percorso;
    qint64 letture = 0;
    double secondiCostruzione = 0;
};

Dati &dati()
{
    static Dati *d = [] {
        auto *nuovi = new Dati;
        nuovi->percorso = nuovi->cartella.filePath(Storico::NomeFile);
        QElapsedTimer tempo;
        tempo.start();
        Storico archivio(nuovi->percorso);
        for (int giorno = 0; giorno < kGiorni; ++giorno) {
            for (qint64 s = giorno * kGiornoS; s < (giorno + 1) * kGiornoS; ++s) {
                for (int n = 1; n <= 8; ++n) {
                    archivio.aggiungiLettura(n, kInizio + s * 1000, int(s % 65536), valore(n, s),
                                             QStringLiteral("Ingresso"), QStringLiteral("°C"));
                    ++nuovi->letture;
                }
            }
            // A day a lot, each written before the next is gathered.
            QEventLoop attesa;
            QObject::connect(&archivio, &Storico::scritto, &attesa, &QEventLoop::quit);
            archivio.scriviOra();
            attesa.exec();
        }
        nuovi->secondiCostruzione = double(tempo.elapsed()) / 1000;
        return nuovi;
    }();
    return *d;
}

// The file's size once its journal is folded in, per reading kept.
double bytePerLettura(const Dati &d)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("b"));
        db.setDatabaseName(d.percorso);
        if (db.open()) {
            QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("b"));
    return double(QFileInfo(d.percorso).size()) / double(d.letture);
}

double mediana(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void scegli(FinestraAndamento &finestra, int minuti)
{
    const auto i = std::find(FinestraAndamento::Minuti.begin(), FinestraAndamento::Minuti.end(),
                             minuti) -
                   FinestraAndamento::Minuti.begin();
    finestra.cbIntervallo()->setCurrentIndex(int(i));
}

void mostra(QWidget &finestra)
{
    finestra.show();
    QEventLoop attesa;
    QTimer::singleShot(50, &attesa, &QEventLoop::quit);
    attesa.exec();
}

// The window opened on the last 30 days: from its making to its first paint done.
void BM_Apertura30Giorni(benchmark::State &stato)
{
    Dati &d = dati();
    Storico archivio(d.percorso);
    StoricoAnalogici storico(ValoriConfigurazione{});
    MessaggiRegistrati messaggi;
    std::vector<double> tempi;
    qsizetype punti = 0;
    for (auto _ : stato) {
        QElapsedTimer tempo;
        tempo.start();
        FinestraAndamento finestra(storico, messaggi);
        finestra.setOrologio([] { return QDateTime::fromMSecsSinceEpoch(kFine); });
        finestra.setArchivio(&archivio);
        scegli(finestra, 43200);
        finestra.show();
        // Painted into an image: the lines are read and drawn whether or not a screen shows it.
        const QPixmap immagine = finestra.grafico()->grab();
        tempi.push_back(double(tempo.nsecsElapsed()) / 1e6);
        punti = finestra.serie(8)->points().size();
    }
    stato.counters["mediana_ms"] = mediana(tempi);
    stato.counters["minimo_ms"] = *std::min_element(tempi.begin(), tempi.end());
    stato.counters["massimo_ms"] = *std::max_element(tempi.begin(), tempi.end());
    stato.counters["obiettivo_mediana_ms"] = 50;
    stato.counters["punti_ingresso_8"] = double(punti);
    stato.counters["letture"] = double(d.letture);
    stato.counters["byte_per_lettura"] = bytePerLettura(d);
    stato.counters["obiettivo_byte_per_lettura"] = 25;
    stato.counters["costruzione_s"] = d.secondiCostruzione;
}

// The shown window's span changed from 10 minutes to the span of the argument (minutes) at the
// end of the 30 days, until painted; all eight inputs on one axis, so seven lines dashed.
void BM_CambioIntervallo(benchmark::State &stato)
{
    Dati &d = dati();
    Storico archivio(d.percorso);
    StoricoAnalogici storico(ValoriConfigurazione{});
    MessaggiRegistrati messaggi;
    FinestraAndamento finestra(storico, messaggi);
    finestra.setOrologio([] { return QDateTime::fromMSecsSinceEpoch(kFine); });
    finestra.setArchivio(&archivio);
    mostra(finestra);
    std::vector<double> tempi;
    for (auto _ : stato) {
        stato.PauseTiming();
        scegli(finestra, 10);
        finestra.grafico()->grab();
        stato.ResumeTiming();
        QElapsedTimer tempo;
        tempo.start();
        scegli(finestra, int(stato.range(0)));
        const QPixmap immagine = finestra.grafico()->grab();
        tempi.push_back(double(tempo.nsecsElapsed()) / 1e6);
    }
    stato.counters["mediana_ms"] = mediana(tempi);
    stato.counters["massimo_ms"] = *std::max_element(tempi.begin(), tempi.end());
    stato.counters["obiettivo_mediana_ms"] = 16;
}

// The rows of a span alone, without the window: the rollups of 24 hours (argument 1), 7 days
// (10) or 30 days (60), all inputs.
void BM_LetturaRiassunti(benchmark::State &stato)
{
    Dati &d = dati();
    Storico archivio(d.percorso);
    const int periodo = int(stato.range(0));
    const qint64 durata = periodo == 1 ? kGiornoS * 1000 : periodo == 10 ? 7 * kGiornoS * 1000
                                                                          : 30 * kGiornoS * 1000;
    qsizetype righe = 0;
    for (auto _ : stato) {
        righe = archivio.riassunti(periodo, kFine - durata, kFine).size();
    }
    stato.counters["righe"] = double(righe);
}

// One second of recording: eight readings and an event handed over and written in one
// transaction, on a file that already holds the 30 days. The CPU of that second, as a share
// of one core.
void BM_RegistrazioneUnSecondo(benchmark::State &stato)
{
    Dati &d = dati();
    ScrittoreStorico scrittore(d.percorso, {}, 1000);
    scrittore.apri();
    qint64 s = kGiorni * kGiornoS;
    std::vector<double> cpu;
    for (auto _ : stato) {
        const qint64 inizio = cpuNs();
        LottoStorico lotto;
        for (int n = 1; n <= 8; ++n) {
            lotto.letture.append({n, kInizio + s * 1000, int(s % 65536), valore(n, s)});
        }
        lotto.eventi.append({kInizio + s * 1000, EventoStorico::Tipo::IngressoCambiato, 2001,
                             s % 2, EventoStorico::Origine::Scheda, QStringLiteral("Ingresso")});
        scrittore.scrivi(std::move(lotto));
        cpu.push_back(double(cpuNs() - inizio) / 1e6);
        ++s;
    }
    scrittore.chiudi();
    const double ms = mediana(cpu);
    stato.counters["cpu_ms_per_secondo"] = ms;
    stato.counters["cpu_percento"] = ms / 1000.0 * 100.0;
    stato.counters["cpu_percento_massimo"] = *std::max_element(cpu.begin(), cpu.end()) / 10.0;
    stato.counters["obiettivo_cpu_percento"] = 0.5;
}

} // namespace

BENCHMARK(BM_Apertura30Giorni)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_CambioIntervallo)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Arg(60)
    ->Arg(1440)
    ->Arg(10080)
    ->Arg(43200)
    ->Arg(525600);
BENCHMARK(BM_LetturaRiassunti)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(10)->Arg(60);
BENCHMARK(BM_RegistrazioneUnSecondo)->Unit(benchmark::kMillisecond)->Iterations(300);
