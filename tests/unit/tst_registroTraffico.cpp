// The traffic record on its own: line format, escaping, idle prompt runs, rotation, a folder it
// cannot write.
#include "link/RegistroTraffico.h"
#include "Supporto.h"

#include <QTemporaryDir>
#include <QtTest>

class TestRegistroTraffico : public QObject
{
    Q_OBJECT

private slots:
    void escapato_data();
    void escapato();
    void righeEDisattivo();
    void serieDiPronti();
    void rotazione();
    void cartellaNonScrivibile();
};

void TestRegistroTraffico::escapato_data()
{
    QTest::addColumn<QByteArray>("dati");
    QTest::addColumn<QByteArray>("atteso");
    QTest::newRow("comando") << QByteArray("*/R5\r\n") << QByteArray("*/R5\\r\\n");
    QTest::newRow("risposta") << QByteArray("\r\nSTATO USCITE RELE ->00010000<-\r\nF?")
                              << QByteArray("\\r\\nSTATO USCITE RELE ->00010000<-\\r\\nF?");
    QTest::newRow("controllo e nul")
        << QByteArray("a\tb\0c\x1b\x7f", 7) << QByteArray("a\\x09b\\x00c\\x1B\\x7F");
    // Latin-1 from the board would not be valid UTF-8 in the file.
    QTest::newRow("oltre ASCII") << QByteArray("\xb0"
                                               "C\xff")
                                 << QByteArray("\\xB0C\\xFF");
    QTest::newRow("barra rovescia") << QByteArray("\\x41") << QByteArray("\\\\x41");
    QTest::newRow("vuoto") << QByteArray() << QByteArray();
}

void TestRegistroTraffico::escapato()
{
    QFETCH(QByteArray, dati);
    QFETCH(QByteArray, atteso);
    QCOMPARE(RegistroTraffico::escapato(dati), atteso);
}

void TestRegistroTraffico::righeEDisattivo()
{
    QTemporaryDir cartella;
    RegistroTraffico registro;
    QDateTime ora(QDate(2026, 12, 7), QTime(11, 0, 0, 5));
    registro.setOrologio([&] { return ora; });

    // Off: nothing is written, no file appears.
    registro.scritti(QStringLiteral("TCP"), "*");
    QVERIFY(!QFile::exists(cartella.filePath(RegistroTraffico::NomeFile)));

    QVERIFY(registro.avvia(cartella.path()));
    QCOMPARE(registro.percorso(), cartella.filePath(QStringLiteral("brivola-traffico.log")));
    registro.scritti(QStringLiteral("TCP"), "*");
    ora = ora.addMSecs(51);
    registro.ricevuti(QStringLiteral("SER"), "\r\nF?");
    registro.ferma();
    registro.scritti(QStringLiteral("TCP"), "/");
    // Starting again appends.
    QVERIFY(registro.avvia(cartella.path()));
    registro.scritti(QStringLiteral("SER"), "*/A");
    registro.ferma();

    QCOMPARE(leggiTesto(registro.percorso()),
             QStringLiteral("2026-12-07 11:00:00.005 TCP TX *\n"
                            "2026-12-07 11:00:00.056 SER RX \\r\\nF?\n"
                            "2026-12-07 11:00:00.056 SER TX */A\n"));
}

void TestRegistroTraffico::serieDiPronti()
{
    QTemporaryDir cartella;
    QString percorso;
    {
        RegistroTraffico registro;
        QDateTime ora(QDate(2026, 12, 7), QTime(11, 0, 0));
        registro.setOrologio([&] {
            ora = ora.addMSecs(100);
            return ora;
        });
        QVERIFY(registro.avvia(cartella.path()));
        percorso = registro.percorso();
        const auto rx = [&](const QString &collegamento, const QByteArray &dati, int volte = 1) {
            for (int i = 0; i < volte; ++i) {
                registro.ricevuti(collegamento, dati);
            }
        };
        // Four prompts, then a command: the first prompt at once, the count when it ends.
        rx(QStringLiteral("TCP"), "F?", 4);
        registro.scritti(QStringLiteral("TCP"), "*");
        // A single prompt needs no count; a reply ending in a prompt is no idle prompt.
        rx(QStringLiteral("TCP"), "F?");
        rx(QStringLiteral("TCP"), "STATO USCITE RELE ->00010000<-\r\nF?", 2);
        // A prompt with other line ends, or from the other link, starts a run of its own.
        rx(QStringLiteral("TCP"), "\r\nF?", 2);
        rx(QStringLiteral("SER"), "\r\nF?", 3);
        rx(QStringLiteral("SER"), "F?F?");
        rx(QStringLiteral("SER"), "F?\r\n", 3);
        // Stopping ends the run with its count.
        registro.ferma();
        rx(QStringLiteral("SER"), "F?\r\n");
        QVERIFY(registro.avvia(cartella.path()));
        // After a start nothing is counted with the run before it; a run still open when the
        // record goes away has its count written.
        rx(QStringLiteral("SER"), "F?\r\n", 2);
    }
    QCOMPARE(
        leggiTesto(percorso),
        QStringLiteral("2026-12-07 11:00:00.100 TCP RX F?\n"
                       "2026-12-07 11:00:00.400 TCP RX F? (×4)\n"
                       "2026-12-07 11:00:00.500 TCP TX *\n"
                       "2026-12-07 11:00:00.600 TCP RX F?\n"
                       "2026-12-07 11:00:00.700 TCP RX STATO USCITE RELE ->00010000<-\\r\\nF?\n"
                       "2026-12-07 11:00:00.800 TCP RX STATO USCITE RELE ->00010000<-\\r\\nF?\n"
                       "2026-12-07 11:00:00.900 TCP RX \\r\\nF?\n"
                       "2026-12-07 11:00:01.000 TCP RX \\r\\nF? (×2)\n"
                       "2026-12-07 11:00:01.100 SER RX \\r\\nF?\n"
                       "2026-12-07 11:00:01.300 SER RX \\r\\nF? (×3)\n"
                       "2026-12-07 11:00:01.400 SER RX F?F?\n"
                       "2026-12-07 11:00:01.500 SER RX F?\\r\\n\n"
                       "2026-12-07 11:00:01.700 SER RX F?\\r\\n (×3)\n"
                       "2026-12-07 11:00:01.800 SER RX F?\\r\\n\n"
                       "2026-12-07 11:00:01.900 SER RX F?\\r\\n (×2)\n"));
}

void TestRegistroTraffico::rotazione()
{
    QTemporaryDir cartella;
    const QString file = cartella.filePath(RegistroTraffico::NomeFile);
    const QString copia = file + QStringLiteral(".1");
    // A full file from an earlier run rotates at the first line.
    QVERIFY(scriviTesto(file, QString(90, QLatin1Char('x'))));
    RegistroTraffico registro;
    registro.setOrologio([] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); });
    registro.setDimensioneMassima(100);
    QVERIFY(registro.avvia(cartella.path()));
    QSignalSpy interrotto(&registro, &RegistroTraffico::interrotto);

    // Each line is 42 bytes: two fit under 100, the third starts a new file.
    for (const char c : QByteArray("abcdefg")) {
        registro.ricevuti(QStringLiteral("TCP"), QByteArray(10, c));
    }
    const QString riga = QStringLiteral("2026-01-02 03:04:05.000 TCP RX %1\n");
    const auto righe = [&](const QByteArray &lettere) {
        QString testo;
        for (const char c : lettere) {
            testo += riga.arg(QString(10, QLatin1Char(c)));
        }
        return testo;
    };
    // 90 + 42 > 100: "a" went to a new file; the 90 x went with the next rotation.
    QCOMPARE(leggiTesto(copia), righe("ef"));
    QCOMPARE(leggiTesto(file), righe("g"));
    QVERIFY(!QFileInfo::exists(file + QStringLiteral(".2")));
    QVERIFY(registro.isAttivo());
    QCOMPARE(interrotto.size(), 0);
}

void TestRegistroTraffico::cartellaNonScrivibile()
{
    QTemporaryDir cartella;
    // A file where the folder should be: nobody, root included, can create a file inside it.
    const QString nonCartella = cartella.filePath(QStringLiteral("file"));
    QVERIFY(scriviTesto(nonCartella, QStringLiteral("x")));
    RegistroTraffico registro;
    QVERIFY(!registro.avvia(nonCartella));
    QVERIFY(!registro.isAttivo());
    QVERIFY(registro.errore().contains(QStringLiteral("brivola-traffico.log")));
    registro.scritti(QStringLiteral("TCP"), "*");
}

QTEST_GUILESS_MAIN(TestRegistroTraffico)
#include "tst_registroTraffico.moc"
