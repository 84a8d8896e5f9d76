// Time figures of the running program, each with its goal: CPU used by a ready wait, how much
// the paced pauses overshoot, how soon a reply is painted, and a relay click to its read-back
// painted. Start-up and exit are in bench_avvio, as whole processes.
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
        stato.counters["obiettivo_cpu_percento"] = 0.1;
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

// Sees a relay panel painted in a given colour: the time of its first such paint.
class OsservaPittura : public QObject
{
public:
    explicit OsservaPittura(PannelloPunto *pannello) : m_pannello(pannello)
    {
        pannello->installEventFilter(this);
        m_orologio.start();
    }
    void attendi(const QColor &colore)
    {
        m_colore = colore;
        m_dipintoNs = -1;
    }
    qint64 adessoNs() const { return m_orologio.nsecsElapsed(); }
    qint64 dipintoNs() const { return m_dipintoNs; }

protected:
    bool eventFilter(QObject *, QEvent *evento) override
    {
        if (evento->type() == QEvent::Paint && m_dipintoNs < 0 &&
            m_pannello->colore() == m_colore) {
            m_dipintoNs = m_orologio.nsecsElapsed();
        }
        return false;
    }

private:
    PannelloPunto *m_pannello;
    QElapsedTimer m_orologio;
    QColor m_colore;
    qint64 m_dipintoNs = -1;
};

// Relay 1 switched over TCP, from the click to the read-back painted on its panel, against
// the floor the protocol sets: the paced characters (50 ms each) and the waits for the
// board's ready prompts, up to the last character the board had when the panel was painted.
// A random pause between runs keeps them from locking to the board's prompt period.
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
    OsservaPittura osserva(pagina.pannello(1));
    // Each chunk the board receives, with its time.
    QList<QPair<qint64, QByteArray>> arrivi;
    QObject::connect(&scheda, &SimulatoreScheda::datiRicevuti, &scheda,
                     [&](const QByteArray &dati) {
                         arrivi.append({osserva.adessoNs(), dati});
                     });
    std::vector<double> rapporti;
    std::vector<double> tempi;
    quint32 seme = 1;
    for (auto _ : stato) {
        const bool acceso = !scheda.stato().rele[0];
        osserva.attendi(acceso ? PannelloPunto::coloreAcceso() : PannelloPunto::coloreSpento());
        arrivi.clear();
        const qint64 clic = osserva.adessoNs();
        pagina.sbUDNClick(1);
        AttendiCondizione(5000, [&] { return osserva.dipintoNs() >= 0; });
        // The floor: the last character the board had received when the panel was painted,
        // counted from the click; pacing and prompt waits are all in it.
        double attese = -1;
        for (const auto &arrivo : arrivi) {
            if (arrivo.first <= osserva.dipintoNs()) {
                attese = double(arrivo.first - clic) / 1e6;
            }
        }
        if (attese <= 0 || osserva.dipintoNs() < 0) {
            stato.SkipWithError("the read-back was not painted, or the board saw no command");
            break;
        }
        const double totaleMs = double(osserva.dipintoNs() - clic) / 1e6;
        stato.SetIterationTime(totaleMs / 1e3);
        tempi.push_back(totaleMs);
        rapporti.push_back(totaleMs / attese);
        // Out of step with the prompt for the next run.
        seme = seme * 1103515245u + 12345u;
        Attendi(int(seme % 300));
    }
    std::sort(rapporti.begin(), rapporti.end());
    std::sort(tempi.begin(), tempi.end());
    if (!rapporti.empty()) {
        stato.counters["mediana_ms"] = tempi.at(tempi.size() / 2);
        stato.counters["rapporto_sul_minimo"] = rapporti.at(rapporti.size() / 2);
        stato.counters["obiettivo_rapporto_sul_minimo"] = 1.1;
    }
}

} // namespace

BENCHMARK(BM_AttesaPronto5s)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SforamentoPausa)->Arg(50)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SforamentoPausa)->Arg(200)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SforamentoPausa)->Arg(800)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProntoAPannelliDipinti)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleEReletturaTcp)->Iterations(9)->UseManualTime()->Unit(benchmark::kMillisecond);
