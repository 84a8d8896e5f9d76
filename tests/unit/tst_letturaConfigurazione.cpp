#include "settings/ConfigurazionePredefinita.h"
#include "settings/Ini.h"
#include "settings/IniLetto.h"
#include "settings/LayoutIni.h"
#include "settings/LetturaConfigurazione.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {

bool scriviByte(const QString &percorso, const QByteArray &dati)
{
    QFile file(percorso);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(dati) == dati.size();
}

// Every "OPTION" key of the configuration with its value and its default.
struct Voce
{
    QString chiave;
    const QString *valore;
    const QString *predefinito;
};

QList<Voce> voci(const ValoriConfigurazione &c)
{
    namespace P = ConfigurazionePredefinita;
    QList<Voce> risultato;
    const auto aggiungi = [&risultato](const auto &valori, const auto &predefiniti,
                                       QString (*chiave)(int)) {
        for (std::size_t i = 0; i < valori.size(); ++i) {
            risultato.append({chiave(int(i) + 1), &valori[i], &predefiniti[i]});
        }
    };
    aggiungi(c.nomiUD, P::kNomiUD, LayoutIni::chiaveUD);
    aggiungi(c.nomiID, P::kNomiID, LayoutIni::chiaveID);
    aggiungi(c.nomiUA, P::kNomiUA, LayoutIni::chiaveUA);
    aggiungi(c.nomiIA, P::kNomiIA, LayoutIni::chiaveIA);
    aggiungi(c.unitaIA, P::kUnitaIA, LayoutIni::chiaveIAT);
    aggiungi(c.minimiIA, P::kMinimiIA, LayoutIni::chiaveIAV);
    aggiungi(c.massimiIA, P::kMassimiIA, LayoutIni::chiaveIAVM);
    return risultato;
}

const QString kAssente = QStringLiteral("<nessun file>");
const QString kCartella = QStringLiteral("<cartella>");

// The file's path for a row: absent, a folder (exists but cannot be read), or written.
QString preparaFile(const QTemporaryDir &cartella, const QByteArray &contenuto)
{
    const QString file = cartella.filePath(QStringLiteral("Impostazioni.INI"));
    if (contenuto == kCartella.toUtf8()) {
        QDir(cartella.path()).mkdir(QStringLiteral("Impostazioni.INI"));
    } else if (contenuto != kAssente.toUtf8()) {
        scriviByte(file, contenuto);
    }
    return file;
}

} // namespace

class TestLetturaConfigurazione : public QObject
{
    Q_OBJECT

private slots:
    // One parse answers every lookup as a lookup of its own would.
    void comeLeggiIni_data()
    {
        QTest::addColumn<QByteArray>("contenuto");
        QTest::addColumn<QString>("sezione");
        QTest::addColumn<QString>("chiave");
        QTest::addColumn<QString>("atteso");

        const auto riga = [](const char *nome, const QByteArray &contenuto, const char *sezione,
                             const char *chiave, const QString &atteso) {
            QTest::newRow(nome) << contenuto << QString::fromUtf8(sezione)
                                << QString::fromUtf8(chiave) << atteso;
        };
        const QByteArray base = "[OPTION]\nUD01=Luce\nUD02=\nUD03=ERRORE\n"
                                "[Impostazioni]\nStato=1010\n";
        riga("file assente", kAssente.toUtf8(), "OPTION", "UD01", kErrore);
        riga("file illeggibile", kCartella.toUtf8(), "OPTION", "UD01", kErrore);
        riga("file vuoto", QByteArray(), "OPTION", "UD01", kErrore);
        riga("chiave presente", base, "OPTION", "UD01", "Luce");
        riga("valore vuoto", base, "OPTION", "UD02", "");
        riga("valore ERRORE", base, "OPTION", "UD03", kErrore);
        riga("chiave assente", base, "OPTION", "UD04", kErrore);
        riga("sezione assente", base, "Altro", "UD01", kErrore);
        riga("chiave di un'altra sezione", base, "OPTION", "Stato", kErrore);
        riga("seconda sezione", base, "Impostazioni", "Stato", "1010");
        riga("minuscole chieste", base, "option", "ud01", "Luce");
        riga("minuscole nel file", "[option]\nud01=Luce\n", "OPTION", "UD01", "Luce");
        riga("sezione ripetuta", "[OPTION]\nUD01=a\n[Altro]\nx=1\n[option]\nUD02=b\n", "OPTION",
             "UD02", "b");
        riga("spazi attorno", "[ OPTION ]\n  UD01 =  Luce Esterna  \n", "OPTION", "UD01",
             "Luce Esterna");
        riga("BOM e CR", "\xef\xbb\xbf[OPTION]\rUD09=q\r", "OPTION", "UD09", "q");
        riga("Windows-1252",
             "[OPTION]\r\nIAT01=\xb0"
             "C \x80\r\n",
             "OPTION", "IAT01", "°C €");
        riga("NUL nel valore", QByteArray("[OPTION]\nUD01=a") + '\0' + "b\nUD02=c\n", "OPTION",
             "UD01", QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
        riga("commento", "[OPTION]\n;UD01=x\n", "OPTION", "UD01", kErrore);
    }

    void comeLeggiIni()
    {
        QFETCH(QByteArray, contenuto);
        QFETCH(QString, sezione);
        QFETCH(QString, chiave);
        QFETCH(QString, atteso);
        QTemporaryDir cartella;
        const QString file = preparaFile(cartella, contenuto);

        QCOMPARE(LeggiIni(file, sezione, chiave), atteso);
        const IniLetto ini(file);
        QCOMPARE(ini.valore(sezione, chiave), atteso);
        // Asked again, in any order: the parse is kept, not spent.
        QCOMPARE(ini.valore(QStringLiteral("OPTION"), QStringLiteral("UD01")),
                 LeggiIni(file, QStringLiteral("OPTION"), QStringLiteral("UD01")));
        QCOMPARE(ini.valore(sezione, chiave), atteso);
    }

    // What was read stays: the file is not opened again for later lookups.
    void unaSolaLettura()
    {
        QTemporaryDir cartella;
        const QString file = cartella.filePath(QStringLiteral("Impostazioni.INI"));
        QVERIFY(scriviByte(file, "[OPTION]\nUD01=prima\n"));
        const IniLetto ini(file);
        QVERIFY(ini.isLetto());
        QVERIFY(scriviByte(file, "[OPTION]\nUD01=dopo\nUD02=nuova\n"));
        QCOMPARE(ini.valore(QStringLiteral("OPTION"), QStringLiteral("UD01")), "prima");
        QCOMPARE(ini.valore(QStringLiteral("OPTION"), QStringLiteral("UD02")), kErrore);
        QVERIFY(QFile::remove(file));
        QCOMPARE(ini.valore(QStringLiteral("OPTION"), QStringLiteral("UD01")), "prima");

        QVERIFY(!IniLetto(file).isLetto());
        QCOMPARE(IniLetto(file).valore(QStringLiteral("OPTION"), QStringLiteral("UD01")), kErrore);
    }

    // Names, units and ranges: defaults for what is missing, and the units' check.
    // `attese` lists "key=value" where the result differs from the default.
    void configurazione_data()
    {
        QTest::addColumn<QByteArray>("contenuto");
        QTest::addColumn<QStringList>("attese");
        QTest::addColumn<QStringList>("avvisi");

        QTest::newRow("file assente") << kAssente.toUtf8() << QStringList() << QStringList();
        QTest::newRow("file illeggibile") << kCartella.toUtf8() << QStringList() << QStringList();
        QTest::newRow("sezione assente")
            << QByteArray("[Impostazioni]\nUD01=x\nIAT01=z\n") << QStringList() << QStringList();
        QTest::newRow("valori del file")
            << QByteArray("[OPTION]\nUD01=Pompa\nID08=Porta\nUA02=Luci\nIA01=Serra\n"
                          "IAT01=4\nIAV01=-5.5\nIAVM08=99\n")
            << QStringList{"UD01=Pompa", "ID08=Porta", "UA02=Luci", "IA01=Serra",
                           "IAT01=4",    "IAV01=-5.5", "IAVM08=99"}
            << QStringList();
        QTest::newRow("lettere minuscole")
            << QByteArray("[option]\nud03=Cancello\niavm02=7\n")
            << QStringList{"UD03=Cancello", "IAVM02=7"} << QStringList();
        // An empty name is a name; only the missing marker takes the default.
        QTest::newRow("vuoto e ERRORE") << QByteArray("[OPTION]\nUD01=\nUD02=ERRORE\nIA03=\n")
                                        << QStringList{"UD01=", "IA03="} << QStringList();
        // A whole number out of the unit list is not the check's business: the page shows none.
        QTest::newRow("unità numeriche")
            << QByteArray("[OPTION]\nIAT01=+2\nIAT02=7\nIAT03=-1\nIAT04=ERRORE\n")
            << QStringList{"IAT01=+2", "IAT02=7", "IAT03=-1"} << QStringList();
        QTest::newRow("unità non numeriche")
            << QByteArray("[OPTION]\nIAT02=x\nIAT03=\nIAT05=1.5\nIAT06=2\nIAT08=0x4\n")
            << QStringList{"IAT06=2"}
            << QStringList{"Valore non valido nel file %1: IAT02=x non è un numero; si usa 0.",
                           "Valore non valido nel file %1: IAT03= non è un numero; si usa 1.",
                           "Valore non valido nel file %1: IAT05=1.5 non è un numero; si usa 2.",
                           "Valore non valido nel file %1: IAT08=0x4 non è un numero; si usa 4."};
        // A range end must be a number for the pages to scale with it; a comma is a separator.
        QTest::newRow("estremi non numerici")
            << QByteArray("[OPTION]\nIAV01=x\nIAVM01=7,5\nIAV03=\nIAVM03= 12 \nIAVM08=1e999\n"
                          "IAV06=-0.5\nIAVM06=inf\n")
            << QStringList{"IAVM01=7,5", "IAVM03=12", "IAV06=-0.5"}
            << QStringList{"Valore non valido nel file %1: IAV01=x non è un numero; si usa -20.",
                           "Valore non valido nel file %1: IAV03= non è un numero; si usa 0.",
                           "Valore non valido nel file %1: IAVM06=inf non è un numero; si usa 5.",
                           "Valore non valido nel file %1: IAVM08=1e999 non è un numero; si usa "
                           "10."};
        QTest::newRow("Windows-1252")
            << QByteArray("[OPTION]\r\nUA01=LUMINOSIT\xc0\r\nIAT07=\xb0"
                          "C\r\n")
            << QStringList{"UA01=LUMINOSITÀ"}
            << QStringList{"Valore non valido nel file %1: IAT07=°C non è un numero; si usa 0."};
    }

    void configurazione()
    {
        QFETCH(QByteArray, contenuto);
        QFETCH(QStringList, attese);
        QFETCH(QStringList, avvisi);
        QTemporaryDir cartella;
        const QString file = preparaFile(cartella, contenuto);

        const LetturaConfigurazione letta = LetturaConfigurazione::leggi(file);
        QHash<QString, QString> diverse;
        for (const QString &attesa : std::as_const(attese)) {
            const qsizetype uguale = attesa.indexOf(QLatin1Char('='));
            diverse.insert(attesa.left(uguale), attesa.mid(uguale + 1));
        }
        const QList<Voce> tutte = voci(letta.valori);
        QCOMPARE(tutte.size(), 50);
        for (const Voce &voce : tutte) {
            const QString atteso = diverse.value(voce.chiave, *voce.predefinito);
            QVERIFY2(*voce.valore == atteso,
                     qPrintable(voce.chiave + ": " + *voce.valore + " invece di " + atteso));
            // The same as that key's own lookup, where the file is taken as it stands.
            const QString daSola = LeggiIni(file, LayoutIni::kSezOption, voce.chiave);
            const QString chiaveNelTesto = QStringLiteral(": %1=").arg(voce.chiave);
            const bool sostituita =
                std::any_of(letta.avvisi.cbegin(), letta.avvisi.cend(),
                            [&](const QString &a) { return a.contains(chiaveNelTesto); });
            if (daSola != kErrore && !sostituita) {
                QCOMPARE(*voce.valore, daSola);
            }
        }
        QStringList avvisiAttesi;
        for (const QString &avviso : std::as_const(avvisi)) {
            avvisiAttesi << avviso.arg(file);
        }
        QCOMPARE(letta.avvisi, avvisiAttesi);
    }
};

QTEST_GUILESS_MAIN(TestLetturaConfigurazione)
#include "tst_letturaConfigurazione.moc"
