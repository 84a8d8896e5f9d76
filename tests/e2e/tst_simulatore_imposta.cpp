// Setting the simulated board's digital inputs by hand: the lines of the simulator's own
// "imposta" language, and the same lines given to the program on its command line and on its
// standard input while it serves.
#include "SchedaSimulata.h"

#include "protocol/LettoreRisposte.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTest>

namespace {

// The inputs of a digital inputs reply as the panel reads them, "1" for set, input 1 first;
// empty without a whole frame.
QString ingressi(const QByteArray &ricevuto)
{
    const Risposta risposta =
        LettoreRisposte::leggi(QString::fromLatin1(ricevuto), TipoRisposta::Ingressi);
    if (!risposta.completa() || !risposta.rigorosa) {
        return {};
    }
    QString stati;
    for (const bool acceso : risposta.stati) {
        stati += acceso ? QLatin1Char('1') : QLatin1Char('0');
    }
    return stati;
}

} // namespace

class TestSimulatoreImposta : public QObject
{
    Q_OBJECT

private slots:
    void righe_data();
    void righe();
    void programma();
};

void TestSimulatoreImposta::righe_data()
{
    QTest::addColumn<QString>("riga");
    QTest::addColumn<QString>("attesi"); // inputs 1..8 after the line, input 1 first
    QTest::addColumn<bool>("valida");
    QTest::newRow("accende il 3") << "ingresso 3 1"
                                  << "10100000" << true;
    QTest::newRow("spegne l'1, spazi in piu'") << "  ingresso   1  0 "
                                               << "00000000" << true;
    QTest::newRow("accende l'8") << "ingresso 8 1"
                                 << "10000001" << true;
    QTest::newRow("ingresso 9") << "ingresso 9 1"
                                << "10000000" << false;
    QTest::newRow("ingresso 0") << "ingresso 0 1"
                                << "10000000" << false;
    QTest::newRow("valore 2") << "ingresso 2 2"
                              << "10000000" << false;
    QTest::newRow("non numerico") << "ingresso due 1"
                                  << "10000000" << false;
    QTest::newRow("parola sconosciuta") << "ingressi 2 1"
                                        << "10000000" << false;
    QTest::newRow("parole mancanti") << "ingresso 2"
                                     << "10000000" << false;
}

void TestSimulatoreImposta::righe()
{
    QFETCH(QString, riga);
    QFETCH(QString, attesi);
    QFETCH(bool, valida);
    SchedaSimulata scheda;
    scheda.stato().ingressi = {true, false, false, false, false, false, false, false};
    const QString errore = scheda.imposta(riga);
    QCOMPARE(errore.isEmpty(), valida);
    if (!valida) {
        QCOMPARE(errore, QStringLiteral("riga non valida: ") + riga);
    }
    // What the board answers from now on.
    QCOMPARE(ingressi(scheda.esegui(QStringLiteral("*/I")).toLatin1()), attesi);
}

void TestSimulatoreImposta::programma()
{
    QProcess scheda;
    scheda.start(QStringLiteral(BRIVOLA_SCHEDA_EXE),
                 {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0"),
                  QStringLiteral("--senza-deriva"), QStringLiteral("--imposta"),
                  QStringLiteral("ingresso 3 1"), QStringLiteral("--imposta"),
                  QStringLiteral("ingresso 8 0")});
    QVERIFY(scheda.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(scheda.canReadLine(), 5000);
    const QString riga = QString::fromLatin1(scheda.readLine()).trimmed();
    QVERIFY2(riga.startsWith(QLatin1String("TCP 127.0.0.1:")), qPrintable(riga));

    QTcpSocket pannello;
    QByteArray ricevuto;
    connect(&pannello, &QTcpSocket::readyRead, &pannello, [&] { ricevuto += pannello.readAll(); });
    pannello.connectToHost(QHostAddress::LocalHost,
                           static_cast<quint16>(riga.section(QLatin1Char(':'), 1).toUInt()));
    QVERIFY(pannello.waitForConnected(3000));
    const auto chiediIngressi = [&] {
        ricevuto.clear();
        pannello.write("*/I\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(!ingressi(ricevuto).isEmpty(), 3000);
    };

    chiediIngressi();
    QCOMPARE(ingressi(ricevuto).at(2), QLatin1Char('1'));
    QCOMPARE(ingressi(ricevuto).at(7), QLatin1Char('0'));

    // While it serves: one answer on standard error per line.
    QString risposte;
    connect(&scheda, &QProcess::readyReadStandardError, &scheda,
            [&] { risposte += QString::fromUtf8(scheda.readAllStandardError()); });
    scheda.write("ingresso 3 0\ningresso 8 1\ningresso 8 7\n");
    QTRY_COMPARE_WITH_TIMEOUT(risposte, QStringLiteral("ok\nok\nriga non valida: ingresso 8 7\n"),
                              3000);
    chiediIngressi();
    QCOMPARE(ingressi(ricevuto).at(2), QLatin1Char('0'));
    QCOMPARE(ingressi(ricevuto).at(7), QLatin1Char('1'));

    // The end of standard input does not stop the board.
    scheda.closeWriteChannel();
    chiediIngressi();
    scheda.terminate();
    QVERIFY(scheda.waitForFinished(5000));
    QCOMPARE(scheda.exitCode(), 0);

    // A wrong line on the command line stops the program before it serves.
    QProcess sbagliata;
    sbagliata.start(QStringLiteral(BRIVOLA_SCHEDA_EXE),
                    {QStringLiteral("--imposta"), QStringLiteral("ingresso 3")});
    QVERIFY(sbagliata.waitForFinished(5000));
    QCOMPARE(sbagliata.exitCode(), 1);
    QVERIFY(sbagliata.readAllStandardOutput().isEmpty());
    QVERIFY(sbagliata.readAllStandardError().contains("riga non valida: ingresso 3"));
}

QTEST_GUILESS_MAIN(TestSimulatoreImposta)
#include "tst_simulatore_imposta.moc"
