// The paced command sender of the main window against the board simulator: timing on the
// wire, the ready-prompt wait, and commands that must not go out.
#include "BancoFinestra.h"
#include "Blocchi.h"
#include "SimulatoreScheda.h"
#include "Supporto.h"

#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/TrasportoSeriale.h"
#include "link/TrasportoTcp.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {

const QString kNonInviato = QStringLiteral("Comando non inviato: la scheda non è pronta");

// The chunks the simulator got on one link from position `da` of its record on.
QList<SimulatoreScheda::Blocco> ricevutiDa(const SimulatoreScheda &simulatore, qsizetype da,
                                           const QString &collegamento)
{
    QList<SimulatoreScheda::Blocco> blocchi;
    const QList<SimulatoreScheda::Blocco> tutti = simulatore.ricevuti();
    for (qsizetype i = da; i < tutti.size(); ++i) {
        if (tutti.at(i).collegamento == collegamento) {
            blocchi << tutti.at(i);
        }
    }
    return blocchi;
}

// When the first byte of each piece arrived, however the line cut the bytes into chunks.
QList<qint64> arriviDeiPezzi(const QList<SimulatoreScheda::Blocco> &blocchi,
                             const QStringList &pezzi)
{
    QList<qint64> momenti;
    qsizetype inizioPezzo = 0;
    qsizetype letti = 0;
    for (const SimulatoreScheda::Blocco &blocco : blocchi) {
        while (momenti.size() < pezzi.size() && inizioPezzo < letti + blocco.dati.size()) {
            momenti << blocco.ms;
            inizioPezzo += pezzi.at(momenti.size() - 1).size();
        }
        letti += blocco.dati.size();
    }
    return momenti;
}

// How one command ended, as its sender told it.
struct Esito
{
    int scritti = 0;
    int scartati = 0;
    int risposte = 0;
    Risposta risposta;

    EsitoInvio ascolta()
    {
        return {[this] { ++scritti; },
                [this] { ++scartati; },
                {},
                [this](const Risposta &r) {
                    ++risposte;
                    risposta = r;
                }};
    }
    bool finito() const { return scritti + scartati > 0; }
};

// The main window with the link up: the board page entered once over the chosen link, its
// request answered.
class Banco : public BancoFinestra
{
public:
    explicit Banco(const Temporizzazioni &tempi)
    {
        setTempi(tempi);
        m_simulatore.setDeriva(false);
    }

    bool avviaTcp()
    {
        const quint16 porta = m_simulatore.avviaTcp();
        return porta != 0 && crea(testoPorteTcp(porta), "*/I\r\n") &&
               m_finestra->collegamento().tcp().isAttivo();
    }

    bool avviaSeriale()
    {
        const QString pty = m_simulatore.apriPty();
        return !pty.isEmpty() && crea(testoPorteSeriale(pty), "*/I") &&
               m_finestra->collegamento().seriale().isAttivo();
    }

    Invio &invio() { return m_finestra->invio(); }
    SimulatoreScheda &simulatore() { return m_simulatore; }
    QTcpSocket &socket() { return m_finestra->collegamento().tcp().clientSocket(); }

    // Silences the board right after a prompt has reached the panel, so that no prompt is
    // still on its way.
    bool zittisciDopoPronto()
    {
        QSignalSpy dati(&socket(), &QTcpSocket::readyRead);
        const auto c = QObject::connect(&socket(), &QTcpSocket::readyRead, &m_simulatore,
                                        [this] { m_simulatore.setMuto(true); });
        const bool ok = dati.wait(5000);
        QObject::disconnect(c);
        return ok;
    }

private:
    // The board answers a command as soon as it knows it, before a line end still on its
    // way: the entry is over once the board has the whole request.
    bool crea(const QString &porteIni, const QByteArray &richiesta)
    {
        scriviPorte(porteIni);
        BancoFinestra::crea().show();
        QTest::mouseClick(controllo(QStringLiteral("lbID")), Qt::LeftButton);
        return QTest::qWaitFor([this] { return m_finestra->sessione().isViva(); }, 10000) &&
               attendiInvii() &&
               QTest::qWaitFor([&] { return uniti(m_simulatore.ricevuti()) == richiesta; });
    }

    SimulatoreScheda m_simulatore;
};

} // namespace

class TestCollegamentoInvio : public QObject
{
    Q_OBJECT

private slots:
    void tcpUnCarattereOgni50ms()
    {
        Banco banco{Temporizzazioni{}};
        QVERIFY(banco.avviaTcp());
        const qsizetype prima = banco.simulatore().ricevuti().size();
        QSignalSpy comandi(&banco.simulatore(), &SimulatoreScheda::comandoEseguito);

        Esito esito;
        banco.invio().invia(Protocollo::statoRele(), esito.ascolta());
        QTRY_COMPARE(esito.scritti, 1);
        QCOMPARE(esito.risposte, 1);

        QTRY_COMPARE(uniti(ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP"))),
                     QByteArray("*/RS\r\n"));
        const auto blocchi = ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP"));
        QCOMPARE(blocchi.size(), 6);
        for (qsizetype i = 1; i < blocchi.size(); ++i) {
            const qint64 intervallo = blocchi.at(i).ms - blocchi.at(i - 1).ms;
            QVERIFY2(intervallo >= 50 && intervallo < 150,
                     qPrintable(QStringLiteral("gap %1: %2 ms").arg(i).arg(intervallo)));
        }
        QCOMPARE(comandi.size(), 1);
        QCOMPARE(comandi.at(0).at(0).toString(), QStringLiteral("*/RS"));
        // The response that followed was read as the relay reply the command asked for.
        QCOMPARE(esito.risposta.tipo, TipoRisposta::Rele);
        QVERIFY(esito.risposta.trovata());
        QVERIFY(banco.pannello(1).isEmpty());
    }

    void serialeAPezzi800e200ms()
    {
        Banco banco{Temporizzazioni{}};
        QVERIFY(banco.avviaSeriale());
        const qsizetype prima = banco.simulatore().ricevuti().size();
        const Comando comando = Protocollo::impostaUscitaAnalogica(2, 128);
        const QStringList pezzi = comando.pezziSeriale;
        QCOMPARE(pezzi.size(), 3);

        // From the moment the board sees the first piece to the sender saying it is written.
        QElapsedTimer dalPrimoPezzo;
        const auto c = connect(&banco.simulatore(), &SimulatoreScheda::datiRicevuti, this, [&] {
            if (!dalPrimoPezzo.isValid()) {
                dalPrimoPezzo.start();
            }
        });
        qint64 scrittoDopo = -1;
        banco.invio().invia(comando, {[&] { scrittoDopo = dalPrimoPezzo.elapsed(); }, {}});
        QTRY_VERIFY_WITH_TIMEOUT(scrittoDopo >= 0, 5000);
        disconnect(c);
        // 800 ms after the first piece, 200 ms after each further one.
        QVERIFY2(scrittoDopo >= 1190, qPrintable(QString::number(scrittoDopo)));

        const auto blocchi = ricevutiDa(banco.simulatore(), prima, QStringLiteral("SER"));
        QCOMPARE(uniti(blocchi), pezzi.join(QString()).toLatin1());
        const QList<qint64> arrivi = arriviDeiPezzi(blocchi, pezzi);
        QCOMPARE(arrivi.size(), 3);
        QVERIFY2(arrivi.at(1) - arrivi.at(0) >= 790 && arrivi.at(1) - arrivi.at(0) < 1000,
                 qPrintable(QString::number(arrivi.at(1) - arrivi.at(0))));
        QVERIFY2(arrivi.at(2) - arrivi.at(1) >= 190 && arrivi.at(2) - arrivi.at(1) < 400,
                 qPrintable(QString::number(arrivi.at(2) - arrivi.at(1))));
        QTRY_COMPARE(banco.simulatore().stato().usciteAnalogiche[1], 128);
    }

    // The board's own five seconds for a prompt, then the command is dropped with a notice.
    void senzaProntoNienteScrittoEAvviso()
    {
        Temporizzazioni tempi = tempiBrevi();
        tempi.attesaProntoMs = Temporizzazioni{}.attesaProntoMs;
        Banco banco(tempi);
        QVERIFY(banco.avviaTcp());
        // A prompt seen before the command was given does not count.
        QVERIFY(banco.zittisciDopoPronto());
        const qsizetype prima = banco.simulatore().ricevuti().size();

        QElapsedTimer durata;
        durata.start();
        const qint64 cpuPrima = tempoCpuNs();
        Esito scartato;
        banco.invio().invia(Protocollo::statoRele(), scartato.ascolta());
        QTRY_VERIFY_WITH_TIMEOUT(scartato.finito(), 8000);
        const qint64 cpuMs = (tempoCpuNs() - cpuPrima) / 1000000;
        const qint64 ms = durata.elapsed();

        QCOMPARE(scartato.scartati, 1);
        QVERIFY2(ms >= 5000 && ms < 7000, qPrintable(QString::number(ms)));
        // The wait sleeps between events: well under 5 % of one core.
        QVERIFY2(cpuMs * 100 < ms * 5, qPrintable(QStringLiteral("%1 ms CPU").arg(cpuMs)));
        QVERIFY(ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP")).isEmpty());
        QCOMPARE(banco.pannello(1), kNonInviato);
        QVERIFY(banco.messaggi().voci().isEmpty());

        // The notice stays while the next command waits, and after it is written: only the
        // operator acting again ends it.
        banco.simulatore().setMuto(false);
        QString alPrimoCarattere = QStringLiteral("-");
        const auto c = connect(&banco.simulatore(), &SimulatoreScheda::datiRicevuti, this, [&] {
            if (alPrimoCarattere == QLatin1String("-")) {
                alPrimoCarattere = banco.pannello(1);
            }
        });
        Esito seguente;
        banco.invio().invia(Protocollo::statoRele(), seguente.ascolta());
        QCOMPARE(banco.pannello(1), kNonInviato);
        QTRY_COMPARE(seguente.scritti, 1);
        QCOMPARE(seguente.risposte, 1);
        QTRY_COMPARE(uniti(ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP"))),
                     QByteArray("*/RS\r\n"));
        disconnect(c);
        QCOMPARE(alPrimoCarattere, kNonInviato);
        QCOMPARE(banco.pannello(1), kNonInviato);
        // The dropped command never gets a reply, not even the next one.
        QCOMPARE(scartato.risposte, 0);
        QTest::mouseClick(banco.finestra().findChild<QWidget *>(QStringLiteral("sbIDContinua")),
                          Qt::RightButton);
        QVERIFY(banco.pannello(1).isEmpty());
    }
};

QTEST_MAIN(TestCollegamentoInvio)
#include "tst_collegamento_invio.moc"
