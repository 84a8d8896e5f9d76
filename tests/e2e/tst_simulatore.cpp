// The simulator over real links, written to the way the panel writes: TCP one character per
// write with a line end, serial in pieces without one, the first piece followed by a pause
// longer than the board's idle period.
#include "SimulatoreScheda.h"

#include "protocol/LettoreRisposte.h"
#include "protocol/Protocollo.h"
#include "settings/Utilita.h"

#include <QProcess>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Protocollo;

namespace {

// The panel's own character pace on TCP, where the board's record of it is checked.
constexpr int kCarattere = 50;
// A quicker writer elsewhere: still one character per write, which the board takes the same.
constexpr int kCarattereRapido = 15;
// The board's idle prompt period on the serial line, and the pauses after a command's first
// piece and after the others, standing to it as the panel's 800 ms and 200 ms stand to the
// board's 300 ms.
constexpr int kIntervalloSeriale = 150;
constexpr int kPrimoPezzo = 400;
constexpr int kPezzo = 100;

// The eight states of a digital reply, channel 1 first.
std::array<bool, 8> stati(const char *otto)
{
    std::array<bool, 8> esito{};
    for (int i = 0; i < 8; ++i) {
        esito[i] = otto[i] == '1';
    }
    return esito;
}

// Panel side of a TCP link: keeps everything received.
class PannelloTcp
{
public:
    explicit PannelloTcp(quint16 porta)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket,
                         [this] { m_ricevuto += m_socket.readAll(); });
        m_socket.connectToHost(QHostAddress::LocalHost, porta);
    }

    bool connesso() { return m_socket.waitForConnected(3000); }
    QTcpSocket &socket() { return m_socket; }

    void scriviLento(const QString &testo, int ms = kCarattereRapido)
    {
        for (const QChar c : testo) {
            m_socket.write(QByteArray(1, c.toLatin1()));
            Attendi(ms);
        }
    }

    QByteArray m_ricevuto;

private:
    QTcpSocket m_socket;
};

// Panel side of the serial link: the pseudo-terminal's slave opened as a plain device.
class PannelloSeriale
{
public:
    explicit PannelloSeriale(const QString &percorso)
        : m_fd(::open(percorso.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (m_fd >= 0) {
            m_notifica = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
            QObject::connect(m_notifica.get(), &QSocketNotifier::activated, m_notifica.get(),
                             [this] {
                                 char buffer[1024];
                                 ssize_t letti = 0;
                                 while ((letti = ::read(m_fd, buffer, sizeof buffer)) > 0) {
                                     m_ricevuto.append(buffer, letti);
                                 }
                             });
        }
    }
    ~PannelloSeriale()
    {
        m_notifica.reset();
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    bool aperto() const { return m_fd >= 0; }

    // The serial sender's rhythm: a long pause after the first piece, a short one after the
    // others.
    void scriviPezzi(const QStringList &pezzi)
    {
        for (int i = 0; i < pezzi.size(); ++i) {
            const QByteArray dati = pezzi.at(i).toLatin1();
            QCOMPARE(::write(m_fd, dati.constData(), dati.size()), ssize_t(dati.size()));
            Attendi(i == 0 ? kPrimoPezzo : kPezzo);
        }
    }

    QByteArray m_ricevuto;

private:
    int m_fd;
    std::unique_ptr<QSocketNotifier> m_notifica;
};

int contaPronti(const QByteArray &dati)
{
    return static_cast<int>(dati.count(QByteArrayLiteral("F?")));
}

} // namespace

class TestSimulatore : public QObject
{
    Q_OBJECT

private slots:
    void releViaTcp();
    void releViaPty();
    void soglieAllarmiViaTcp();
    void modoContinuo();
    void nuovoClienteSostituisceIlVecchio();
    void guasti();
    void programmaStampaISuoiCollegamenti();
};

void TestSimulatore::releViaTcp()
{
    SimulatoreScheda scheda;
    scheda.setDeriva(false);
    scheda.setIntervallo(150);
    const quint16 porta = scheda.avviaTcp();
    QVERIFY(porta != 0);
    PannelloTcp pannello(porta);
    QVERIFY(pannello.connesso());
    // Idle: the prompt comes again and again.
    QTRY_VERIFY_WITH_TIMEOUT(contaPronti(pannello.m_ricevuto) >= 2, 3000);

    QSignalSpy eseguiti(&scheda, &SimulatoreScheda::comandoEseguito);
    pannello.m_ricevuto.clear();
    pannello.scriviLento(operaRele(5).tcp, kCarattere);
    QCOMPARE(eseguiti.size(), 1);
    QCOMPARE(eseguiti.first().first().toString(), QStringLiteral("*/R5"));
    QVERIFY(scheda.stato().rele[4]);
    // Nothing but prompts answers an operate command, and no prompt came in the middle of it.
    QVERIFY(!pannello.m_ricevuto.contains("->"));
    QTRY_VERIFY(pannello.m_ricevuto.contains("F?"));

    pannello.m_ricevuto.clear();
    pannello.scriviLento(statoRele().tcp, kCarattere);
    QTRY_VERIFY(pannello.m_ricevuto.contains("<-"));
    QTRY_VERIFY(pannello.m_ricevuto.indexOf("F?") > pannello.m_ricevuto.indexOf("<-"));
    const QString testo = QString::fromLatin1(pannello.m_ricevuto);
    QVERIFY(testo.startsWith(InizioRele));
    // As the panel reads it: one whole frame, relay 5 on.
    const Risposta rele = LettoreRisposte::leggi(testo, TipoRisposta::Rele);
    QVERIFY(rele.completa() && rele.rigorosa);
    QCOMPARE(rele.stati, stati("00001000"));
    QVERIFY(!testo.left(testo.indexOf(QLatin1String("<-"))).contains(QLatin1String("F?")));

    // After the reply the board keeps prompting while idle.
    const int prima = contaPronti(pannello.m_ricevuto);
    QTRY_VERIFY_WITH_TIMEOUT(contaPronti(pannello.m_ricevuto) >= prima + 2, 3000);

    // The record shows the one-character pacing.
    const QList<SimulatoreScheda::Blocco> ricevuti = scheda.ricevuti();
    QVERIFY(ricevuti.size() >= 12);
    QCOMPARE(ricevuti.last().dati, QByteArray("\n"));
    QCOMPARE(ricevuti.last().collegamento, QStringLiteral("TCP"));
    QVERIFY(ricevuti.last().ms - ricevuti.at(ricevuti.size() - 6).ms >= 5 * kCarattere);
}

void TestSimulatore::releViaPty()
{
    SimulatoreScheda scheda;
    scheda.setDeriva(false);
    scheda.setIntervallo(kIntervalloSeriale);
    const QString percorso = scheda.apriPty();
    QVERIFY2(!percorso.isEmpty(), qPrintable(scheda.errore()));

    QSignalSpy eseguiti(&scheda, &SimulatoreScheda::comandoEseguito);
    {
        PannelloSeriale pannello(percorso);
        QVERIFY(pannello.aperto());
        QTRY_VERIFY_WITH_TIMEOUT(contaPronti(pannello.m_ricevuto) >= 1, 3000);

        // "*/R" and "5" further apart than the idle period are one command.
        pannello.scriviPezzi(operaRele(5).pezziSeriale);
        QCOMPARE(eseguiti.size(), 1);
        QVERIFY(scheda.stato().rele[4]);

        pannello.m_ricevuto.clear();
        pannello.scriviPezzi(statoRele().pezziSeriale);
        QTRY_VERIFY(pannello.m_ricevuto.contains("<-"));
        QTRY_VERIFY(pannello.m_ricevuto.indexOf("F?") > pannello.m_ricevuto.indexOf("<-"));
        const Risposta rele =
            LettoreRisposte::leggi(QString::fromLatin1(pannello.m_ricevuto), TipoRisposta::Rele);
        QVERIFY(rele.completa() && rele.rigorosa);
        QCOMPARE(rele.stati, stati("00001000"));

        // The whole command in one write works as well.
        pannello.scriviPezzi({QStringLiteral("*/R5")});
        QVERIFY(!scheda.stato().rele[4]);
    }

    // A panel that closes and reopens the line finds the board still there.
    const int comandi = eseguiti.size();
    {
        PannelloSeriale secondo(percorso);
        QVERIFY(secondo.aperto());
        QTRY_VERIFY_WITH_TIMEOUT(contaPronti(secondo.m_ricevuto) >= 1, 3000);
        secondo.scriviPezzi(operaRele(1).pezziSeriale);
        QTRY_COMPARE(eseguiti.size(), comandi + 1);
    }
    QVERIFY(scheda.stato().rele[0]);
    QCOMPARE(scheda.ricevuti().last().collegamento, QStringLiteral("SER"));
}

void TestSimulatore::soglieAllarmiViaTcp()
{
    SimulatoreScheda scheda;
    scheda.setDeriva(false);
    PannelloTcp pannello(scheda.avviaTcp());
    QVERIFY(pannello.connesso());
    QTRY_VERIFY_WITH_TIMEOUT(contaPronti(pannello.m_ricevuto) >= 1, 3000);

    pannello.scriviLento(abilitazioniAllarmiAnalogici(QStringLiteral("10000001")).tcp);
    QTRY_COMPARE(scheda.stato().abilitazioniAnalogiche, QStringLiteral("10000001"));
    // Its prompt has come: the head of the thresholds may go. The board's idle period starts
    // again at every character it reads, so no idle prompt is on its way now.
    QTRY_VERIFY(pannello.m_ricevuto.endsWith("F?"));
    pannello.m_ricevuto.clear();
    QSignalSpy inattivo(&scheda, &SimulatoreScheda::prontoInviato);
    // The thresholds follow the head with no prompt in between, as the panel sends them.
    pannello.scriviLento(soglieAllarmiAnalogici().tcp);
    QStringList soglie;
    for (int i = 0; i < 16; ++i) {
        if (i == 15) {
            // The board stayed quiet while the thresholds were arriving.
            QCOMPARE(pannello.m_ricevuto, QByteArray());
            QCOMPARE(inattivo.count(), 0);
        }
        soglie << campoTreCifre(i % 2 == 0 ? 10 + i : 200 + i);
        pannello.scriviLento(soglie.last());
        Attendi(2 * kCarattereRapido);
    }
    QTRY_COMPARE(scheda.stato().soglieAnalogiche, soglie);
    // Its prompt once the last one is in.
    QTRY_COMPARE(pannello.m_ricevuto, QByteArray("F?"));
}

void TestSimulatore::modoContinuo()
{
    SimulatoreScheda scheda;
    scheda.setDeriva(false);
    scheda.setIntervallo(150);
    PannelloTcp pannello(scheda.avviaTcp());
    QVERIFY(pannello.connesso());

    scheda.stato().ingressi = {false, true, false, false, false, false, false, true};
    scheda.stato().ingressiAnalogici = {0, 1, 255, 4096, 32768, 50000, 65534, 65535};
    pannello.scriviLento(continuo().tcp);
    QVERIFY(scheda.stato().continuo);
    pannello.m_ricevuto.clear();
    // Two complete rounds, each read by the panel's reader as continuous output carrying the
    // board's inputs and its eight readings.
    QTRY_VERIFY_WITH_TIMEOUT(contaPronti(pannello.m_ricevuto) >= 3, 3000);
    const QList<QByteArray> giri = pannello.m_ricevuto.split('?');
    for (const int n : {1, 2}) {
        const QString testo = QString::fromLatin1(giri.at(n) + '?');
        QVERIFY(LettoreRisposte::isGiroContinuo(testo));
        const GiroContinuo giro = LettoreRisposte::leggiGiro(testo);
        QVERIFY(giro.ingressi.completa() && giro.ingressi.rigorosa);
        QCOMPARE(giro.ingressi.stati, scheda.stato().ingressi);
        QVERIFY(giro.analogici.completa() && giro.analogici.rigorosa);
        QCOMPARE(giro.analogici.valori, QList<int>(scheda.stato().ingressiAnalogici.cbegin(),
                                                   scheda.stato().ingressiAnalogici.cend()));
    }

    // Commands are still taken; "*/C" again switches the stream off.
    pannello.scriviLento(statoRele().tcp);
    QTRY_VERIFY(pannello.m_ricevuto.contains(InizioRele.data()));
    pannello.scriviLento(continuo().tcp);
    QVERIFY(!scheda.stato().continuo);
    pannello.m_ricevuto.clear();
    QTRY_VERIFY_WITH_TIMEOUT(contaPronti(pannello.m_ricevuto) >= 2, 3000);
    QVERIFY(!pannello.m_ricevuto.contains("INGRESSO "));
}

void TestSimulatore::nuovoClienteSostituisceIlVecchio()
{
    SimulatoreScheda scheda;
    scheda.setDeriva(false);
    const quint16 porta = scheda.avviaTcp();
    PannelloTcp primo(porta);
    QVERIFY(primo.connesso());
    QTRY_VERIFY(scheda.isClienteConnesso());

    QSignalSpy chiuso(&primo.socket(), &QTcpSocket::disconnected);
    PannelloTcp secondo(porta);
    QVERIFY(secondo.connesso());
    QVERIFY(chiuso.wait(3000));
    QTRY_VERIFY_WITH_TIMEOUT(contaPronti(secondo.m_ricevuto) >= 1, 3000);
    secondo.scriviLento(operaRele(2).tcp);
    QVERIFY(scheda.stato().rele[1]);

    // The board survives its client going away and takes the next one.
    QSignalSpy andato(&scheda, &SimulatoreScheda::clienteDisconnesso);
    secondo.socket().disconnectFromHost();
    QVERIFY(andato.wait(3000));
    PannelloTcp terzo(porta);
    QVERIFY(terzo.connesso());
    QTRY_VERIFY_WITH_TIMEOUT(contaPronti(terzo.m_ricevuto) >= 1, 3000);
}

void TestSimulatore::guasti()
{
    SimulatoreScheda scheda;
    scheda.setDeriva(false);
    scheda.setIntervallo(100);
    scheda.setMuto(true);
    PannelloTcp pannello(scheda.avviaTcp());
    QVERIFY(pannello.connesso());
    pannello.scriviLento(statoRele().tcp);
    QTRY_VERIFY(pannello.m_ricevuto.contains("<-"));
    Attendi(400);
    QVERIFY(!pannello.m_ricevuto.contains("F?"));

    scheda.setMuto(false);
    scheda.setCorpoNonNumerico(true);
    pannello.m_ricevuto.clear();
    pannello.scriviLento(letturaAnalogici().tcp);
    QTRY_VERIFY(pannello.m_ricevuto.contains("F?"));
    // The panel's reader finds the frames and finds them not numbers.
    const Risposta letture = LettoreRisposte::leggi(QString::fromLatin1(pannello.m_ricevuto),
                                                    TipoRisposta::IngressiAnalogici);
    QVERIFY(letture.trovata());
    QVERIFY(!letture.errore.isEmpty());

    // A dropped reply: no frame comes back, but the board goes on prompting.
    scheda.setCorpoNonNumerico(false);
    scheda.perdiRisposte(1);
    pannello.scriviLento(statoRele().tcp);
    pannello.m_ricevuto.clear();
    QTRY_VERIFY(pannello.m_ricevuto.contains("F?"));
    QVERIFY(!pannello.m_ricevuto.contains("<-"));

    QSignalSpy chiuso(&pannello.socket(), &QTcpSocket::disconnected);
    scheda.chiudiConnessione();
    QVERIFY(chiuso.wait(3000));
}

void TestSimulatore::programmaStampaISuoiCollegamenti()
{
    QTemporaryDir cartella;
    QVERIFY(cartella.isValid());
    const QString registro = cartella.filePath(QStringLiteral("scheda.log"));
    QProcess programma;
    programma.start(QStringLiteral(BRIVOLA_SCHEDA_EXE),
                    {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0"),
                     QStringLiteral("--pty"), QStringLiteral("--senza-deriva"),
                     QStringLiteral("--log"), registro});
    QVERIFY(programma.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(programma.canReadLine(), 5000);
    const QString tcp = QString::fromLatin1(programma.readLine()).trimmed();
    QTRY_VERIFY_WITH_TIMEOUT(programma.canReadLine(), 5000);
    const QString pty = QString::fromLatin1(programma.readLine()).trimmed();
    QVERIFY2(tcp.startsWith(QLatin1String("TCP 127.0.0.1:")), qPrintable(tcp));
    QVERIFY2(pty.startsWith(QLatin1String("PTY /dev/")), qPrintable(pty));

    PannelloTcp pannello(static_cast<quint16>(tcp.section(QLatin1Char(':'), 1).toUInt()));
    QVERIFY(pannello.connesso());
    pannello.scriviLento(statoRele().tcp);
    QTRY_VERIFY(pannello.m_ricevuto.contains(InizioRele.data()));

    PannelloSeriale seriale(pty.mid(4));
    QVERIFY(seriale.aperto());
    QTRY_VERIFY_WITH_TIMEOUT(seriale.m_ricevuto.contains("F?"), 3000);

    programma.terminate();
    QVERIFY(programma.waitForFinished(5000));
    QCOMPARE(programma.exitStatus(), QProcess::NormalExit);
    QCOMPARE(programma.exitCode(), 0);

    QFile file(registro);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList righe = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(righe.size(), 6); // one line per character
    QVERIFY(righe.first().endsWith(QLatin1String(" TCP *")));
    QVERIFY(righe.last().endsWith(QLatin1String(" TCP \\n")));
}

QTEST_GUILESS_MAIN(TestSimulatore)
#include "tst_simulatore.moc"
