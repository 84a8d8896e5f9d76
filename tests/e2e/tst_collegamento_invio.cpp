// The paced command senders of the main window against the board simulator: timing on the
// wire, the ready-prompt wait, and sends that must not go out.
#include "BancoFinestra.h"
#include "Blocchi.h"
#include "SimulatoreScheda.h"
#include "Supporto.h"

#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/Seriale.h"
#include "protocol/Protocollo.h"
#include "settings/Utilita.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

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

// The main window with the link up: the board page entered once over the chosen link.
class Banco : public BancoFinestra
{
public:
    Banco() { m_simulatore.setDeriva(false); }

    bool avviaTcp()
    {
        const quint16 porta = m_simulatore.avviaTcp();
        if (porta == 0) {
            return false;
        }
        crea(testoPorteTcp(porta));
        return m_finestra->collegamento().socketAttivo() && m_finestra->valori().pronto;
    }

    bool avviaSeriale()
    {
        const QString pty = m_simulatore.apriPty();
        if (pty.isEmpty()) {
            return false;
        }
        crea(testoPorteSeriale(pty));
        return m_finestra->collegamento().seriale().isOpen() && m_finestra->valori().pronto;
    }

    Invio &invio() { return m_finestra->invio(); }
    SimulatoreScheda &simulatore() { return m_simulatore; }

    // Silences the board right after a prompt has reached the panel, so that no prompt is
    // still on its way.
    bool zittisciDopoPronto()
    {
        bool zitto = false;
        const auto c = QObject::connect(&m_finestra->collegamento().clientSocket(),
                                        &QTcpSocket::readyRead, &m_simulatore, [&] {
                                            m_simulatore.setMuto(true);
                                            zitto = true;
                                        });
        const bool ok = AttendiCondizione(5000, [&] { return zitto; });
        QObject::disconnect(c);
        return ok;
    }

private:
    void crea(const QString &porteIni)
    {
        scriviPorte(porteIni);
        BancoFinestra::crea().show();
        m_finestra->collegamento().setLimitePronto(10000);
        QTest::mouseClick(controllo(QStringLiteral("lbID")), Qt::LeftButton);
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
        Banco banco;
        QVERIFY(banco.avviaTcp());
        const qsizetype prima = banco.simulatore().ricevuti().size();
        QSignalSpy comandi(&banco.simulatore(), &SimulatoreScheda::comandoEseguito);
        // The reply kind in force while the command goes out: the page on screen.
        int tipoInTrasmissione = -1;
        banco.finestra().valori().tipoRisposta = 0;
        const auto c = connect(&banco.simulatore(), &SimulatoreScheda::datiRicevuti, this, [&] {
            if (tipoInTrasmissione < 0) {
                tipoInTrasmissione = banco.finestra().valori().tipoRisposta;
            }
        });

        banco.invio().InviaTcp(QStringLiteral("*/RS\r\n"));
        disconnect(c);

        const auto blocchi = ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP"));
        QCOMPARE(uniti(blocchi), QByteArray("*/RS\r\n"));
        QCOMPARE(blocchi.size(), 6);
        for (qsizetype i = 1; i < blocchi.size(); ++i) {
            const qint64 intervallo = blocchi.at(i).ms - blocchi.at(i - 1).ms;
            QVERIFY2(intervallo >= 50 && intervallo < 150,
                     qPrintable(QStringLiteral("gap %1: %2 ms").arg(i).arg(intervallo)));
        }
        QCOMPARE(comandi.size(), 1);
        QCOMPARE(comandi.at(0).at(0).toString(), QStringLiteral("*/RS"));
        QCOMPARE(tipoInTrasmissione, int(ValoriProgramma::IngressiDigitali));
        QVERIFY(banco.pannello(1).isEmpty());
    }

    void serialeAPezzi800e200ms()
    {
        Banco banco;
        QVERIFY(banco.avviaSeriale());
        const qsizetype prima = banco.simulatore().ricevuti().size();
        const QStringList pezzi = Protocollo::impostaUscitaAnalogica(2, 128).pezziSeriale;
        QCOMPARE(pezzi.size(), 3);

        // From the moment the board sees the first piece to the sender's return.
        QElapsedTimer dalPrimoPezzo;
        const auto c = connect(&banco.simulatore(), &SimulatoreScheda::datiRicevuti, this, [&] {
            if (!dalPrimoPezzo.isValid()) {
                dalPrimoPezzo.start();
            }
        });
        banco.invio().InviaSeriale(pezzi);
        disconnect(c);
        QVERIFY(dalPrimoPezzo.isValid());
        // 800 ms after the first piece, 200 ms after each further one.
        QVERIFY2(dalPrimoPezzo.elapsed() >= 1190,
                 qPrintable(QString::number(dalPrimoPezzo.elapsed())));

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

    void senzaProntoNienteScrittoEAvviso()
    {
        Banco banco;
        QVERIFY(banco.avviaTcp());
        QVERIFY(banco.zittisciDopoPronto());
        const qsizetype prima = banco.simulatore().ricevuti().size();
        ValoriProgramma &valori = banco.finestra().valori();
        // A prompt seen before the send started does not count.
        valori.pronto = true;
        valori.tipoRisposta = 5;

        QElapsedTimer durata;
        durata.start();
        const qint64 cpuPrima = tempoCpuNs();
        banco.invio().InviaTcp(QStringLiteral("*/RS\r\n"));
        const qint64 cpuMs = (tempoCpuNs() - cpuPrima) / 1000000;
        const qint64 ms = durata.elapsed();

        QVERIFY2(ms >= 5000 && ms < 7000, qPrintable(QString::number(ms)));
        // The wait sleeps between events: well under 5 % of one core.
        QVERIFY2(cpuMs * 100 < ms * 5, qPrintable(QStringLiteral("%1 ms CPU").arg(cpuMs)));
        QVERIFY(ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP")).isEmpty());
        QCOMPARE(valori.tipoRisposta, 5);
        QCOMPARE(banco.pannello(1), kNonInviato);
        QVERIFY(banco.messaggi().voci().isEmpty());

        // The notice stays while the next command waits, and after it is written: only the
        // operator acting again ends it.
        banco.simulatore().setMuto(false);
        QString durantePronto;
        QTimer::singleShot(0, this, [&] { durantePronto = banco.pannello(1); });
        QString alPrimoCarattere = QStringLiteral("-");
        const auto c = connect(&banco.simulatore(), &SimulatoreScheda::datiRicevuti, this, [&] {
            if (alPrimoCarattere == QLatin1String("-")) {
                alPrimoCarattere = banco.pannello(1);
            }
        });
        banco.invio().InviaTcp(QStringLiteral("*/RS\r\n"));
        disconnect(c);
        QCOMPARE(durantePronto, kNonInviato);
        QCOMPARE(alPrimoCarattere, kNonInviato);
        QCOMPARE(uniti(ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP"))),
                 QByteArray("*/RS\r\n"));
        QCOMPARE(banco.pannello(1), kNonInviato);
        QTest::mouseClick(banco.finestra().findChild<QWidget *>(QStringLiteral("sbIDContinua")),
                          Qt::RightButton);
        QVERIFY(banco.pannello(1).isEmpty());
    }

    void unInvioDuranteLaTrasmissioneVieneScartato()
    {
        Banco banco;
        QVERIFY(banco.avviaTcp());
        const qsizetype prima = banco.simulatore().ricevuti().size();

        // As soon as the first character is on the wire, a timer starts a second send: it
        // runs inside the first one's 50 ms pause.
        qint64 durataSeconda = -1;
        bool avviata = false;
        const auto c = connect(&banco.simulatore(), &SimulatoreScheda::datiRicevuti, this, [&] {
            if (avviata) {
                return;
            }
            avviata = true;
            QTimer::singleShot(0, this, [&] {
                QElapsedTimer durata;
                durata.start();
                banco.invio().InviaTcp(QStringLiteral("*/R1\r\n"));
                durataSeconda = durata.elapsed();
            });
        });
        banco.invio().InviaTcp(QStringLiteral("*/RS\r\n"));
        disconnect(c);

        QVERIFY(avviata);
        QVERIFY(durataSeconda >= 0);
        // Dropped at once, not after waiting for a prompt.
        QVERIFY2(durataSeconda < 50, qPrintable(QString::number(durataSeconda)));
        // The notice names the cause: the panel itself was busy, not the board.
        QCOMPARE(banco.pannello(1),
                 QStringLiteral("Comando non inviato: il pannello sta già scrivendo un altro "
                                "comando"));
        // Let the board answer the first command: nothing of the second ever follows.
        QTRY_COMPARE(banco.finestra().valori().tipoRisposta, 0);
        QCOMPARE(uniti(ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP"))),
                 QByteArray("*/RS\r\n"));
        QVERIFY(!banco.simulatore().stato().rele[0]);
    }

    // Commands started while one is on its way queue up to sixteen; the next is dropped at
    // once with its notice, and the queued ones go out after the first, in order.
    void codaDiSediciComandi()
    {
        Banco banco;
        QVERIFY(banco.avviaTcp());
        const qsizetype prima = banco.simulatore().ricevuti().size();
        int scartati = 0;
        int scritti = 0;
        QList<int> ordine;
        const EsitoInvio conta{[&] { ++scritti; }, [&] { ++scartati; }};
        QTimer::singleShot(0, this, [&] {
            for (int i = 1; i <= Invio::MassimoCoda + 1; ++i) {
                banco.invio().invia(Protocollo::operaRele(1 + (i - 1) % 8),
                                    EsitoInvio{[&, i] {
                                                   ++scritti;
                                                   ordine << i;
                                               },
                                               [&] { ++scartati; }});
            }
            // All returned at once, none written yet.
            QCOMPARE(banco.invio().inCoda(), Invio::MassimoCoda);
            QCOMPARE(scartati, 1);
            QCOMPARE(
                banco.pannello(1),
                QStringLiteral("Comando non inviato: troppi comandi in attesa (al massimo 16)"));
        });
        banco.invio().invia(Protocollo::statoRele(), conta);
        QCOMPARE(banco.invio().inCoda(), 0);
        QCOMPARE(scritti, 1 + Invio::MassimoCoda);
        QCOMPARE(scartati, 1);
        QList<int> attesi;
        for (int i = 1; i <= Invio::MassimoCoda; ++i) {
            attesi << i;
        }
        QCOMPARE(ordine, attesi);
        QByteArray scritto = "*/RS\r\n";
        for (int i = 1; i <= Invio::MassimoCoda; ++i) {
            scritto += "*/R" + QByteArray::number(1 + (i - 1) % 8) + "\r\n";
        }
        QCOMPARE(uniti(ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP"))), scritto);
    }

    void unInvioAnnidatoConsumaIlPronto()
    {
        Banco banco;
        QVERIFY(banco.avviaTcp());
        banco.invio().setAttesaPronto(2500);
        QVERIFY(banco.zittisciDopoPronto());
        const qsizetype prima = banco.simulatore().ricevuti().size();

        // While the first send waits, a second one starts inside it, gets the only prompt
        // the board sends, and writes its command.
        QTimer::singleShot(100, this, [&] {
            const auto c =
                connect(&banco.finestra().collegamento().clientSocket(), &QTcpSocket::readyRead,
                        &banco.simulatore(), [&] { banco.simulatore().setMuto(true); });
            banco.simulatore().setMuto(false);
            banco.invio().InviaTcp(QStringLiteral("*/R1\r\n"));
            disconnect(c);
        });
        banco.invio().InviaTcp(QStringLiteral("*/RS\r\n"));

        // The outer send needed a prompt of its own; none came, so it wrote nothing.
        QCOMPARE(uniti(ricevutiDa(banco.simulatore(), prima, QStringLiteral("TCP"))),
                 QByteArray("*/R1\r\n"));
        QCOMPARE(banco.pannello(1), kNonInviato);
    }
};

QTEST_MAIN(TestCollegamentoInvio)
#include "tst_collegamento_invio.moc"
