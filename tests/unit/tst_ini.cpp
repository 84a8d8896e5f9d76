#include "core/Messaggi.h"
#include "settings/Ini.h"
#include "Supporto.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

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
        vecchio.write("[OPTION]\r\nIAT01=\xb0" "C\r\nUA01=Costo \x80\r\n");
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

        MessaggiRegistrati messaggi;
        {
            SalvataggioIni salvataggio(messaggi, file);
            for (int i = 1; i <= 8; ++i) {
                salvataggio.scrivi("OPTION", QStringLiteral("UD0%1").arg(i), "x");
            }
            salvataggio.concludi();
        }
        QCOMPARE(messaggi.voci().size(), 1);
        QCOMPARE(messaggi.voci().first().tipo, MessaggiRegistrati::Tipo::Avviso);
        QCOMPARE(messaggi.voci().first().testo,
                 QStringLiteral("Impossibile salvare le impostazioni nel file ") + file);

        // A successful action says nothing.
        messaggi.svuota();
        {
            SalvataggioIni salvataggio(messaggi, cartella.filePath("Buono.INI"));
            salvataggio.scrivi("OPTION", "UD01", "x");
        }
        QVERIFY(messaggi.voci().isEmpty());
    }

    void fileIlleggibileNonVieneSovrascritto()
    {
        if (geteuid() == 0) {
            QSKIP("root can read any file");
        }
        QTemporaryDir cartella;
        const QString file = cartella.filePath("Impostazioni.INI");
        QVERIFY(scriviTesto(file, "[OPTION]\nUD01=Luce\n"));
        QFile::setPermissions(file, QFile::WriteOwner);
        QVERIFY(!ScriviIni(file, "OPTION", "UD02", "x"));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(LeggiIni(file, "OPTION", "UD01"), QStringLiteral("Luce"));
    }
};

QTEST_GUILESS_MAIN(TestIni)
#include "tst_ini.moc"
