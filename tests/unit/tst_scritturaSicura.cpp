// Writes that fail part-way: a settings file on a disk that fills up, the leftovers of a save
// killed before its rename, a link planted where the traffic record goes.
#include "link/RegistroTraffico.h"
#include "settings/Ini.h"
#include "Supporto.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs a save of `voci` into `file` in a child process whose files may not grow past
// `limite` bytes (as on a disk with that much room left); the warning it would show, or
// "ok".
QString salvaConLimite(const QString &file, const QList<VoceIni> &voci, rlim_t limite)
{
    int tubo[2];
    if (pipe(tubo) != 0) {
        return QStringLiteral("pipe");
    }
    const pid_t figlio = fork();
    if (figlio == 0) {
        close(tubo[0]);
        // Past the limit the kernel sends SIGXFSZ; ignored, the write fails with EFBIG.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limiti{limite, limite};
        setrlimit(RLIMIT_FSIZE, &limiti);
        SalvataggioIni salvataggio(file);
        for (const VoceIni &voce : voci) {
            salvataggio.scrivi(voce.sezione, voce.chiave, voce.valore);
        }
        const QByteArray esito =
            salvataggio.concludi() ? QByteArray("ok") : salvataggio.errore().toUtf8();
        [[maybe_unused]] const ssize_t scritti = write(tubo[1], esito.constData(), esito.size());
        _exit(0);
    }
    close(tubo[1]);
    QByteArray letto;
    char blocco[512];
    for (ssize_t n; (n = read(tubo[0], blocco, sizeof blocco)) > 0;) {
        letto.append(blocco, n);
    }
    close(tubo[0]);
    waitpid(figlio, nullptr, 0);
    return QString::fromUtf8(letto);
}

} // namespace

class TestScritturaSicura : public QObject
{
    Q_OBJECT

private slots:
    void discoPienoLasciaIlFileComEra();
    void avanziDiSalvataggiUccisiRimossi();
    void registroNonSegueICollegamenti();
};

void TestScritturaSicura::discoPienoLasciaIlFileComEra()
{
    QTemporaryDir cartella;
    const QString file = cartella.filePath(QStringLiteral("Impostazioni.INI"));
    const QByteArray vecchio = "[OPTION]\nIAV05=10\nIAVM05=90\nUD01=Pompa\n";
    QVERIFY(scriviTesto(file, QString::fromLatin1(vecchio)));

    // A name too long for the room left: the save fails, the file keeps every byte.
    const QList<VoceIni> voci{{"OPTION", "UD01", QString(4000, QLatin1Char('x'))}};
    const QString avviso = salvaConLimite(file, voci, 1024);
    QVERIFY2(avviso.startsWith(QStringLiteral("Impossibile salvare le impostazioni nel file ") +
                               file + QStringLiteral("\n\n")),
             qPrintable(avviso));
    QVERIFY2(avviso.endsWith(QStringLiteral("File troppo grande per il disco")),
             qPrintable(avviso));
    QFile letto(file);
    QVERIFY(letto.open(QIODevice::ReadOnly));
    QCOMPARE(letto.readAll(), vecchio);
    QCOMPARE(QDir(cartella.path()).entryList(QDir::Files), QStringList{"Impostazioni.INI"});

    // With room enough the same save goes through.
    QCOMPARE(salvaConLimite(file, voci, 1 << 20), QStringLiteral("ok"));
    QCOMPARE(LeggiIni(file, "OPTION", "UD01"), QString(4000, QLatin1Char('x')));
    QCOMPARE(LeggiIni(file, "OPTION", "IAVM05"), QStringLiteral("90"));
}

void TestScritturaSicura::avanziDiSalvataggiUccisiRimossi()
{
    QTemporaryDir cartella;
    QDir dir(cartella.path());
    const QString file = dir.filePath(QStringLiteral("Impostazioni.INI"));
    // What a save killed between writing and renaming leaves, and names that only look alike.
    const QStringList avanzi{"Impostazioni.INI.aB3xYz", "Impostazioni.INI.000000"};
    const QStringList altri{"Impostazioni.INI.bak", "Impostazioni.INI.abcdefg", "Porte.INI.aB3xYz",
                            "Impostazioni.INI.1"};
    for (const QString &nome : avanzi + altri) {
        QVERIFY(scriviTesto(dir.filePath(nome), QStringLiteral("x")));
    }
    QVERIFY(ScriviIni(file, "OPTION", "UD01", "Luce"));
    QStringList attesi = altri + QStringList{"Impostazioni.INI"};
    attesi.sort();
    QCOMPARE(dir.entryList(QDir::Files, QDir::Name), attesi);
}

void TestScritturaSicura::registroNonSegueICollegamenti()
{
    QTemporaryDir cartella;
    const QString bersaglio = cartella.filePath(QStringLiteral("altrove.txt"));
    QVERIFY(scriviTesto(bersaglio, QStringLiteral("intatto\n")));
    QVERIFY(QFile::link(bersaglio, cartella.filePath(RegistroTraffico::NomeFile)));

    RegistroTraffico registro;
    QVERIFY(!registro.avvia(cartella.path()));
    QVERIFY2(registro.errore().contains(QStringLiteral("collegamento simbolico")),
             qPrintable(registro.errore()));
    registro.scritti(QStringLiteral("TCP"), "*/RS");
    QCOMPARE(leggiTesto(bersaglio), QStringLiteral("intatto\n"));
}

QTEST_GUILESS_MAIN(TestScritturaSicura)
#include "tst_scritturaSicura.moc"
