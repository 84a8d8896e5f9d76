// The kept analog readings: the ring of one input, and the CSV of all of them.
#include "core/ValoriProgramma.h"
#include "pages/andamento/BufferLetture.h"
#include "pages/andamento/StoricoAnalogici.h"
#include "Supporto.h"

#include <QBuffer>
#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QList<qint64> tempi(const BufferLetture &letture)
{
    QList<qint64> esito;
    for (qsizetype i = 0; i < letture.size(); ++i) {
        esito.append(letture.at(i).ms);
    }
    return esito;
}

QDateTime momento(const QString &iso)
{
    return QDateTime::fromString(iso, Qt::ISODateWithMs);
}

} // namespace

class TestStoricoAnalogici : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void buffer_data();
    void buffer();
    void primoDaDopoIlGiro();
    void pause_data();
    void pause();

    void dataOraIso_data();
    void dataOraIso();
    void csvNomiDelMomentoEOrdine();
    void esportaConBomESenzaResti();
};

void TestStoricoAnalogici::initTestCase()
{
    // Offsets and the daylight-saving change below are those of Italy.
    qputenv("TZ", "Europe/Rome");
    tzset();
}

void TestStoricoAnalogici::buffer_data()
{
    QTest::addColumn<int>("capacita");
    QTest::addColumn<qint64>("eta");
    QTest::addColumn<QList<qint64>>("aggiunti");
    QTest::addColumn<QList<qint64>>("tenuti");

    QTest::newRow("sotto la capacità")
        << 4 << qint64(1000) << QList<qint64>{1, 2, 3} << QList<qint64>{1, 2, 3};
    QTest::newRow("pieno, due giri")
        << 3 << qint64(1000) << QList<qint64>{1, 2, 3, 4, 5, 6, 7, 8} << QList<qint64>{6, 7, 8};
    QTest::newRow("troppo vecchie")
        << 10 << qint64(100) << QList<qint64>{0, 50, 100, 150, 260} << QList<qint64>{260};
    QTest::newRow("al limite d'età resta")
        << 10 << qint64(100) << QList<qint64>{0, 50, 100} << QList<qint64>{0, 50, 100};
    // Age drops the oldest while the storage still grows: the ring must not write past it.
    QTest::newRow("età poi crescita")
        << 600 << qint64(300) << QList<qint64>{0, 100, 200, 300, 400, 450, 500, 550, 600, 650}
        << QList<qint64>{400, 450, 500, 550, 600, 650};
    // A reading from the past (the clock set back) is kept in arrival order.
    QTest::newRow("orologio indietro")
        << 5 << qint64(1000) << QList<qint64>{500, 600, 100} << QList<qint64>{500, 600, 100};
}

void TestStoricoAnalogici::buffer()
{
    QFETCH(int, capacita);
    QFETCH(qint64, eta);
    QFETCH(QList<qint64>, aggiunti);
    QFETCH(QList<qint64>, tenuti);

    BufferLetture letture(capacita, eta);
    for (const qint64 ms : aggiunti) {
        letture.aggiungi(ms, ms * 10);
    }
    QCOMPARE(tempi(letture), tenuti);
    QCOMPARE(letture.aggiunte(), aggiunti.size());
    QCOMPARE(letture.ultima().valore, aggiunti.last() * 10);
}

void TestStoricoAnalogici::primoDaDopoIlGiro()
{
    BufferLetture letture(300, 1000000);
    for (qint64 ms = 0; ms < 1000; ms += 2) {
        letture.aggiungi(ms, 0);
    }
    // The ring has wrapped: the oldest kept reading is not in the first slot.
    QCOMPARE(letture.at(0).ms, 400);
    QCOMPARE(letture.primoDa(0), 0);
    QCOMPARE(letture.primoDa(401), 1);
    QCOMPARE(letture.primoDa(998), 299);
    QCOMPARE(letture.primoDa(999), 300);
    letture.svuota();
    QVERIFY(letture.isEmpty());
    letture.aggiungi(5, 7);
    QCOMPARE(tempi(letture), QList<qint64>{5});
}

void TestStoricoAnalogici::pause_data()
{
    QTest::addColumn<QList<qint64>>("tempi");
    // Readings that came after a pause, by their index.
    QTest::addColumn<QList<qint64>>("dopoPausa");

    QTest::newRow("regolari") << QList<qint64>{0, 1000, 2000, 3000, 4000} << QList<qint64>{};
    QTest::newRow("tre intervalli non bastano")
        << QList<qint64>{0, 1000, 2000, 5000, 6000} << QList<qint64>{};
    QTest::newRow("oltre tre intervalli")
        << QList<qint64>{0, 1000, 2000, 5001, 6001} << QList<qint64>{3};
    // One late reading does not make the pace so slow that a real pause goes unseen.
    QTest::newRow("un ritardo poi una pausa")
        << QList<qint64>{0, 1000, 2000, 3000, 5500, 6500, 7500, 12500} << QList<qint64>{7};
    // After a pause the pace is learnt again: a slower one is no string of pauses.
    QTest::newRow("dopo la pausa un altro passo")
        << QList<qint64>{0, 100, 200, 300, 10000, 15000, 20000, 25000, 40001}
        << QList<qint64>{4, 8};
    QTest::newRow("orologio indietro")
        << QList<qint64>{10000, 11000, 12000, 1000, 2000} << QList<qint64>{};
}

void TestStoricoAnalogici::pause()
{
    QFETCH(QList<qint64>, tempi);
    QFETCH(QList<qint64>, dopoPausa);
    // A ring smaller than the readings: the flags must follow their readings round it.
    BufferLetture letture(6, 1000000);
    for (const qint64 ms : tempi) {
        letture.aggiungi(ms, 0);
    }
    const qsizetype primo = tempi.size() - letture.size();
    QList<qint64> trovate;
    for (qsizetype i = 0; i < letture.size(); ++i) {
        if (letture.dopoPausa(i)) {
            trovate.append(primo + i);
        }
    }
    QList<qint64> attese;
    for (const qint64 i : dopoPausa) {
        if (i >= primo) {
            attese.append(i);
        }
    }
    QCOMPARE(trovate, attese);
}

void TestStoricoAnalogici::dataOraIso_data()
{
    QTest::addColumn<QString>("utc");
    QTest::addColumn<QString>("atteso");
    QTest::newRow("inverno") << "2026-12-07T10:00:00.250Z"
                             << "2026-12-07T11:00:00.250+01:00";
    QTest::newRow("estate") << "2026-07-01T21:59:59.999Z"
                            << "2026-07-01T23:59:59.999+02:00";
    QTest::newRow("prima del cambio") << "2026-03-29T00:59:59.999Z"
                                      << "2026-03-29T01:59:59.999+01:00";
    QTest::newRow("dopo il cambio") << "2026-03-29T01:00:00.000Z"
                                    << "2026-03-29T03:00:00.000+02:00";
    QTest::newRow("prima del 1970") << "1969-12-31T22:59:58.500Z"
                                    << "1969-12-31T23:59:58.500+01:00";
}

void TestStoricoAnalogici::dataOraIso()
{
    QFETCH(QString, utc);
    QFETCH(QString, atteso);
    QCOMPARE(StoricoAnalogici::dataOraIso(momento(utc).toMSecsSinceEpoch()), atteso);
}

void TestStoricoAnalogici::csvNomiDelMomentoEOrdine()
{
    ValoriConfigurazione configurazione;
    configurazione.nomiIA.fill(QStringLiteral("X"));
    configurazione.unitaIA.fill(QStringLiteral("0"));
    configurazione.nomiIA[0] = QStringLiteral("CALDAIA; MANDATA");
    configurazione.nomiIA[2] = QStringLiteral("VENTO \"RAFFICHE\"");
    configurazione.unitaIA[2] = QStringLiteral("1");
    StoricoAnalogici storico(configurazione);
    QSignalSpy aggiunte(&storico, &StoricoAnalogici::letturaAggiunta);

    const QDateTime t0 = momento(QStringLiteral("2026-12-07T10:00:00.000Z"));
    storico.aggiungiLettura(3, 12, t0.addSecs(1));
    storico.aggiungiLettura(1, -20, t0);
    storico.aggiungiLettura(1, 15, t0.addSecs(1));
    // The operator renames input 1 and picks a unit out of the list for it.
    configurazione.nomiIA[0] = QStringLiteral("RITORNO");
    configurazione.unitaIA[0] = QStringLiteral("9");
    storico.aggiungiLettura(1, 50, t0.addSecs(2));
    storico.aggiungiLettura(9, 1, t0);
    storico.aggiungiLettura(0, 1, t0);
    storico.aggiungiLettura(2, 1, QDateTime());
    QCOMPARE(aggiunte.size(), 4);
    QCOMPARE(storico.numeroLetture(), 4);

    QBuffer uscita;
    uscita.open(QIODevice::WriteOnly);
    QCOMPARE(storico.scriviCsv(uscita), 4);
    const QStringList righe = QString::fromUtf8(uscita.data()).split(QStringLiteral("\r\n"));
    const QStringList attese = {
        QStringLiteral("timestamp;ingresso;nome;valore;unità"),
        QStringLiteral("2026-12-07T11:00:00.000+01:00;1;\"CALDAIA; MANDATA\";-20;°C"),
        QStringLiteral("2026-12-07T11:00:01.000+01:00;1;\"CALDAIA; MANDATA\";15;°C"),
        QStringLiteral("2026-12-07T11:00:01.000+01:00;3;\"VENTO \"\"RAFFICHE\"\"\";12;Km/h"),
        QStringLiteral("2026-12-07T11:00:02.000+01:00;1;RITORNO;50;"),
        QString(),
    };
    QCOMPARE(righe, attese);
}

void TestStoricoAnalogici::esportaConBomESenzaResti()
{
    QTemporaryDir cartella;
    QVERIFY(cartella.isValid());
    ValoriConfigurazione configurazione;
    configurazione.nomiIA.fill(QStringLiteral("UMIDITA'"));
    configurazione.unitaIA.fill(QStringLiteral("2"));
    StoricoAnalogici storico(configurazione);
    // More than the ring holds: only the last day's worth stays, and the oldest names go.
    const QDateTime t0 = momento(QStringLiteral("2026-12-07T00:00:00.000Z"));
    for (int s = 0; s < StoricoAnalogici::LettureMassime + 10; ++s) {
        if (s == 5) {
            configurazione.nomiIA[1] = QStringLiteral("TERRENO");
        }
        storico.aggiungiLettura(2, s % 100, t0.addMSecs(qint64(s) * 500));
    }
    QCOMPARE(storico.letture(2).size(), StoricoAnalogici::LettureMassime);

    const QString percorso = cartella.filePath(QStringLiteral("letture.csv"));
    QString errore;
    QCOMPARE(storico.esportaCsv(percorso, &errore), StoricoAnalogici::LettureMassime);
    QFile file(percorso);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray dati = file.readAll();
    QVERIFY(dati.startsWith("\xEF\xBB\xBFtimestamp;ingresso;nome;valore;unit\xC3\xA0\r\n"));
    QVERIFY(dati.endsWith(";2;TERRENO;9;%\r\n"));
    QVERIFY(!dati.contains("UMIDITA'"));
    QCOMPARE(dati.count("\r\n"), StoricoAnalogici::LettureMassime + 1);

    // A folder that cannot exist: nothing written, the reason given, the old file untouched.
    const QString sbagliato = percorso + QStringLiteral("/dentro.csv");
    QCOMPARE(storico.esportaCsv(sbagliato, &errore), -1);
    QVERIFY(!errore.isEmpty());
    QCOMPARE(QFileInfo(percorso).size(), dati.size());
}

QTEST_GUILESS_MAIN(TestStoricoAnalogici)
#include "tst_storicoAnalogici.moc"
