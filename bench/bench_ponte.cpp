// brivola-ponte, the program, against the board simulator and a Mosquitto broker of its own:
// an MQTT command to its read-back on the broker, against the same three paced commands sent
// straight through the panel's sender; the bridge's CPU while the board streams its continuous
// output; its resident memory.
#include "MisureProcesso.h"
#include "SimulatoreScheda.h"
#include "core/EsitoInvio.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/TrasportoTcp.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "ponte/TestoStatoRegistro.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"
#include "settings/Utilita.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QThread>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace {

quint16 portaLibera()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

void scrivi(const QString &percorso, const QByteArray &testo)
{
    QFile file(percorso);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(testo);
    }
}

// Handles events until `fatto()` or the limit; checks about every millisecond, as the MQTT
// client's thread posts no Qt events. (Attendi(1) would only sleep: its last fraction of a
// millisecond is slept without events.)
bool aspetta(int limiteMs, const std::function<bool()> &fatto)
{
    QElapsedTimer tempo;
    tempo.start();
    while (!fatto()) {
        if (tempo.elapsed() > limiteMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// The last payload on each topic, from libmosquitto's own thread.
class Ascolto
{
public:
    explicit Ascolto(quint16 porta)
    {
        mosquitto_lib_init();
        m_mosq = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(
            m_mosq, [](mosquitto *, void *o, const mosquitto_message *m) {
                auto *self = static_cast<Ascolto *>(o);
                std::lock_guard blocco(self->m_mutex);
                self->m_ultimi[QByteArray(m->topic)] =
                    QByteArray(static_cast<const char *>(m->payload), m->payloadlen);
            });
        mosquitto_connect(m_mosq, "127.0.0.1", porta, 30);
        mosquitto_subscribe(m_mosq, nullptr, "brivola/#", 0);
        mosquitto_loop_start(m_mosq);
    }
    ~Ascolto()
    {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, true);
        mosquitto_destroy(m_mosq);
    }
    QByteArray ultimo(const QByteArray &argomento)
    {
        std::lock_guard blocco(m_mutex);
        return m_ultimi.value(argomento);
    }
    void pubblica(const QByteArray &argomento, const QByteArray &payload)
    {
        mosquitto_publish(m_mosq, nullptr, argomento.constData(), int(payload.size()),
                          payload.constData(), 1, false);
    }

private:
    mosquitto *m_mosq = nullptr;
    std::mutex m_mutex;
    QHash<QByteArray, QByteArray> m_ultimi;
};

// A broker, a simulated board and the bridge program between them.
struct Banco
{
    QTemporaryDir cartella;
    SimulatoreScheda scheda;
    quint16 portaBroker = portaLibera();
    QProcess broker;
    QProcess ponte;
    std::unique_ptr<Ascolto> ascolto;

    bool avvia(bool continuo)
    {
        scheda.setDeriva(continuo);
        const quint16 portaScheda = scheda.avviaTcp();
        const QDir dir(cartella.path());
        scrivi(dir.filePath(QStringLiteral("mosquitto.conf")),
               "listener " + QByteArray::number(portaBroker) +
                   " 127.0.0.1\nallow_anonymous true\n");
        broker.start(QStringLiteral("mosquitto"),
                     {QStringLiteral("-c"), dir.filePath(QStringLiteral("mosquitto.conf"))});
        if (!broker.waitForStarted() || !aspetta(5000, [&] {
                QTcpSocket prova;
                prova.connectToHost(QHostAddress::LocalHost, portaBroker);
                return prova.waitForConnected(100);
            })) {
            return false;
        }
        scrivi(dir.filePath(QStringLiteral("Porte.INI")),
               "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" +
                   QByteArray::number(portaScheda) + "\n");
        scrivi(dir.filePath(QStringLiteral("Ponte.INI")),
               "[MQTT]\nPorta=" + QByteArray::number(portaBroker) +
                   "\nContinuo=" + (continuo ? "1" : "0") + "\nPeriodo=3600\nUnita=2\n");
        ascolto = std::make_unique<Ascolto>(portaBroker);
        ponte.setStandardErrorFile(dir.filePath(QStringLiteral("ponte.log")));
        ponte.start(QCoreApplication::applicationDirPath() + QStringLiteral("/brivola-ponte"),
                    {QStringLiteral("--impostazioni"), cartella.path()});
        const bool pronto = ponte.waitForStarted() && aspetta(30000, [&] {
                                return ascolto->ultimo("brivola/scheda1/scheda") == "online";
                            });
        if (!pronto) {
            QFile log(dir.filePath(QStringLiteral("ponte.log")));
            log.open(QIODevice::ReadOnly);
            std::fprintf(stderr, "%s\n", log.readAll().constData());
        }
        return pronto;
    }
    ~Banco()
    {
        ascolto.reset();
        for (QProcess *processo : {&ponte, &broker}) {
            processo->terminate();
            processo->waitForFinished(5000);
        }
    }
};

// CPU time of another process, in nanoseconds: the sum over its threads (the MQTT client has
// one of its own) of the scheduler's run time, which counts nanoseconds, not clock ticks.
qint64 cpuProcessoNs(qint64 pid)
{
    qint64 totale = 0;
    const QDir compiti(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &compito : compiti.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(compiti.filePath(compito + QStringLiteral("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly)) {
            totale += schedstat.readAll().split(' ').value(0).toLongLong();
        }
    }
    return totale;
}

// The share of a core `pid` took while this process waited `ms` on its event loop.
double cpuPercento(qint64 pid, int ms)
{
    const qint64 inizio = cpuProcessoNs(pid);
    QElapsedTimer tempo;
    tempo.start();
    Attendi(ms);
    return double(cpuProcessoNs(pid) - inizio) / double(tempo.nsecsElapsed()) * 100.0;
}

// Relay 5 toggled from MQTT until its read-back is on the broker, against the same three
// commands (state, switch, state) sent straight through the panel's paced sender to a board of
// the same pacing, each waiting for its ready prompt and the state for its reply.
void BM_ComandoMqttARilettura(benchmark::State &stato)
{
    Banco banco;
    if (!banco.avvia(false)) {
        stato.SkipWithError("banco non avviato (mosquitto, brivola-ponte?)");
        return;
    }

    SimulatoreScheda sola;
    sola.setDeriva(false);
    const quint16 portaSola = sola.avviaTcp();
    ValoriProgramma valori;
    TestoStatoRegistro testoStato;
    // The board's own pacing: that is what both sides are measured with.
    SessioneScheda sessione(valori, testoStato);
    bool pronto = false;
    QObject::connect(&sessione, &SessioneScheda::pronto, &sessione, [&] { pronto = true; });
    Collegamento &collegamento = sessione.collegamento();
    collegamento.setTipoScelto(TipoCollegamento::Tcp);
    collegamento.tcp().setIndirizzo(QStringLiteral("127.0.0.1"), QString::number(portaSola));
    collegamento.VerificaCollegamento();
    collegamento.avvia();
    aspetta(5000, [&] { return pronto; });
    const auto statoRele = [&] {
        // Shared: a late outcome must not write to a finished wait.
        const auto letto = std::make_shared<bool>(false);
        EsitoInvio esito;
        esito.scartato = [letto] { *letto = true; };
        esito.risposta = [letto](const Risposta &) { *letto = true; };
        sessione.invio().invia(Protocollo::statoRele(), esito);
        aspetta(5000, [&] { return *letto; });
    };

    std::vector<double> ponte;
    std::vector<double> passo;
    bool acceso = false;
    for (auto _ : stato) {
        // Off the boards' prompt period, so that neither side always finds the prompt at once.
        Attendi(QRandomGenerator::global()->bounded(300));
        QElapsedTimer tempo;
        tempo.start();
        statoRele();
        sessione.invio().invia(Protocollo::operaRele(5));
        statoRele();
        passo.push_back(tempo.nsecsElapsed() / 1e6);

        Attendi(QRandomGenerator::global()->bounded(300));
        acceso = !acceso;
        const QByteArray atteso = acceso ? "ON" : "OFF";
        tempo.restart();
        banco.ascolto->pubblica("brivola/scheda1/rele/5/set", "TOGGLE");
        if (!aspetta(10000,
                     [&] { return banco.ascolto->ultimo("brivola/scheda1/rele/5") == atteso; })) {
            stato.SkipWithError("nessuna rilettura");
            return;
        }
        ponte.push_back(tempo.nsecsElapsed() / 1e6);
        stato.SetIterationTime(ponte.back() / 1000.0);
    }
    std::sort(ponte.begin(), ponte.end());
    std::sort(passo.begin(), passo.end());
    const double mediaPonte = ponte.at(ponte.size() / 2);
    const double mediaPasso = passo.at(passo.size() / 2);
    stato.counters["ponte_mediana_ms"] = mediaPonte;
    stato.counters["passo_mediana_ms"] = mediaPasso;
    stato.counters["rapporto"] = mediaPonte / mediaPasso;
    stato.counters["obiettivo_rapporto"] = 1.1;
}

// A Home Assistant scene, 18 commands published at once (8 relays, 8 outputs of unit 2, the 2
// analog outputs), from the first publish to the last read-back on the broker, against the
// paced commands it needs sent straight through the panel's sender: each bank read, the 16
// switches, the 2 levels, each bank read back. Scenes "all on" and "all off" alternate, so
// every switch must be written.
void BM_ScenaMqtt(benchmark::State &stato)
{
    Banco banco;
    if (!banco.avvia(false)) {
        stato.SkipWithError("banco non avviato (mosquitto, brivola-ponte?)");
        return;
    }
    SimulatoreScheda sola;
    sola.setDeriva(false);
    const quint16 portaSola = sola.avviaTcp();
    ValoriProgramma valori;
    TestoStatoRegistro testoStato;
    SessioneScheda sessione(valori, testoStato);
    bool pronto = false;
    QObject::connect(&sessione, &SessioneScheda::pronto, &sessione, [&] { pronto = true; });
    Collegamento &collegamento = sessione.collegamento();
    collegamento.setTipoScelto(TipoCollegamento::Tcp);
    collegamento.tcp().setIndirizzo(QStringLiteral("127.0.0.1"), QString::number(portaSola));
    collegamento.VerificaCollegamento();
    collegamento.avvia();
    aspetta(5000, [&] { return pronto; });

    const int unita = 1; // unit 2
    QList<Comando> passi{Protocollo::statoRele()};
    for (int n = 1; n <= 8; ++n) {
        passi.append(Protocollo::operaRele(n));
    }
    passi.append(Protocollo::statoRele());
    passi.append(Protocollo::statoUsciteUnita(unita));
    for (int n = 1; n <= 8; ++n) {
        passi.append(Protocollo::operaUscitaUnita(unita, n));
    }
    passi.append(Protocollo::statoUsciteUnita(unita));
    passi.append(Protocollo::impostaUscitaAnalogica(1, 102));
    passi.append(Protocollo::impostaUscitaAnalogica(2, 191));
    passi.append(Protocollo::statoUsciteAnalogiche());
    // Every command waits for its prompt, a read for its reply too; the last one ends the run.
    const auto diretti = [&] {
        const auto fatti = std::make_shared<qsizetype>(0);
        const auto avanti = std::make_shared<std::function<void()>>();
        *avanti = [&, fatti, avanti] {
            if (*fatti >= passi.size()) {
                return;
            }
            const Comando &comando = passi.at(*fatti);
            const auto prossimo = [fatti, avanti] {
                ++*fatti;
                (*avanti)();
            };
            EsitoInvio esito;
            esito.scartato = [fatti] { *fatti = -1; };
            if (comando.attesa == TipoRisposta::Nessuna) {
                esito.scritto = prossimo;
            } else {
                esito.risposta = [prossimo](const Risposta &) { prossimo(); };
            }
            sessione.invio().invia(comando, esito);
        };
        (*avanti)();
        const bool fatto =
            aspetta(60000, [&] { return *fatti < 0 || *fatti >= passi.size(); }) && *fatti > 0;
        *avanti = {};
        return fatto;
    };

    const auto scena = [&](bool acceso) {
        const QByteArray voluto = acceso ? "ON" : "OFF";
        const QByteArray livello1 = acceso ? "40" : "60";
        const QByteArray livello2 = acceso ? "75" : "25";
        for (int n = 1; n <= 8; ++n) {
            banco.ascolto->pubblica("brivola/scheda1/rele/" + QByteArray::number(n) + "/set",
                                    voluto);
            banco.ascolto->pubblica(
                "brivola/scheda1/unita/2/uscita/" + QByteArray::number(n) + "/set", voluto);
        }
        banco.ascolto->pubblica("brivola/scheda1/uscita_analogica/1/set", livello1);
        banco.ascolto->pubblica("brivola/scheda1/uscita_analogica/2/set", livello2);
        return aspetta(60000, [&] {
            for (int n = 1; n <= 8; ++n) {
                if (banco.ascolto->ultimo("brivola/scheda1/rele/" + QByteArray::number(n)) !=
                        voluto ||
                    banco.ascolto->ultimo("brivola/scheda1/unita/2/uscita/" +
                                          QByteArray::number(n)) != voluto) {
                    return false;
                }
            }
            return banco.ascolto->ultimo("brivola/scheda1/uscita_analogica/1") == livello1 &&
                   banco.ascolto->ultimo("brivola/scheda1/uscita_analogica/2") == livello2;
        });
    };
    // From "all off", so that the first measured scene has every switch to write.
    if (!scena(false)) {
        stato.SkipWithError("scena iniziale non riletta");
        return;
    }

    std::vector<double> ponte;
    std::vector<double> passo;
    bool acceso = false;
    for (auto _ : stato) {
        Attendi(QRandomGenerator::global()->bounded(300));
        QElapsedTimer tempo;
        tempo.start();
        if (!diretti()) {
            stato.SkipWithError("comandi diretti non conclusi");
            return;
        }
        passo.push_back(tempo.nsecsElapsed() / 1e6);

        Attendi(QRandomGenerator::global()->bounded(300));
        acceso = !acceso;
        tempo.restart();
        if (!scena(acceso)) {
            stato.SkipWithError("scena non riletta");
            return;
        }
        ponte.push_back(tempo.nsecsElapsed() / 1e6);
        stato.SetIterationTime(ponte.back() / 1000.0);
    }
    std::sort(ponte.begin(), ponte.end());
    std::sort(passo.begin(), passo.end());
    stato.counters["comandi"] = double(passi.size());
    stato.counters["ponte_min_ms"] = ponte.front();
    stato.counters["ponte_mediana_ms"] = ponte.at(ponte.size() / 2);
    stato.counters["ponte_max_ms"] = ponte.back();
    stato.counters["passo_min_ms"] = passo.front();
    stato.counters["passo_mediana_ms"] = passo.at(passo.size() / 2);
    stato.counters["passo_max_ms"] = passo.back();
    stato.counters["rapporto"] = ponte.at(ponte.size() / 2) / passo.at(passo.size() / 2);
    stato.counters["obiettivo_rapporto"] = 1.1;
}

// The bridge idle, the board streaming its continuous output every 300 ms with its readings
// drifting: the bridge's CPU share over 10 s and its resident memory.
void BM_PonteARiposoContinuo(benchmark::State &stato)
{
    Banco banco;
    if (!banco.avvia(true)) {
        stato.SkipWithError("banco non avviato (mosquitto, brivola-ponte?)");
        return;
    }
    const qint64 pid = banco.ponte.processId();
    for (auto _ : stato) {
        stato.counters["cpu_percento"] = cpuPercento(pid, 10000);
    }
    stato.counters["obiettivo_cpu_percento"] = 1.0;
    stato.counters["residente_MB"] = residenteMb(pid);
    stato.counters["obiettivo_residente_MB"] = 25;
}

} // namespace

// Relay 1 clicked on the digital outputs page, from the click to its read-back's colour on the
// panel: a panel through the broker and the bridge against a panel over TCP straight to a
// board of the same pacing, run by run in turn, so the ratio holds when the machine's speed
// drifts. Goal: at most 1.1 times.
void BM_ReleAttraversoIlBroker(benchmark::State &stato)
{
    Banco banco;
    if (!banco.avvia(false)) {
        stato.SkipWithError("banco non avviato (mosquitto, brivola-ponte?)");
        return;
    }
    SimulatoreScheda sola;
    sola.setDeriva(false);
    const quint16 portaSola = sola.avviaTcp();
    QTemporaryDir cartellaTcp;
    QTemporaryDir cartellaMqtt;
    scrivi(cartellaTcp.filePath(QStringLiteral("Porte.INI")),
           "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" +
               QByteArray::number(portaSola) + "\n");
    scrivi(cartellaMqtt.filePath(QStringLiteral("Porte.INI")),
           "[TIPO]\nCollegamento=2\n[MQTT]\nPorta=" + QByteArray::number(banco.portaBroker) +
               "\n");
    MessaggiRegistrati messaggiTcp;
    MessaggiRegistrati messaggiMqtt;
    TfrmMain tcp(&messaggiTcp, cartellaTcp.path());
    TfrmMain mqtt(&messaggiMqtt, cartellaMqtt.path());
    for (TfrmMain *finestra : {&tcp, &mqtt}) {
        finestra->show();
        finestra->navigazione().mostraPagina(ValoriProgramma::UsciteDigitali);
        finestra->navigazione().paginaUsciteDigitali()->lbUDClick();
    }
    const auto libera = [](TfrmMain &f) {
        return !f.invio().isOccupato() && f.invio().inCoda() == 0;
    };
    if (!aspetta(20000, [&] { return libera(tcp) && libera(mqtt); })) {
        stato.SkipWithError("pagine non aperte");
        return;
    }
    // One click and its read-back's colour; -1 when it never came.
    const auto clic = [&](TfrmMain &f, bool acceso) {
        PaginaUsciteDigitali &pagina = *f.navigazione().paginaUsciteDigitali();
        const QColor atteso = acceso ? PannelloPunto::coloreAcceso() : PannelloPunto::coloreSpento();
        QElapsedTimer tempo;
        tempo.start();
        pagina.sbUDNClick(1);
        if (!aspetta(10000, [&] { return pagina.pannello(1)->colore() == atteso; })) {
            return -1.0;
        }
        const double ms = tempo.nsecsElapsed() / 1e6;
        // What follows the click (and, through the broker, the read the new state brings)
        // is over before the next run.
        aspetta(10000, [&] { return libera(f); });
        return ms;
    };
    std::vector<double> rapporti;
    std::vector<double> tempiMqtt;
    for (auto _ : stato) {
        Attendi(QRandomGenerator::global()->bounded(300));
        const double viaTcp = clic(tcp, !sola.stato().rele[0]);
        Attendi(QRandomGenerator::global()->bounded(300));
        const double viaMqtt = clic(mqtt, !banco.scheda.stato().rele[0]);
        if (viaTcp <= 0 || viaMqtt <= 0) {
            stato.SkipWithError("lettura non dipinta");
            return;
        }
        tempiMqtt.push_back(viaMqtt);
        rapporti.push_back(viaMqtt / viaTcp);
        stato.SetIterationTime(viaMqtt / 1000.0);
    }
    std::sort(rapporti.begin(), rapporti.end());
    std::sort(tempiMqtt.begin(), tempiMqtt.end());
    stato.counters["mqtt_mediana_ms"] = tempiMqtt.at(tempiMqtt.size() / 2);
    stato.counters["rapporto_min"] = rapporti.front();
    stato.counters["rapporto"] = rapporti.at(rapporti.size() / 2);
    stato.counters["rapporto_max"] = rapporti.back();
    stato.counters["obiettivo_rapporto"] = 1.1;
}

// The bridge's CPU while the board streams its continuous output: with three panels on the
// digital inputs page through the broker (each hears every round), and with none, in turn,
// 5 s each, on the same bridge. Goal: at most 1 % of a core with three panels.
void BM_PonteTrePannelli(benchmark::State &stato)
{
    Banco banco;
    if (!banco.avvia(true)) {
        stato.SkipWithError("banco non avviato (mosquitto, brivola-ponte?)");
        return;
    }
    const qint64 pid = banco.ponte.processId();
    std::vector<double> con;
    std::vector<double> senza;
    for (auto _ : stato) {
        std::vector<std::unique_ptr<QTemporaryDir>> cartelle;
        std::vector<std::unique_ptr<TfrmMain>> pannelli;
        MessaggiRegistrati messaggi;
        for (int i = 0; i < 3; ++i) {
            cartelle.push_back(std::make_unique<QTemporaryDir>());
            scrivi(cartelle.back()->filePath(QStringLiteral("Porte.INI")),
                   "[TIPO]\nCollegamento=2\n[MQTT]\nPorta=" +
                       QByteArray::number(banco.portaBroker) + "\n");
            pannelli.push_back(std::make_unique<TfrmMain>(&messaggi, cartelle.back()->path()));
            TfrmMain &f = *pannelli.back();
            f.show();
            f.navigazione().mostraPagina(ValoriProgramma::IngressiDigitali);
            f.navigazione().paginaIngressiDigitali()->lbIDClick();
        }
        aspetta(20000, [&] {
            return std::all_of(pannelli.cbegin(), pannelli.cend(), [](const auto &f) {
                return f->sessione().collegamento().collegamentoAttivo() &&
                       !f->invio().isOccupato();
            });
        });
        con.push_back(cpuPercento(pid, 5000));
        pannelli.clear();
        senza.push_back(cpuPercento(pid, 5000));
    }
    std::sort(con.begin(), con.end());
    std::sort(senza.begin(), senza.end());
    stato.counters["cpu_percento_min"] = con.front();
    stato.counters["cpu_percento"] = con.at(con.size() / 2);
    stato.counters["cpu_percento_max"] = con.back();
    stato.counters["nessun_pannello_cpu_percento"] = senza.at(senza.size() / 2);
    stato.counters["obiettivo_cpu_percento"] = 1.0;
}

BENCHMARK(BM_ComandoMqttARilettura)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleAttraversoIlBroker)->Iterations(9)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PonteTrePannelli)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScenaMqtt)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PonteARiposoContinuo)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
