// The whole panel against the simulated board over TCP, killed with SIGKILL while the board's
// continuous output is being recorded: the history it leaves passes SQLite's integrity check
// and holds every item the panel saw committed.
#include "SimulatoreScheda.h"
#include "Supporto.h"
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "storico/Storico.h"

#include <QApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <limits>

namespace {

const char *const kFiglio = "BRIVOLA_PANNELLO_FIGLIO";

// Child: the panel on the settings folder `cartella`; the analog inputs page's first read
// opens the link, and the board's continuous output flows from then on. Says how many items
// are committed after each transaction, until killed.
int pannello(const QString &cartella)
{
    MessaggiRegistrati messaggi;
    TfrmMain finestra(&messaggi, cartella, nullptr, tempiBrevi());
    QObject::connect(&finestra.archivio(), &Storico::scritto, [](qint64 totale) {
        std::printf("scritte %lld\n", static_cast<long long>(totale));
        std::fflush(stdout);
    });
    finestra.show();
    QTimer::singleShot(200, &finestra, [&finestra] {
        QTest::mouseClick(finestra.findChild<QWidget *>(QStringLiteral("lbIA")), Qt::LeftButton);
    });
    return QApplication::exec();
}

} // namespace

class TestStoricoUcciso : public QObject
{
    Q_OBJECT

private slots:
    void uccisoMentreRegistra();
};

void TestStoricoUcciso::uccisoMentreRegistra()
{
    SimulatoreScheda scheda;
    scheda.setIntervallo(50);
    scheda.stato().continuo = true;
    const quint16 porta = scheda.avviaTcp();
    QVERIFY(porta != 0);
    QTemporaryDir cartella;
    QVERIFY(scriviPorteTcp(cartella.path(), porta));

    QProcess figlio;
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert(QString::fromLatin1(kFiglio), cartella.path());
    figlio.setProcessEnvironment(ambiente);
    figlio.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    figlio.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(figlio.waitForStarted(10000));
    qint64 confermate = 0;
    int transazioni = 0;
    QByteArray resto;
    const auto leggi = [&] {
        resto += figlio.readAllStandardOutput();
        while (resto.contains('\n')) {
            const qsizetype fine = resto.indexOf('\n');
            const QByteArray riga = resto.left(fine);
            resto.remove(0, fine + 1);
            if (riga.startsWith("scritte ")) {
                confermate = riga.mid(8).toLongLong();
                ++transazioni;
            }
        }
    };
    // Three transactions: the rounds are coming in while it dies.
    QTRY_VERIFY_WITH_TIMEOUT((leggi(), transazioni >= 3), 30000);
    figlio.kill();
    QVERIFY(figlio.waitForFinished(10000));
    QCOMPARE(figlio.exitStatus(), QProcess::CrashExit);
    leggi();

    const QString percorso = QDir(cartella.path()).filePath(Storico::NomeFile);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("c"));
        db.setDatabaseName(percorso);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA integrity_check")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ok"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("c"));

    // Every item committed is there: readings, states, events and labels alike; the
    // readings of each input in time order.
    const Storico storico(percorso);
    constexpr qint64 kSempre = std::numeric_limits<qint64>::max();
    qint64 trovati = storico.stati(0, kSempre).size() + storico.eventi({0, kSempre, 0, 0}).size() +
                     storico.etichette().size();
    qint64 letture = 0;
    for (int n = 1; n <= Storico::NumeroIngressi; ++n) {
        const QList<LetturaAnalogica> elenco = storico.letture(n, 0, kSempre);
        for (qsizetype i = 1; i < elenco.size(); ++i) {
            QVERIFY(elenco.at(i - 1).ms <= elenco.at(i).ms);
        }
        letture += elenco.size();
    }
    trovati += letture;
    QVERIFY2(trovati >= confermate && letture > 8,
             qPrintable(QStringLiteral("%1 trovati (%2 letture), %3 confermati")
                            .arg(trovati)
                            .arg(letture)
                            .arg(confermate)));
}

int main(int argc, char **argv)
{
    if (const QString cartella = qEnvironmentVariable(kFiglio); !cartella.isEmpty()) {
        QApplication applicazione(argc, argv);
        return pannello(cartella);
    }
    QApplication applicazione(argc, argv);
    TestStoricoUcciso test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_storicoUcciso.moc"
