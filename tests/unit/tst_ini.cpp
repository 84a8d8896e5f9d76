#include "core/Messaggi.h"
#include "settings/Ini.h"
#include "Supporto.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

namespace {

QByteArray leggiByte(const QString &percorso)
{
    QFile file(percorso);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool scriviByte(const QString &percorso, const QByteArray &dati)
{
    QFile file(percorso);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(dati) == dati.size();
}

constexpr int kChiaviSalvate = 50;

QString chiaveSalvata(int n)
{
    return QStringLiteral("K%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Child process of the kill test: saves generation after generation of 50 keys, forever.
int salvaInCiclo(const QString &file, int base)
{
    for (int generazione = base + 1;; ++generazione) {
        SalvataggioIni salvataggio(file);
        for (int n = 1; n <= kChiaviSalvate; ++n) {
            salvataggio.scrivi(QStringLiteral("OPTION"), chiaveSalvata(n),
                               QStringLiteral("g%1").arg(generazione));
        }
        salvataggio.concludi();
        if (generazione == base + 1) {
            // The parent kills from here on.
            write(STDOUT_FILENO, "via\n", 4);
        }
    }
}

} // namespace

class TestIni : public QObject
{
    Q_OBJECT

private slots:
    void letturaDiCioCheManca()
    {
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Impostazioni.INI");
        QCOMPARE(LeggiIni(file, "OPTION", "UD01"), QStringLiteral("ERRORE"));
        QVERIFY(!QFile::exists(file));

        QVERIFY(scriviTesto(file, "[OPTION]\nUD01=Luce\nUD02=\nUD03=ERRORE\n"));
        QCOMPARE(LeggiIni(file, "OPTION", "UD01"), QStringLiteral("Luce"));
        QCOMPARE(LeggiIni(file, "OPTION", "UD02"), QString(""));
        QVERIFY(!LeggiIni(file, "OPTION", "UD02").isNull());
        QCOMPARE(LeggiIni(file, "OPTION", "UD03"), QStringLiteral("ERRORE"));
        QCOMPARE(LeggiIni(file, "OPTION", "UD04"), QStringLiteral("ERRORE"));
        QCOMPARE(LeggiIni(file, "Altro", "UD01"), QStringLiteral("ERRORE"));
    }

    void maiuscoleIgnorate()
    {
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Porte.INI");
        QVERIFY(scriviTesto(file, "[tipo]\ncollegamento=1\n"));
        QCOMPARE(LeggiIni(file, "TIPO", "Collegamento"), QStringLiteral("1"));
        QVERIFY(ScriviIni(file, "Tipo", "COLLEGAMENTO", "0"));
        QCOMPARE(LeggiIni(file, "tipo", "collegamento"), QStringLiteral("0"));
        // Still one key: the write replaced it instead of adding a second spelling.
        QCOMPARE(leggiTesto(file).count(QStringLiteral("=")), 1);
    }

    void scritturaConservaIlResto()
    {
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Impostazioni.INI");
        QVERIFY(scriviTesto(file, "; nomi dei punti\n[OPTION]\nUD01=Luce\n; allarmi\n"
                                  "[Impostazioni]\nAllarme=10000000\n"));
        QVERIFY(ScriviIni(file, "OPTION", "UD02", "Pompa"));
        QVERIFY(ScriviIni(file, "Nuova", "Chiave", ""));
        QCOMPARE(LeggiIni(file, "OPTION", "UD01"), QStringLiteral("Luce"));
        QCOMPARE(LeggiIni(file, "OPTION", "UD02"), QStringLiteral("Pompa"));
        QCOMPARE(LeggiIni(file, "Impostazioni", "Allarme"), QStringLiteral("10000000"));
        QCOMPARE(LeggiIni(file, "Nuova", "Chiave"), QString(""));
        const QString testo = leggiTesto(file);
        QVERIFY(testo.contains("; nomi dei punti"));
        QVERIFY(testo.contains("; allarmi"));
        QVERIFY(testo.contains("UD02=Pompa"));
    }

    void creaIlFileAllaPrimaScrittura()
    {
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Porte.INI");
        QVERIFY(ScriviIni(file, "TCP", "IP", "127.0.0.1"));
        QCOMPARE(leggiTesto(file).trimmed(), QStringLiteral("[TCP]\nIP=127.0.0.1"));
    }

    // A NUL (or any other byte) neither ends the reading nor gets lost at the next save.
    void byteQualsiasiSopravvivonoAlSalvataggio()
    {
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Impostazioni.INI");
        static const char grezzo[] =
            "; intestazione\n[OPTION]\nUD01=Lu\0ce\x01\nriga senza uguale\n"
            "=senza chiave\nUD02=Pompa\n[aperta\n\x7f\x1b garbage\n"
            "[Impostazioni]\nAllarme=10000000\n; coda\n";
        const QByteArray prima(grezzo, sizeof(grezzo) - 1);
        QVERIFY(scriviByte(file, prima));
        QCOMPARE(LeggiIni(file, "OPTION", "UD02"), QStringLiteral("Pompa"));
        QCOMPARE(LeggiIni(file, "Impostazioni", "Allarme"), QStringLiteral("10000000"));
        QCOMPARE(LeggiIni(file, "OPTION", "UD01"), QString::fromLatin1("Lu\0ce\x01", 6));

        QVERIFY(ScriviIni(file, "OPTION", "UD02", "Luci"));
        QVERIFY(ScriviIni(file, "OPTION", "UD03", "Nuova"));
        QVERIFY(ScriviIni(file, "Impostazioni", "Stato", "11111111"));
        const QByteArray dopo = leggiByte(file);
        // Every line but the one rewritten is still there, byte for byte.
        for (const QByteArray &riga : prima.split('\n')) {
            if (!riga.startsWith("UD02=")) {
                QVERIFY2(dopo.contains(riga), riga.constData());
            }
        }
        QCOMPARE(LeggiIni(file, "OPTION", "UD02"), QStringLiteral("Luci"));
        QCOMPARE(LeggiIni(file, "OPTION", "UD03"), QStringLiteral("Nuova"));
        QCOMPARE(LeggiIni(file, "Impostazioni", "Stato"), QStringLiteral("11111111"));
        QCOMPARE(LeggiIni(file, "Impostazioni", "Allarme"), QStringLiteral("10000000"));
        // The new key joined its section instead of a second [OPTION] at the end.
        QCOMPARE(dopo.count("[OPTION]"), 1);
    }

    // Files no editor would write still read, and a save leaves every key readable.
    void fileOstili_data()
    {
        QTest::addColumn<QByteArray>("contenuto");
        QTest::newRow("vuoto") << QByteArray();
        QTest::newRow("solo NUL") << QByteArray(4096, '\0');
        QByteArray casuale(65536, Qt::Uninitialized);
        QRandomGenerator generatore(13);
        for (char &c : casuale) {
            c = static_cast<char>(generatore.bounded(256));
        }
        QTest::newRow("binario") << casuale;
        QTest::newRow("UTF-8 non valido") << QByteArray("[OPTION]\nUD01=\xc3\x28\xa0\xa1\n");
        QTest::newRow("riga di 10 MB")
            << QByteArray("[OPTION]\nUD01=") + QByteArray(10 * 1024 * 1024, 'x') + "\nUD02=y\n";
        QTest::newRow("parentesi aperta su più righe")
            << QByteArray("[OPTION]\n[\n\nUD01=vecchio\nUD02=z");
        QTest::newRow("sezioni e chiavi doppie")
            << QByteArray("[option]\nud01=a\n[Altro]\nx=1\n[OPTION]\nUD01=b\r\nUD01=c");
        QTest::newRow("BOM e CR") << QByteArray("\xef\xbb\xbf[OPTION]\rUD09=q\r");
    }

    void fileOstili()
    {
        QFETCH(QByteArray, contenuto);
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Impostazioni.INI");
        QVERIFY(scriviByte(file, contenuto));
        LeggiIni(file, "OPTION", "UD01");

        const QList<VoceIni> voci = {{"OPTION", "UD01", "primo"},
                                     {"OPTION", "UD02", " con spazi "},
                                     {"Impostazioni", "Allarme", "01010101"},
                                     {"OPTION", "IA01", "°C àè"}};
        QVERIFY(ScriviIni(file, voci));
        QCOMPARE(LeggiIni(file, "option", "ud01"), QStringLiteral("primo"));
        QCOMPARE(LeggiIni(file, "OPTION", "UD02"), QStringLiteral("con spazi"));
        QCOMPARE(LeggiIni(file, "Impostazioni", "Allarme"), QStringLiteral("01010101"));
        QCOMPARE(LeggiIni(file, "OPTION", "IA01"), QStringLiteral("°C àè"));
        // A second save does not pile up copies of what it wrote.
        const qsizetype dimensione = leggiByte(file).size();
        QVERIFY(ScriviIni(file, voci));
        QCOMPARE(leggiByte(file).size(), dimensione);
    }

    // One save is one replacement of the file, with no temporary file left beside it.
    void salvataggioInUnaSolaSostituzione()
    {
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Impostazioni.INI");
        {
            SalvataggioIni salvataggio(file);
            salvataggio.scrivi("OPTION", "UD01", "a");
            salvataggio.scrivi("OPTION", "UD02", "b");
            salvataggio.scrivi("OPTION", "UD01", "c");
            // Nothing reaches the file before the action ends.
            QVERIFY(!QFile::exists(file));
            QVERIFY(salvataggio.concludi());
        }
        QCOMPARE(leggiByte(file), QByteArray("[OPTION]\nUD01=c\nUD02=b\n"));
        QCOMPARE(QDir(cartella.path()).entryList(QDir::Files), QStringList{"Impostazioni.INI"});

        // An action abandoned before its end writes nothing.
        {
            SalvataggioIni salvataggio(file);
            salvataggio.scrivi("OPTION", "UD01", "z");
        }
        QCOMPARE(LeggiIni(file, "OPTION", "UD01"), QStringLiteral("c"));
    }

    // A process killed at any moment of a save leaves the old file or the new one, whole.
    void uccisoDuranteISalvataggi()
    {
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Impostazioni.INI");
        QByteArray iniziale("; nomi\n[OPTION]\n");
        for (int n = 1; n <= kChiaviSalvate; ++n) {
            iniziale += chiaveSalvata(n).toUtf8() + "=g0\n";
        }
        iniziale += "riga non capita\n[Impostazioni]\nAllarme=10000000\n";
        QVERIFY(scriviByte(file, iniziale));

        QRandomGenerator generatore(200);
        int cambiati = 0;
        QString ultima = QStringLiteral("g0");
        for (int volta = 0; volta < 200; ++volta) {
            QProcess figlio;
            QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
            ambiente.insert(QStringLiteral("BRIVOLA_SALVA_IN_CICLO"), file);
            ambiente.insert(QStringLiteral("BRIVOLA_SALVA_BASE"), QString::number(volta * 100000));
            figlio.setProcessEnvironment(ambiente);
            figlio.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(figlio.waitForStarted());
            QVERIFY(figlio.waitForReadyRead(10000));
            // Any moment inside the following saves.
            QThread::usleep(generatore.bounded(3000u));
            ::kill(static_cast<pid_t>(figlio.processId()), SIGKILL);
            QVERIFY(figlio.waitForFinished(10000));

            const QString generazione = LeggiIni(file, "OPTION", chiaveSalvata(1));
            QVERIFY2(generazione.startsWith('g'), qPrintable(generazione));
            for (int n = 2; n <= kChiaviSalvate; ++n) {
                QCOMPARE(LeggiIni(file, "OPTION", chiaveSalvata(n)), generazione);
            }
            QCOMPARE(LeggiIni(file, "Impostazioni", "Allarme"), QStringLiteral("10000000"));
            QVERIFY(leggiByte(file).contains("riga non capita\n"));
            // The child finished one save before it could be killed.
            QVERIFY2(generazione.mid(1).toInt() > volta * 100000, qPrintable(generazione));
            cambiati += generazione != ultima ? 1 : 0;
            ultima = generazione;
        }
        QCOMPARE(cambiati, 200);
    }

    void testoItalianoECodificaWindows()
    {
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Impostazioni.INI");
        QVERIFY(ScriviIni(file, "OPTION", "IAT01", "°C"));
        QVERIFY(ScriviIni(file, "OPTION", "UA01", "LUMINOSITÀ €"));
        QCOMPARE(LeggiIni(file, "OPTION", "UA01"), QStringLiteral("LUMINOSITÀ €"));
        QVERIFY(leggiTesto(file).contains(QStringLiteral("IAT01=°C")));

        // An older file in Windows-1252: 0xB0 is the degree sign, 0x80 the euro sign.
        QFile vecchio(cartella.filePath("Vecchio.INI"));
        QVERIFY(vecchio.open(QIODevice::WriteOnly));
        vecchio.write("[OPTION]\r\nIAT01=\xb0"
                      "C\r\nUA01=Costo \x80\r\n");
        vecchio.close();
        QCOMPARE(LeggiIni(vecchio.fileName(), "OPTION", "IAT01"), QStringLiteral("°C"));
        QCOMPARE(LeggiIni(vecchio.fileName(), "OPTION", "UA01"), QStringLiteral("Costo €"));
    }

    void scritturaFallitaSegnalataUnaVolta()
    {
        // A folder that does not exist cannot be written, not even by root.
        QTemporaryDir cartella;
        const QString file = cartella.filePath("manca/Impostazioni.INI");
        QVERIFY(!ScriviIni(file, "OPTION", "UD01", "x"));

        SalvataggioIni salvataggio(file);
        for (int i = 1; i <= 8; ++i) {
            salvataggio.scrivi("OPTION", QStringLiteral("UD0%1").arg(i), "x");
        }
        QVERIFY(!salvataggio.concludi());
        // The file first, then why, in the system's words when it has none of ours.
        QVERIFY2(salvataggio.errore().startsWith(
                     QStringLiteral("Impossibile salvare le impostazioni nel file ") + file +
                     QStringLiteral("\n\n")),
                 qPrintable(salvataggio.errore()));
        // Reported once: a second end of the same action writes nothing more.
        QVERIFY(salvataggio.concludi());

        SalvataggioIni buono(cartella.filePath("Buono.INI"));
        buono.scrivi("OPTION", "UD01", "x");
        QVERIFY(buono.concludi());
    }

    void fileIlleggibileNonVieneSovrascritto()
    {
        QTemporaryDir cartella;
        // Open to everyone, so that only the file's own mode keeps the writer out.
        QVERIFY(QFile::setPermissions(cartella.path(), QFileDevice::Permissions(0x7777)));
        const QString file = cartella.filePath("Impostazioni.INI");
        QVERIFY(scriviTesto(file, "[OPTION]\nUD01=Luce\n"));
        QFile::setPermissions(file, QFile::WriteOwner);
        QCOMPARE(comeUtenteComune([&] {
                     return ScriviIni(file, "OPTION", "UD02", "x") ? "scritto" : "rifiutato";
                 }),
                 QByteArray("rifiutato"));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(LeggiIni(file, "OPTION", "UD02"), kErrore);
        QCOMPARE(LeggiIni(file, "OPTION", "UD01"), QStringLiteral("Luce"));
    }
};

int main(int argc, char **argv)
{
    const QString file = qEnvironmentVariable("BRIVOLA_SALVA_IN_CICLO");
    if (!file.isEmpty()) {
        return salvaInCiclo(file, qEnvironmentVariableIntValue("BRIVOLA_SALVA_BASE"));
    }
    QCoreApplication applicazione(argc, argv);
    TestIni test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_ini.moc"
