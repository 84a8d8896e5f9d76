#include "core/Errori.h"
#include "settings/Utilita.h"
#include "Supporto.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

class TestUtilita : public QObject
{
    Q_OBJECT

private slots:
    void msDelGiorno()
    {
        QCOMPARE(MsDelGiorno(QTime(12, 34, 56, 789)), 45296789);
        QCOMPARE(MsDelGiorno(QTime(0, 0)), 0);
        QCOMPARE(MsDelGiorno(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59, 999))), 86399999);
    }

    void attendiDuraPiuDelTempoDato()
    {
        for (int ms : {0, 1, 50}) {
            QElapsedTimer cronometro;
            cronometro.start();
            Attendi(ms);
            const qint64 trascorsi = cronometro.nsecsElapsed();
            QVERIFY2(trascorsi > qint64(ms) * 1000000, qPrintable(QString::number(trascorsi)));
            QVERIFY2(trascorsi < qint64(ms + 40) * 1000000, qPrintable(QString::number(trascorsi)));
        }
        QElapsedTimer cronometro;
        cronometro.start();
        Attendi(-5);
        QVERIFY(cronometro.elapsed() < 5);
    }

    void attendiGestisceGliEventiSenzaConsumareCpu()
    {
        int scatti = 0;
        QTimer timer;
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, [&] { ++scatti; });
        timer.start();
        const double cpuPrima = tempoCpuNs() / 1e6;
        Attendi(500);
        const double cpu = tempoCpuNs() / 1e6 - cpuPrima;
        QVERIFY2(scatti >= 15, qPrintable(QString::number(scatti)));
        QVERIFY2(cpu < 50, qPrintable(QString::number(cpu)));
    }

    void attendiSiAnnida()
    {
        // A handler that waits in its turn, inside an outer wait.
        bool internaFinita = false;
        QTimer::singleShot(10, this, [&] {
            Attendi(100);
            internaFinita = true;
        });
        QElapsedTimer cronometro;
        cronometro.start();
        Attendi(30);
        QVERIFY(internaFinita);
        QVERIFY(cronometro.elapsed() >= 100);
    }

    void attendiCondizione()
    {
        bool pronto = false;
        QTimer::singleShot(30, this, [&] { pronto = true; });
        QElapsedTimer cronometro;
        cronometro.start();
        QVERIFY(AttendiCondizione(5000, [&] { return pronto; }));
        QVERIFY(cronometro.elapsed() < 1000);

        cronometro.restart();
        const double cpuPrima = tempoCpuNs() / 1e6;
        QVERIFY(!AttendiCondizione(300, [] { return false; }));
        QVERIFY(cronometro.elapsed() >= 300);
        QVERIFY(tempoCpuNs() / 1e6 - cpuPrima < 30);
    }

    void contieneTesto()
    {
        QVERIFY(ContieneTesto("xxF?yy", "F?"));
        QVERIFY(!ContieneTesto("xxf?yy", "F?"));
        QVERIFY(!ContieneTesto("", ""));
        QVERIFY(!ContieneTesto("", "F?"));
        QVERIFY(ContieneTesto("a", ""));
        QVERIFY(ContieneTesto("F?", "F?"));
        QVERIFY(!ContieneTesto("F", "F?"));
    }

    void intToBin8_data()
    {
        QTest::addColumn<QString>("ingresso");
        QTest::addColumn<QString>("atteso");
        QTest::newRow("0") << "0" << "00000000";
        QTest::newRow("5") << "5" << "00000101";
        QTest::newRow("128") << "128" << "10000000";
        QTest::newRow("255") << "255" << "11111111";
        QTest::newRow("256") << "256" << "00000000";
        QTest::newRow("300") << "300" << "00101100";
        QTest::newRow("-1") << "-1" << "0000000-";
        QTest::newRow("-5") << "-5" << "00000-0-";
        QTest::newRow("+7") << "+7" << "00000111";
    }

    void intToBin8()
    {
        QFETCH(QString, ingresso);
        QFETCH(QString, atteso);
        QCOMPARE(IntToBin8(ingresso), atteso);
    }

    void conversioneNonValida()
    {
        for (const QString &testo : {QString(""), QString("abc"), QString("1.5"), QString("12x"),
                                     QString("99999999999")}) {
            try {
                IntToBin8(testo);
                QFAIL(qPrintable("nessun errore per " + testo));
            } catch (const ErroreConversione &e) {
                QCOMPARE(e.messaggio(),
                         QStringLiteral("'%1' is not a valid integer value").arg(testo));
            }
        }
        QCOMPARE(StrToInt(" 42"), 42);
        QCOMPARE(StrToInt("-3"), -3);
    }
};

QTEST_GUILESS_MAIN(TestUtilita)
#include "tst_utilita.moc"
