// A peripheral channel's percentage as the set command carries it, and as it reads back.
#include "protocol/Conversioni.h"
#include "protocol/Protocollo.h"

#include <QtTest>

class TestConversioniPeriferiche : public QObject
{
    Q_OBJECT

private slots:
    void percentuale_data()
    {
        QTest::addColumn<int>("percentuale");
        QTest::addColumn<QString>("inviato");
        QTest::addColumn<int>("mostrato");
        QTest::newRow("0") << 0 << "000" << 0;
        QTest::newRow("1") << 1 << "001" << 2;
        QTest::newRow("25") << 25 << "016" << 25;
        QTest::newRow("40") << 40 << "025" << 40;
        QTest::newRow("50, the only half, to even") << 50 << "032" << 51;
        QTest::newRow("99") << 99 << "062" << 98;
        QTest::newRow("100") << 100 << "063" << 100;
    }

    void percentuale()
    {
        QFETCH(int, percentuale);
        QFETCH(QString, inviato);
        QFETCH(int, mostrato);
        const int livello = Conversioni::percentualeALivelloPeriferica(percentuale);
        // "Unità 6", channel 3: the level is the command's last three characters.
        const Comando comando = Protocollo::impostaAnalogicaUnita(5, 3, livello);
        QCOMPARE(comando.tcp, QStringLiteral("*/EA1013") + inviato + QStringLiteral("\r\n"));
        QCOMPARE(comando.pezziSeriale.last(), inviato);
        // Read back from a frame as the board sends it.
        const QString frame =
            QStringLiteral("UNITA 101 CANALE 3 ->") + inviato + QStringLiteral("<-");
        const int letto = Protocollo::valoreFrame(frame, Protocollo::CifreUscitaAnalogica).toInt();
        QCOMPARE(Conversioni::livelloPerifericaAPercentuale(letto), mostrato);
    }

    // Every whole level reads back as the percentage that is sent as that same level, so a
    // channel set and read again keeps its level.
    void andataERitorno()
    {
        for (int livello = 0; livello <= 63; ++livello) {
            const int percentuale = Conversioni::livelloPerifericaAPercentuale(livello);
            QCOMPARE(Conversioni::percentualeALivelloPeriferica(percentuale), livello);
        }
    }
};

QTEST_MAIN(TestConversioniPeriferiche)
#include "tst_conversioniPeriferiche.moc"
