// Throughput of the packet framers: the program's seven framers on one port, some of them
// armed, fed a stream of board replies and noise in port-sized chunks.
#include "link/Framer.h"
#include "link/GestoreFramer.h"

#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr qsizetype Blocco = 8192; // what the port hands over at most per notification

// Replies as the board sends them, with the ready prompt and the continuous-mode chatter.
QByteArray flusso(qsizetype dimensione)
{
    const QList<QByteArray> risposte{
        "\r\nSTATO USCITE RELE ->00010001<-\r\nF?",
        "\r\nSTATO INGRESSI ->00000101<-\r\nF?",
        "\r\nANALOGICO ->00123<-\r\nANALOGICO ->00045<-\r\nF?",
        "\r\nUSCITA ANALOGICA 1 ->050<-\r\nF?",
        "\r\n STATO INGRESSI ->11110000<-\r\nF?",
        "\r\nINGRESSO 3 ATTIVO\r\nINGRESSO 5 ATTIVO\r\n",
        "\r\nCOMANDO NON RICONOSCIUTO\r\nF?",
    };
    QRandomGenerator caso(42);
    QByteArray dati;
    dati.reserve(dimensione + 256);
    while (dati.size() < dimensione) {
        dati += risposte.at(caso.bounded(int(risposte.size())));
        // Line noise between replies, now and then with stray '-' and '<'.
        const int rumore = caso.bounded(24);
        for (int i = 0; i < rumore; ++i) {
            dati += char(caso.bounded(32, 127));
        }
    }
    dati.truncate(dimensione);
    return dati;
}

struct Banco
{
    GestoreFramer gestore;
    std::vector<std::unique_ptr<Framer>> framer;
    qint64 pacchetti = 0;

    explicit Banco(const std::vector<int> &accesi)
    {
        struct Riga
        {
            const char *inizio;
            int timeOut;
        };
        const Riga tabella[] = {
            {"STATO USCITE RELE ->", 60000},
            {"STATO INGRESSI ->", 60000},
            {"->", 2184},
            {"ANALOGICO ->", 60000},
            {"->", 60000},
            {" STATO INGRESSI ->", 60000},
            {"->", 2184},
        };
        gestore.portaAperta();
        for (const auto &riga : tabella) {
            auto f = std::make_unique<Framer>();
            f->setGestore(&gestore);
            f->setStartString(QString::fromLatin1(riga.inizio));
            f->setEndCond(Framer::ecString);
            f->setEndString(QStringLiteral("<-"));
            f->setTimeOut(riga.timeOut);
            QObject::connect(f.get(), &Framer::stringPacket, &gestore,
                             [this](const QString &testo) {
                                 benchmark::DoNotOptimize(testo.size());
                                 ++pacchetti;
                             });
            framer.push_back(std::move(f));
        }
        for (const int indice : accesi) {
            framer.at(std::size_t(indice))->setEnabled(true);
        }
    }

    void alimenta(const QByteArray &dati)
    {
        for (qsizetype da = 0; da < dati.size(); da += Blocco) {
            gestore.riceviDati(dati.mid(da, Blocco));
        }
    }
};

void misura(benchmark::State &stato, const QByteArray &dati, const std::vector<int> &accesi)
{
    Banco banco(accesi);
    for (auto _ : stato) {
        banco.alimenta(dati);
    }
    stato.SetBytesProcessed(int64_t(stato.iterations()) * dati.size());
    stato.counters["pacchetti/giro"] =
        benchmark::Counter(double(banco.pacchetti) / double(stato.iterations()));
    stato.counters["buffer"] = double(banco.gestore.dimensioneBuffer());
}

// adpUD alone on, as on the digital outputs page.
void BM_SetteFramerUnoAcceso(benchmark::State &stato)
{
    const QByteArray dati = flusso(stato.range(0));
    misura(stato, dati, {0});
}

// adpID and adpIA on, as on the analog inputs page.
void BM_SetteFramerDueAccesi(benchmark::State &stato)
{
    const QByteArray dati = flusso(stato.range(0));
    misura(stato, dati, {1, 3});
}

// A flood of junk that keeps beginning start strings and never finishes one.
void BM_RumoreSenzaPacchetti(benchmark::State &stato)
{
    QByteArray dati;
    dati.reserve(stato.range(0));
    for (int i = 0; dati.size() < stato.range(0); ++i) {
        dati += "STATO USCITE RELE -" + QByteArray::number(i) + " ANALOGICO -x <<";
    }
    dati.truncate(stato.range(0));
    misura(stato, dati, {0, 3});
}

} // namespace

BENCHMARK(BM_SetteFramerUnoAcceso)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetteFramerDueAccesi)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RumoreSenzaPacchetti)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Arg(100 << 20)
    ->Unit(benchmark::kMillisecond);
