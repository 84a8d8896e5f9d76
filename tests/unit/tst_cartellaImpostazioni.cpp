#include "settings/CartellaImpostazioni.h"
#include "Supporto.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

bool creaFile(const QString &percorso)
{
    QDir().mkpath(QFileInfo(percorso).path());
    QFile file(percorso);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class TestCartellaImpostazioni : public QObject
{
    Q_OBJECT

private slots:
    void scelta_data()
    {
        QTest::addColumn<bool>("installato");
        QTest::addColumn<bool>("soloLettura");
        QTest::addColumn<bool>("utente");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("programma compilato o copiato") << false << false << false << "";
        QTest::newRow("copia installata") << true << false << true << "(programma installato)";
        QTest::newRow("cartella non scrivibile") << false << true << true << "non è scrivibile)";
    }

    void scelta()
    {
        QFETCH(bool, installato);
        QFETCH(bool, soloLettura);
        QFETCH(bool, utente);
        QFETCH(QString, motivo);
        QTemporaryDir radice;
        const QString bin = radice.filePath(QStringLiteral("usr/bin"));
        QVERIFY(QDir().mkpath(bin));
        if (installato) {
            QVERIFY(
                creaFile(radice.filePath(QStringLiteral("usr/share/applications/")) + kVoceMenu));
        }
        if (soloLettura) {
            QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
            // Open to an ordinary user, who may make the user's folder but not write in bin.
            QVERIFY(QFile::setPermissions(radice.path(), QFileDevice::Permissions(0x7777)));
        }
        const QString config = radice.filePath(QStringLiteral("casa/.config/brivola"));

        CartellaImpostazioni scelta;
        if (soloLettura) {
            // Root writes everywhere: the choice is made as an ordinary user.
            const QList<QByteArray> righe = comeUtenteComune([&] {
                                                const CartellaImpostazioni c =
                                                    scegliCartellaImpostazioni(bin, config);
                                                return (c.cartella + QLatin1Char('\n') +
                                                        c.descrizione)
                                                    .toUtf8();
                                            }).split('\n');
            QCOMPARE(righe.size(), 2);
            scelta.cartella = QString::fromUtf8(righe.at(0));
            scelta.descrizione = QString::fromUtf8(righe.at(1));
        } else {
            scelta = scegliCartellaImpostazioni(bin, config);
        }
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        const QString attesa = (utente ? config : bin) + QLatin1Char('/');
        QCOMPARE(scelta.cartella, attesa);
        // The log line names the folder, and why when it is not the program's.
        QVERIFY2(scelta.descrizione.contains(attesa), qPrintable(scelta.descrizione));
        QVERIFY2(scelta.descrizione.endsWith(utente ? motivo : attesa),
                 qPrintable(scelta.descrizione));
        // The user's folder is there for the first save; the program's is left alone.
        QCOMPARE(QFileInfo::exists(config), utente);
        QVERIFY(QDir(bin).isEmpty());
    }

    void cartellaUtenteImpossibile()
    {
        QTemporaryDir radice;
        const QString bin = radice.filePath(QStringLiteral("usr/bin"));
        QVERIFY(creaFile(radice.filePath(QStringLiteral("usr/share/applications/")) + kVoceMenu));
        QVERIFY(QDir().mkpath(bin));
        // A file where the folder should be: it cannot be made, and the log says so.
        QVERIFY(creaFile(radice.filePath(QStringLiteral("casa/.config"))));
        const CartellaImpostazioni scelta = scegliCartellaImpostazioni(
            bin, radice.filePath(QStringLiteral("casa/.config/brivola")));
        QVERIFY2(scelta.descrizione.contains(QStringLiteral("impossibile creare la cartella")),
                 qPrintable(scelta.descrizione));
    }
};

QTEST_GUILESS_MAIN(TestCartellaImpostazioni)
#include "tst_cartellaImpostazioni.moc"
