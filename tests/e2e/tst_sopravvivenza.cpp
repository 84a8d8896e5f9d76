// Faults the panel must live through, end to end: the serial line hung up under an open page,
// TCP refused and dropped again and again, a flood of text that never brings a ready prompt.
#include "BancoFinestra.h"
#include "Colori.h"
#include "SimulatoreScheda.h"
#include "Supporto.h"

#include "app/BarraStato.h"
#include "app/FinestraConsole.h"
#include "app/NavigazionePagine.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/Seriale.h"
#include "link/TrasportoSeriale.h"
#include "link/TrasportoTcp.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/SessioneScheda.h"
#include "Pty.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "Sanitizzato.h"

#ifdef BRIVOLA_ASAN
// From the AddressSanitizer runtime (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

const QString kNonEffettuata = QStringLiteral("Attenzione Connessione non effettuata. Verificare!");

// Heap in use. Under AddressSanitizer freed blocks sit in its quarantine, so the resident size
// says nothing there; its allocator's count of live bytes does.
qint64 heapInUso()
{
#ifdef BRIVOLA_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#endif
}

qint64 residenteKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> campi = statm.readAll().split(' ');
    return campi.value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
}

qsizetype descrittoriAperti()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
}

// Every byte value but '?', so no ready prompt can form, in any split.
QByteArray bloccoSenzaPronto()
{
    QByteArray blocco;
    for (int giro = 0; giro < 64; ++giro) {
        for (int c = 0; c < 256; ++c) {
            if (c != '?') {
                blocco.append(char(c));
            }
        }
    }
    return blocco;
}

// Gaps between the ticks of the window's one-second clock.
class OsservaOrologio
{
public:
    explicit OsservaOrologio(TfrmMain &finestra)
    {
        auto *timer = finestra.findChild<QTimer *>(QStringLiteral("timTimerOra"));
        Q_ASSERT(timer);
        m_tempo.start();
        QObject::connect(timer, &QTimer::timeout, &m_contesto, [this] {
            m_massimo = qMax(m_massimo, m_tempo.restart());
            ++m_battiti;
        });
    }
    int battiti() const { return m_battiti; }
    // Including the time since the last tick.
    qint64 intervalloMassimo() const { return qMax(m_massimo, m_tempo.elapsed()); }

private:
    QObject m_contesto;
    QElapsedTimer m_tempo;
    qint64 m_massimo = 0;
    int m_battiti = 0;
};

} // namespace

class TestSopravvivenza : public QObject
{
    Q_OBJECT

private slots:
    void serialeChiusoERiaperto();
    void tcpRifiutatoECadutoCentoVolte();
    void inondazioneSenzaPronto_data();
    void inondazioneSenzaPronto();
};

// The board's end of the serial line goes away while the relay page is open, then comes back.
void TestSopravvivenza::serialeChiusoERiaperto()
{
    auto scheda = std::make_unique<SimulatoreScheda>();
    scheda->setDeriva(false);
    scheda->stato().rele[2] = true;
    const QString primo = scheda->apriPty();
    QVERIFY2(!primo.isEmpty(), qPrintable(scheda->errore()));
    BancoFinestra banco;
    QVERIFY(scriviPorteSeriale(banco.cartella(), primo));
    banco.setTempi(tempiBrevi());
    QVERIFY(banco.mostra());
    TfrmMain &finestra = banco.finestra();
    MessaggiRegistrati &messaggi = banco.messaggi();
    const PaginaUsciteDigitali &pagina = *finestra.navigazione().paginaUsciteDigitali();
    Seriale &seriale = finestra.collegamento().seriale().seriale();

    QTest::mouseClick(finestra.findChild<QWidget *>(QStringLiteral("lbUD")), Qt::LeftButton);
    QTRY_COMPARE(colori(pagina), QStringLiteral("GGRGGGGG"));
    QVERIFY(seriale.isOpen());
    QVERIFY(banco.attendiInvii());

    QSignalSpy chiusa(&seriale, &Seriale::chiusa);
    scheda.reset();
    QVERIFY(chiusa.wait(5000));
    QVERIFY(!seriale.isOpen());

    // The page stays open on a dead line: nothing may spin on it.
    const qint64 prima = tempoCpuNs();
    QTest::qWait(1000); // a measuring window, not a synchronisation
    const qint64 usatiMs = (tempoCpuNs() - prima) / 1000000;
    QVERIFY2(usatiMs < 200, qPrintable(QString::number(usatiMs) + " ms"));
    QCOMPARE(chiusa.size(), 1);
    QCOMPARE(finestra.paginaAttiva(), int(ValoriProgramma::UsciteDigitali));
    // A click on the dead line is no crash and sends nothing anywhere.
    QTest::mouseClick(finestra.findChild<QWidget *>(QStringLiteral("sbUDRich")), Qt::LeftButton);
    QVERIFY(banco.attendiInvii(5000));

    // The board is back, on a line of its own; the next page entry opens it and shows its relays.
    scheda = std::make_unique<SimulatoreScheda>();
    scheda->setDeriva(false);
    scheda->stato().rele[6] = true;
    const QString secondo = scheda->apriPty();
    QVERIFY2(!secondo.isEmpty(), qPrintable(scheda->errore()));
    QVERIFY(scriviPorteSeriale(banco.cartella(), secondo));
    messaggi.svuota();
    QTest::mouseClick(finestra.findChild<QWidget *>(QStringLiteral("sbHome1")), Qt::LeftButton);
    QTest::mouseClick(finestra.findChild<QWidget *>(QStringLiteral("lbUD")), Qt::LeftButton);
    QVERIFY(seriale.isOpen());
    QTRY_COMPARE(colori(pagina), QStringLiteral("GGGGGGRG"));
    QVERIFY2(messaggi.voci().isEmpty(), qPrintable(messaggi.voci().value(0).testo));
}

// A hundred refused connections and a hundred dropped ones: the status says so each time,
// nothing leaks, and the link still works afterwards.
void TestSopravvivenza::tcpRifiutatoECadutoCentoVolte()
{
    quint16 rifiutata = 0;
    {
        QTcpServer libero;
        QVERIFY(libero.listen(QHostAddress::LocalHost, 0));
        rifiutata = libero.serverPort();
    }
    SimulatoreScheda scheda;
    scheda.setDeriva(false);
    const quint16 porta = scheda.avviaTcp();
    QVERIFY(porta != 0);
    BancoFinestra banco;
    QVERIFY(scriviPorteTcp(banco.cartella(), porta));
    banco.setTempi(tempiBrevi());
    TfrmMain &finestra = banco.crea();
    finestra.show();
    MessaggiRegistrati &messaggi = banco.messaggi();
    TrasportoTcp &collegamento = finestra.collegamento().tcp();
    BarraStato &barra = *finestra.barraStato();
    const QString attivo =
        QStringLiteral("Connessione TCP Attiva --  IP: 127.0.0.1  Porta: %1").arg(porta);
    const QString rifiuto = QStringLiteral("Asynchronous socket error %1").arg(ECONNREFUSED);

    const auto giro = [&]() -> bool {
        collegamento.ConnettiTcp(QStringLiteral("127.0.0.1"), QString::number(rifiutata));
        if (!QTest::qWaitFor([&] { return !messaggi.voci().isEmpty(); }, 5000)) {
            return false;
        }
        // The specified text, then the address tried and why on a line of its own.
        const QStringList errori = messaggi.testi(MessaggiRegistrati::Tipo::Errore);
        if (errori.size() != 1 || errori.first().section(QLatin1Char('\n'), 0, 0) != rifiuto ||
            barra.testo(0) != kNonEffettuata || collegamento.isAttivo()) {
            return false;
        }
        messaggi.svuota();
        collegamento.ConnettiTcp(QStringLiteral("127.0.0.1"), QString::number(porta));
        if (!QTest::qWaitFor([&] { return collegamento.isAttivo(); }, 5000) ||
            barra.testo(0) != attivo) {
            return false;
        }
        // Wait for the board to have the client too, or it has nothing to close.
        if (!QTest::qWaitFor([&] { return scheda.isClienteConnesso(); }, 5000)) {
            return false;
        }
        scheda.chiudiConnessione();
        return QTest::qWaitFor([&] { return !collegamento.isAttivo(); }, 5000) &&
               barra.testo(0) == kNonEffettuata && messaggi.voci().isEmpty();
    };

    // One round first, so that what Qt sets up once is not counted as a leak.
    QVERIFY(giro());
    const qsizetype descrittori = descrittoriAperti();
    const qint64 heap = heapInUso();
    for (int volta = 2; volta <= 100; ++volta) {
        QVERIFY2(giro(), qPrintable(QStringLiteral("round %1: %2 / %3")
                                        .arg(volta)
                                        .arg(barra.testo(0), messaggi.voci().value(0).testo)));
    }
    QVERIFY2(descrittoriAperti() <= descrittori + 2,
             qPrintable(QStringLiteral("%1 -> %2").arg(descrittori).arg(descrittoriAperti())));
    const qint64 crescita = heapInUso() - heap;
    QVERIFY2(crescita < 1024 * 1024, qPrintable(QString::number(crescita) + " bytes"));

    // After all that, a page entry connects and shows the board's relays.
    scheda.stato().rele[4] = true;
    QTest::mouseClick(finestra.findChild<QWidget *>(QStringLiteral("lbUD")), Qt::LeftButton);
    QTRY_COMPARE(colori(*finestra.navigazione().paginaUsciteDigitali()),
                 QStringLiteral("GGGGRGGG"));
    QCOMPARE(barra.testo(0), attivo);
    QVERIFY2(messaggi.voci().isEmpty(), qPrintable(messaggi.voci().value(0).testo));
}

void TestSopravvivenza::inondazioneSenzaPronto_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::newRow("TCP") << true;
    QTest::newRow("seriale") << false;
}

// 100 MB without a ready prompt from a board gone mad, with the relay page waiting: memory
// stays bounded, the clock keeps ticking, and the first real response afterwards is shown.
void TestSopravvivenza::inondazioneSenzaPronto()
{
    QFETCH(bool, tcp);
    constexpr qint64 kTotale = 100 * 1000 * 1000;
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Pty pty;
    QVERIFY(pty.isValido());
    BancoFinestra banco;
    QVERIFY(tcp ? scriviPorteTcp(banco.cartella(), server.serverPort())
                : scriviPorteSeriale(banco.cartella(), pty.nome()));
    // The request waits for its prompt however long the flood lasts, and the flood is not
    // taken for a silent board.
    Temporizzazioni tempi = tempiBrevi();
    tempi.attesaProntoMs = 600000;
    tempi.silenzioMs = 600000;
    banco.setTempi(tempi);
    QVERIFY(banco.mostra());
    TfrmMain &finestra = banco.finestra();
    MessaggiRegistrati &messaggi = banco.messaggi();
    SessioneScheda &sessione = finestra.sessione();
    Collegamento &collegamento = finestra.collegamento();
    collegamento.VerificaCollegamento();
    std::unique_ptr<QTcpSocket> lato;
    // What the panel wrote to the board.
    QByteArray scritto;
    int fd = -1;
    if (tcp) {
        collegamento.tcp().ConnettiTcp(QStringLiteral("127.0.0.1"),
                                       QString::number(server.serverPort()));
        QVERIFY(server.waitForNewConnection(5000));
        lato.reset(server.nextPendingConnection());
        connect(lato.get(), &QTcpSocket::readyRead, this, [&] { scritto += lato->readAll(); });
        QTRY_VERIFY(collegamento.tcp().isAttivo());
        // The writer thread blocks on its own copy of the descriptor.
        fd = ::dup(int(lato->socketDescriptor()));
        QVERIFY(fd >= 0);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    } else {
        QVERIFY(collegamento.seriale().isAttivo());
    }
    // The relay page asks for its states and waits for the board's prompt.
    finestra.navigazione().mostraPagina(ValoriProgramma::UsciteDigitali);
    QTest::mouseClick(finestra.findChild<QWidget *>(QStringLiteral("sbUDRich")), Qt::LeftButton);
    QVERIFY(sessione.invio().isOccupato());

    // A plain event loop, as the program's own: QTest's waits sleep between their rounds.
    QEventLoop ciclo;
    qint64 ricevuti = 0;
    QObject contesto;
    connect(&sessione, &SessioneScheda::datiRicevuti, &contesto,
            [&](const QString &, const QByteArray &dati) {
                ricevuti += dati.size();
                if (ricevuti >= kTotale) {
                    ciclo.quit();
                }
            });
    // The reader hands the log its whole buffer at every read over TCP.
    qsizetype bufferMassimo = 0;
    connect(&sessione.lettore(), &LettoreRisposte::rigaLog, &contesto,
            [&](const QString &testo) { bufferMassimo = qMax(bufferMassimo, testo.size()); });
    OsservaOrologio orologio(finestra);
    const qint64 heap = heapInUso();
    const qint64 residente = residenteKb();

    const QByteArray blocco = bloccoSenzaPronto();
    std::atomic<bool> fermo{false};
    std::thread scrittore([&] {
        qint64 scritti = 0;
        while (scritti < kTotale && !fermo) {
            const QByteArrayView parte(blocco.constData(),
                                       qMin<qint64>(blocco.size(), kTotale - scritti));
            qsizetype n = 0;
            if (tcp) {
                n = ::send(fd, parte.data(), size_t(parte.size()), MSG_NOSIGNAL);
            } else {
                n = pty.scriviParte(parte);
                if (n == 0) {
                    // The line is full until the panel drains it.
                    pollfd attesa{pty.master(), POLLOUT, 0};
                    ::poll(&attesa, 1, 100);
                }
            }
            if (n < 0) {
                return;
            }
            scritti += n;
        }
    });
    QElapsedTimer durata;
    durata.start();
    QTimer::singleShot(200000, &ciclo, &QEventLoop::quit);
    ciclo.exec();
    const bool tutto = ricevuti >= kTotale;
    fermo = true;
    scrittore.join();
    const qint64 ms = durata.elapsed();
    QVERIFY2(tutto, qPrintable(QStringLiteral("%1 of %2 bytes").arg(ricevuti).arg(kTotale)));
    qInfo("%lld MB in %lld ms, %d clock ticks, longest gap %lld ms", kTotale / 1000000, ms,
          orologio.battiti(), orologio.intervalloMassimo());

    QVERIFY(!sessione.isViva());
    // Nothing went out: no prompt ever let the request go.
    QVERIFY(tcp ? scritto.isEmpty() : pty.letti().isEmpty());
    if (tcp) {
        QVERIFY2(bufferMassimo > 0 && bufferMassimo <= LettoreRisposte::MassimoBuffer,
                 qPrintable(QString::number(bufferMassimo)));
    }
    const qint64 crescita = heapInUso() - heap;
    qInfo("heap grew by %lld KiB", crescita / 1024);
    // The receive buffer's 64 K characters and the log's waiting lines, a few MB at most;
    // and the Console's last lines, kept from the start whether it is open or not, each chunk
    // read a line of at most its first MassimoByteRiga bytes.
    const qint64 console =
        qint64(FinestraConsole::MassimoRighe) * (FinestraConsole::MassimoByteRiga + 256);
    QVERIFY2(crescita < 8 * 1024 * 1024 + console,
             qPrintable(QString::number(crescita) + " bytes"));
#ifndef BRIVOLA_ASAN
    const qint64 crescitaResidente = residenteKb() - residente;
    QVERIFY2(crescitaResidente < 30 * 1024,
             qPrintable(QString::number(crescitaResidente) + " KiB"));
#else
    Q_UNUSED(residente);
#endif
    // The clock ticked all along: no gap much over its second.
    QVERIFY2(orologio.intervalloMassimo() < 2500,
             qPrintable(QString::number(orologio.intervalloMassimo()) + " ms"));
    QVERIFY(orologio.battiti() >= ms / 1000 - 1);

    // The board comes to its senses: its prompt lets the request out, and its answer is shown.
    const auto scrivi = [&](const QByteArray &dati) {
        return tcp ? ::send(fd, dati.constData(), size_t(dati.size()), MSG_NOSIGNAL) == dati.size()
                   : pty.scrivi(dati);
    };
    QVERIFY(scrivi("F?"));
    const QByteArray richiesta = tcp ? "*/RS\r\n" : "*/RS";
    QTRY_COMPARE(tcp ? scritto : pty.letti(), richiesta);
    QVERIFY(scrivi("\r\nSTATO USCITE RELE ->00000001<-\r\nF?"));
    QTRY_COMPARE(colori(*finestra.navigazione().paginaUsciteDigitali()),
                 QStringLiteral("RGGGGGGG"));
    QVERIFY(sessione.isViva());
    if (fd >= 0) {
        ::close(fd);
    }
    QVERIFY2(messaggi.voci().isEmpty(), qPrintable(messaggi.voci().value(0).testo));
}

QTEST_MAIN(TestSopravvivenza)
#include "tst_sopravvivenza.moc"
