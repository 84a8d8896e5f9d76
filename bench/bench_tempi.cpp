// Time figures of the running program, each with its goal: CPU used by the sender while it
// waits for a prompt, how much a pause overshoots, how far the gaps between paced pieces on the
// wire are from their nominal time, how soon a reply is painted, and a relay click to its
// read-back painted. Start-up and exit are in bench_avvio, as whole processes.
#include "MisureProcesso.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "core/EsitoInvio.h"
#include "core/Messaggi.h"
#include "core/TestoStato.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Comando.h"
#include "link/Invio.h"
#include "link/Pausa.h"
#include "link/Temporizzazioni.h"
#include "link/TrasportoSeriale.h"
#include "link/TrasportoTcp.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"
#include "settings/Utilita.h"
#include "SimulatoreScheda.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

class TestoStatoMuto : public TestoStato
{
public:
    void impostaTesto(int, const QString &) override {}
    QString testo(int) const override { return {}; }
};

// A board that accepts the connection and never says a word.
struct SchedaMuta
{
    QTemporaryDir cartella;
    QTcpServer server;
    ValoriProgramma valori;

    SchedaMuta()
    {
        server.listen(QHostAddress::LocalHost);
        valori.filePorte = cartella.filePath(QStringLiteral("Porte.INI"));
        ScriviIni(valori.filePorte,
                  {{QStringLiteral("TIPO"), QStringLiteral("Collegamento"), QStringLiteral("1")},
                   {QStringLiteral("TCP"), QStringLiteral("IP"), QStringLiteral("127.0.0.1")},
                   {QStringLiteral("TCP"), QStringLiteral("Porta"),
                    QString::number(server.serverPort())}});
    }
};

// The sender holding a command for the prompt that never comes, until it drops it after
// `attesaProntoMs`: the CPU the process uses meanwhile.
void BM_AttesaPronto5s(benchmark::State &stato)
{
    SchedaMuta scheda;
    TestoStatoMuto testo;
    SessioneScheda sessione(scheda.valori, testo);
    sessione.collegamento().scegliTipoSalvato();
    sessione.collegamento().VerificaCollegamento();
    sessione.collegamento().tcp().caricaImpostazioni();
    sessione.collegamento().avvia();
    AttendiCondizione(5000, [&] { return sessione.collegamento().collegamentoAttivo(); });
    if (!sessione.collegamento().collegamentoAttivo()) {
        stato.SkipWithError("no TCP connection to the silent board");
        return;
    }
    for (auto _ : stato) {
        QEventLoop attesa;
        bool scartato = false;
        EsitoInvio esito;
        esito.scartato = [&] {
            scartato = true;
            attesa.quit();
        };
        esito.scritto = [&] { attesa.quit(); };
        QElapsedTimer tempo;
        tempo.start();
        const qint64 inizio = cpuNs();
        sessione.invio().invia(Protocollo::statoRele(), esito);
        attesa.exec();
        stato.counters["cpu_percento"] =
            double(cpuNs() - inizio) / double(tempo.nsecsElapsed()) * 100.0;
        stato.counters["attesa_ms"] = double(tempo.nsecsElapsed()) / 1e6;
        stato.counters["obiettivo_cpu_percento"] = 0.1;
        if (!scartato) {
            stato.SkipWithError("the command went out without a prompt");
        }
    }
}

// Overshoot of a pause past its nominal time, on the event loop as the sender and the links
// use it: minimum, median and maximum over the runs. A pause never ends early, so the minimum
// stays above zero.
void BM_SforamentoPausa(benchmark::State &stato)
{
    const int ms = int(stato.range(0));
    Pausa pausa;
    QEventLoop ciclo;
    QObject::connect(&pausa, &Pausa::finita, &ciclo, &QEventLoop::quit);
    std::vector<double> sforamenti;
    for (auto _ : stato) {
        QElapsedTimer tempo;
        tempo.start();
        pausa.avvia(ms);
        ciclo.exec();
        sforamenti.push_back(double(tempo.nsecsElapsed()) / 1e6 - ms);
    }
    std::sort(sforamenti.begin(), sforamenti.end());
    stato.counters["minimo_ms"] = sforamenti.front();
    stato.counters["mediana_ms"] = sforamenti.at(sforamenti.size() / 2);
    stato.counters["massimo_ms"] = sforamenti.back();
    stato.counters["obiettivo_mediana_ms"] = 0.2;
}

// What the far end of a link receives, each read with its time, taken on a thread of its own
// so that the panel's event loop does not delay the clock.
class Ascolto
{
public:
    using Orologio = std::chrono::steady_clock;

    explicit Ascolto(int fd) : m_fd(fd)
    {
        m_filo = std::thread([this] {
            char dati[256];
            pollfd attesa{m_fd, POLLIN, 0};
            while (!m_fine) {
                // Woken by the data itself; the timeout only lets the thread see the end.
                if (::poll(&attesa, 1, 50) <= 0) {
                    continue;
                }
                const auto adesso = Orologio::now();
                const ssize_t letti = ::read(m_fd, dati, sizeof dati);
                if (letti <= 0) {
                    return;
                }
                const std::lock_guard<std::mutex> blocco(m_mutex);
                m_arrivi.insert(m_arrivi.end(), std::size_t(letti), adesso);
            }
        });
    }
    ~Ascolto()
    {
        m_fine = true;
        m_filo.join();
        ::close(m_fd);
    }

    // The arrival time of every byte so far, and forgets them.
    std::vector<Orologio::time_point> prendi()
    {
        const std::lock_guard<std::mutex> blocco(m_mutex);
        return std::exchange(m_arrivi, {});
    }

private:
    int m_fd;
    std::atomic<bool> m_fine = false;
    std::thread m_filo;
    std::mutex m_mutex;
    std::vector<Orologio::time_point> m_arrivi;
};

// Writes `comando` `volte` times on `trasporto` and, for every piece after the first of each,
// takes how much later than its nominal pause its first byte arrived.
std::vector<double> scartiSulFilo(Trasporto &trasporto, Ascolto &ascolto, const Comando &comando,
                                  const std::vector<std::pair<int, int>> &pezzi, int volte)
{
    std::vector<double> scarti;
    const qsizetype byte = pezzi.back().first + 1;
    for (int volta = 0; volta < volte; ++volta) {
        QEventLoop fine;
        QObject::connect(&trasporto, &Trasporto::scritturaFinita, &fine, &QEventLoop::quit);
        ascolto.prendi();
        trasporto.scrivi(comando);
        fine.exec();
        // The last piece may still be on its way.
        std::vector<Ascolto::Orologio::time_point> arrivi;
        for (int i = 0; i < 100 && qsizetype(arrivi.size()) < byte; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const auto altri = ascolto.prendi();
            arrivi.insert(arrivi.end(), altri.begin(), altri.end());
        }
        if (qsizetype(arrivi.size()) < byte) {
            return {};
        }
        for (std::size_t j = 1; j < pezzi.size(); ++j) {
            const auto intervallo =
                arrivi.at(std::size_t(pezzi[j].first)) - arrivi.at(std::size_t(pezzi[j - 1].first));
            scarti.push_back(std::chrono::duration<double, std::milli>(intervallo).count() -
                             pezzi[j - 1].second);
        }
    }
    return scarti;
}

void riportaScarti(benchmark::State &stato, std::vector<double> scarti)
{
    if (scarti.empty()) {
        stato.SkipWithError("the far end did not receive the command whole");
        return;
    }
    std::sort(scarti.begin(), scarti.end());
    stato.counters["scarto_minimo_ms"] = scarti.front();
    stato.counters["scarto_mediana_ms"] = scarti.at(scarti.size() / 2);
    stato.counters["scarto_massimo_ms"] = scarti.back();
    stato.counters["scarto_assoluto_ms"] =
        std::max(std::abs(scarti.front()), std::abs(scarti.back()));
    stato.counters["obiettivo_scarto_assoluto_ms"] = 5;
    stato.counters["intervalli"] = double(scarti.size());
}

// "*/ER010S" over TCP, one character every 50 ms, as a local socket receives it.
void BM_IntervalliTcp(benchmark::State &stato)
{
    const int ascoltatore = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in indirizzo{};
    indirizzo.sin_family = AF_INET;
    indirizzo.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t lunghezza = sizeof indirizzo;
    ::bind(ascoltatore, reinterpret_cast<sockaddr *>(&indirizzo), sizeof indirizzo);
    ::listen(ascoltatore, 1);
    ::getsockname(ascoltatore, reinterpret_cast<sockaddr *>(&indirizzo), &lunghezza);

    ValoriProgramma valori;
    TestoStatoMuto testo;
    const Temporizzazioni tempi;
    TrasportoTcp tcp(valori, testo, tempi);
    tcp.setIndirizzo(QStringLiteral("127.0.0.1"), QString::number(ntohs(indirizzo.sin_port)));
    tcp.avvia();
    int connessione = -1;
    AttendiCondizione(5000, [&] {
        if (connessione < 0) {
            connessione = ::accept(ascoltatore, nullptr, nullptr);
        }
        return connessione >= 0 && tcp.isAttivo();
    });
    ::close(ascoltatore);
    if (connessione < 0 || !tcp.isAttivo()) {
        stato.SkipWithError("no local TCP connection");
        return;
    }
    Ascolto ascolto(connessione);
    const Comando comando = Protocollo::statoUsciteUnita(2);
    std::vector<std::pair<int, int>> pezzi;
    for (int i = 0; i < comando.tcp.size(); ++i) {
        pezzi.push_back({i, tempi.carattereTcpMs});
    }
    for (auto _ : stato) {
        riportaScarti(stato, scartiSulFilo(tcp, ascolto, comando, pezzi, 3));
    }
    tcp.chiudi();
}

// The same command on the serial line, "*/E", "R", "010", "S": 800 ms after the first piece,
// 200 ms after each further one, as the far end of a pseudo-terminal receives it.
void BM_IntervalliSeriale(benchmark::State &stato)
{
    int master = -1;
    int slave = -1;
    char nome[128] = {};
    termios modo{};
    cfmakeraw(&modo);
    if (openpty(&master, &slave, nome, &modo, nullptr) != 0) {
        stato.SkipWithError("no pseudo-terminal");
        return;
    }
    QTemporaryDir cartella;
    ValoriProgramma valori;
    valori.filePorte = cartella.filePath(QStringLiteral("Porte.INI"));
    ScriviIni(
        valori.filePorte,
        {{QStringLiteral("TIPO"), QStringLiteral("Collegamento"), QStringLiteral("0")},
         {QStringLiteral("Porta"), QStringLiteral("Numero"), QStringLiteral("1")},
         {QStringLiteral("Porta"), QStringLiteral("Velocita"), QStringLiteral("38400")},
         {QStringLiteral("Porta"), QStringLiteral("Dispositivo"), QString::fromLocal8Bit(nome)}});
    TestoStatoMuto testo;
    const Temporizzazioni tempi;
    TrasportoSeriale seriale(valori, testo, tempi);
    seriale.scelto();
    if (!seriale.isAttivo()) {
        stato.SkipWithError("the serial port did not open the pseudo-terminal");
        return;
    }
    Ascolto ascolto(master);
    const Comando comando = Protocollo::statoUsciteUnita(2);
    std::vector<std::pair<int, int>> pezzi;
    int inizio = 0;
    for (const QString &pezzo : comando.pezziSeriale) {
        pezzi.push_back({inizio, pezzi.empty() ? tempi.primoPezzoMs : tempi.pezzoMs});
        inizio += int(pezzo.size());
    }
    for (auto _ : stato) {
        riportaScarti(stato, scartiSulFilo(seriale, ascolto, comando, pezzi, 3));
    }
    seriale.chiudi();
    ::close(slave);
}

// From the read that brings "F?" to the relay panels repainted: the reader armed for the relay
// outputs' reply, as the sender arms it when "*/RS" goes out, hands it to the page.
void BM_ProntoAPannelliDipinti(benchmark::State &stato)
{
    QTemporaryDir cartella;
    MessaggiRegistrati messaggi;
    TfrmMain finestra(&messaggi, cartella.path());
    finestra.show();
    PaginaUsciteDigitali &pagina = *finestra.navigazione().paginaUsciteDigitali();
    finestra.navigazione().mostraPagina(ValoriProgramma::UsciteDigitali);
    QApplication::processEvents();
    LettoreRisposte &lettore = finestra.sessione().lettore();
    const QByteArray risposte[] = {"\r\nSTATO USCITE RELE ->01010101<-\r\nF?",
                                   "\r\nSTATO USCITE RELE ->10101010<-\r\nF?"};
    int i = 0;
    for (auto _ : stato) {
        lettore.arma(TipoRisposta::Rele, -1,
                     [&pagina](const Risposta &risposta) { pagina.mostraStati(risposta); });
        lettore.ricevi(risposte[i++ % 2]);
        for (int n = 1; n <= 8; ++n) {
            pagina.pannello(n)->repaint();
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
    finestra.navigazione().mostraPagina(ValoriProgramma::UsciteDigitali);
    pagina.lbUDClick();
    // The entry's own request answered and nothing more to send.
    AttendiCondizione(10000, [&] {
        return finestra.sessione().isViva() && !finestra.invio().isOccupato() &&
               finestra.invio().inCoda() == 0;
    });
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
        // The click returns at once: its commands finish going out (the read-back's line end
        // follows the paint) before the next run, as they did while a click waited for them.
        AttendiCondizione(5000, [&] { return !finestra.invio().isOccupato(); });
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
BENCHMARK(BM_IntervalliTcp)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntervalliSeriale)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProntoAPannelliDipinti)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleEReletturaTcp)->Iterations(9)->UseManualTime()->Unit(benchmark::kMillisecond);
