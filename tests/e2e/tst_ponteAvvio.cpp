// brivola-ponte, the program, refusing to start on settings that cannot work: it must stop at
// once with exit status 2 and say which file and what is wrong, never run on defaults nor
// retry for ever.
#include "tst_ponte_supporto.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace ponteprova;

class TestPonteAvvio : public QObject
{
    Q_OBJECT

private slots:
    void impostazioniInutilizzabili_data();
    void impostazioniInutilizzabili();
    void rifiutiDelBroker();
    void certificatoRifiutato_data();
    void certificatoRifiutato();
};

void TestPonteAvvio::impostazioniInutilizzabili_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("testo");
    // What to do to the file after writing it: "" nothing, "cartella" a folder in its place,
    // "fifo" a FIFO in its place, "altro" unreadable by the user the bridge runs as.
    QTest::addColumn<QString>("guasto");
    QTest::addColumn<QString>("atteso");

    const QByteArray tcp = "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=";
    QTest::newRow("porta oltre 65535") << "Porte.INI" << tcp + "99999\n"
                                       << ""
                                       << "[TCP] Porta=99999: serve un numero intero";
    QTest::newRow("porta non numerica") << "Porte.INI" << tcp + "abc\n"
                                        << ""
                                        << "[TCP] Porta=abc: serve un numero intero";
    QTest::newRow("porta in cifre arabe") << "Porte.INI" << tcp + "\xd9\xa5\xd9\xa5\n"
                                          << ""
                                          << "[TCP] Porta=٥٥: serve un numero";
    // The bridge is what holds the board's link: it cannot reach the board through itself.
    QTest::newRow("collegamento MQTT") << "Porte.INI" << QByteArray("[TIPO]\nCollegamento=2\n")
                                       << ""
                                       << "[TIPO] Collegamento=2 (MQTT)";
    QTest::newRow("Ponte.INI cartella") << "Ponte.INI" << QByteArray() << "cartella"
                                        << "Ponte.INI: è una cartella, non un file";
    QTest::newRow("Ponte.INI di un altro utente")
        << "Ponte.INI" << QByteArray("[MQTT]\nPorta=1884\n") << "altro"
        << "Ponte.INI: permesso negato all'utente";
    QTest::newRow("Impostazioni.INI fifo") << "Impostazioni.INI" << QByteArray() << "fifo"
                                           << "Impostazioni.INI: non è un file regolare";
    QTest::newRow("password vuota") << "password" << QByteArray("\n") << ""
                                    << "il file è vuoto, nessuna password";
    QTest::newRow("password fifo") << "password" << QByteArray() << "fifo"
                                   << "non è un file regolare";
}

void TestPonteAvvio::impostazioniInutilizzabili()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, testo);
    QFETCH(QString, guasto);
    QFETCH(QString, atteso);
    QTemporaryDir cartella;
    QVERIFY(cartella.isValid());
    const QDir dir(cartella.path());
    const QString percorso = dir.filePath(file);
    if (file == QLatin1String("password")) {
        QVERIFY(scriviFile(dir.filePath(QStringLiteral("Ponte.INI")),
                           "[MQTT]\nUtente=casa\nFilePassword=" + percorso.toUtf8() + "\n"));
    }
    if (guasto == QLatin1String("cartella")) {
        QVERIFY(dir.mkdir(file));
    } else if (guasto == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(percorso).constData(), 0600), 0);
    } else {
        QVERIFY(scriviFile(percorso, testo));
        QVERIFY(QFile::setPermissions(percorso, QFile::ReadOwner | QFile::WriteOwner));
    }

    QStringList comando{QCoreApplication::applicationDirPath() + QStringLiteral("/brivola-ponte"),
                        QStringLiteral("--impostazioni"), cartella.path()};
    if (guasto == QLatin1String("altro")) {
        if (::geteuid() == 0) {
            // Root reads everything: the bridge runs as nobody, as a service user would.
            QVERIFY(QFile::setPermissions(cartella.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ExeOwner | QFile::ReadOther |
                                                               QFile::ExeOther));
            comando = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                                  QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                                  QStringLiteral("--")} +
                      comando;
        } else {
            QVERIFY(QFile::setPermissions(percorso, QFile::Permissions()));
        }
    }
    QProcess ponte;
    ponte.start(comando.takeFirst(), comando);
    QVERIFY(ponte.waitForStarted(5000));
    // At once: no broker runs, and a FIFO must not hang the start.
    QVERIFY(ponte.waitForFinished(15000));
    const QString log = QString::fromUtf8(ponte.readAllStandardError());
    QCOMPARE(ponte.exitStatus(), QProcess::NormalExit);
    QVERIFY2(ponte.exitCode() == 2, qPrintable(log));
    QVERIFY2(log.contains(atteso), qPrintable(log));
    QVERIFY2(log.contains(QStringLiteral("<3>")), qPrintable(log));
}

void TestPonteAvvio::rifiutiDelBroker()
{
    // The broker lets the bridge publish its states but not the discovery: the refusal is in
    // the log with its topic and the broker's reason. No board is needed for that.
    QTemporaryDir cartella;
    Broker broker(cartella.path());
    broker.setAcl("topic read homeassistant/status\ntopic readwrite brivola/#\n");
    QVERIFY(broker.avvia());
    const QDir dir(cartella.path());
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Porte.INI")),
                       "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" +
                           QByteArray::number(portaLibera()) + "\n"));
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Ponte.INI")),
                       "[MQTT]\nPorta=" + QByteArray::number(broker.porta()) + "\nId=prova\n"));
    ProcessoPonte ponte;
    QVERIFY(ponte.avvia(cartella.path()));
    const QString rifiuto =
        QStringLiteral("<3>errore: MQTT: il broker rifiuta la pubblicazione "
                       "su homeassistant/device/brivola_prova/config: non autorizzato");
    QTRY_VERIFY2_WITH_TIMEOUT(ponte.log().contains(rifiuto), qPrintable(ponte.log()), 15000);
    // What is allowed is not reported.
    QVERIFY(!ponte.log().contains(QStringLiteral("rifiuta la pubblicazione su brivola/")));
    QCOMPARE(ponte.ferma(), 0);
}

namespace {

bool openssl(const QString &cartella, const QStringList &argomenti)
{
    QProcess processo;
    processo.setWorkingDirectory(cartella);
    processo.start(QStringLiteral("openssl"), argomenti);
    return processo.waitForFinished(20000) && processo.exitCode() == 0;
}

// A key and a certificate "nome", signed by the CA "firmataDa" or by itself.
// `giorni` negative: expired since.
bool certificato(const QString &cartella, const QString &nome, const QString &soggetto,
                 const QString &firmataDa = {}, int giorni = 30)
{
    const QStringList chiave{QStringLiteral("-newkey"),
                             QStringLiteral("ec"),
                             QStringLiteral("-pkeyopt"),
                             QStringLiteral("ec_paramgen_curve:prime256v1"),
                             QStringLiteral("-nodes"),
                             QStringLiteral("-keyout"),
                             nome + QStringLiteral(".key"),
                             QStringLiteral("-subj"),
                             soggetto};
    if (firmataDa.isEmpty()) {
        return openssl(cartella,
                       QStringList{QStringLiteral("req"), QStringLiteral("-x509"),
                                   QStringLiteral("-days"), QStringLiteral("30"),
                                   QStringLiteral("-out"), nome + QStringLiteral(".crt")} +
                           chiave);
    }
    return scriviFile(QDir(cartella).filePath(QStringLiteral("estensioni")),
                      "subjectAltName=IP:127.0.0.1\n") &&
           openssl(cartella, QStringList{QStringLiteral("req"), QStringLiteral("-out"),
                                         nome + QStringLiteral(".csr")} +
                                 chiave) &&
           openssl(cartella, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                              nome + QStringLiteral(".csr"), QStringLiteral("-CA"),
                              firmataDa + QStringLiteral(".crt"), QStringLiteral("-CAkey"),
                              firmataDa + QStringLiteral(".key"), QStringLiteral("-CAcreateserial"),
                              QStringLiteral("-days"), QString::number(giorni),
                              QStringLiteral("-extfile"), QStringLiteral("estensioni"),
                              QStringLiteral("-out"), nome + QStringLiteral(".crt")});
}

} // namespace

void TestPonteAvvio::certificatoRifiutato_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("ca");
    QTest::addColumn<int>("giorni");
    QTest::addColumn<QString>("atteso");
    QTest::newRow("CA sbagliata") << "127.0.0.1"
                                  << "altra" << 30
                                  << "il certificato del broker non è firmato dalla CA";
    QTest::newRow("nome sbagliato")
        << "localhost"
        << "ca" << 30 << "il certificato del broker non vale per il nome localhost";
    QTest::newRow("scaduto") << "127.0.0.1"
                             << "ca" << -1 << "il certificato del broker è scaduto il";
}

void TestPonteAvvio::certificatoRifiutato()
{
    // A broker on TLS whose certificate the bridge must refuse: the log names why, at error
    // level, before any connection was ever made.
    QFETCH(QString, host);
    QFETCH(QString, ca);
    QFETCH(int, giorni);
    QFETCH(QString, atteso);
    QTemporaryDir cartella;
    const QString c = cartella.path();
    QVERIFY(certificato(c, QStringLiteral("ca"), QStringLiteral("/CN=Prova CA")));
    QVERIFY(certificato(c, QStringLiteral("altra"), QStringLiteral("/CN=Altra CA")));
    QVERIFY(certificato(c, QStringLiteral("broker"), QStringLiteral("/CN=127.0.0.1"),
                        QStringLiteral("ca"), giorni));
    // Run as root, mosquitto reads its key after dropping to its own user.
    QFile::setPermissions(c, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                 QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(QDir(c).filePath(QStringLiteral("broker.key")),
                          QFile::ReadOwner | QFile::ReadOther);
    Broker broker(c);
    broker.setTls(QDir(c).filePath(QStringLiteral("ca.crt")),
                  QDir(c).filePath(QStringLiteral("broker.crt")),
                  QDir(c).filePath(QStringLiteral("broker.key")));
    QVERIFY(broker.avvia());
    const QDir dir(c);
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Porte.INI")),
                       "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" +
                           QByteArray::number(portaLibera()) + "\n"));
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Ponte.INI")),
                       "[MQTT]\nHost=" + host.toUtf8() +
                           "\nPorta=" + QByteArray::number(broker.porta()) +
                           "\nCA=" + dir.filePath(ca + QStringLiteral(".crt")).toUtf8() + "\n"));
    ProcessoPonte ponte;
    QVERIFY(ponte.avvia(c));
    QTRY_VERIFY2_WITH_TIMEOUT(ponte.log().contains(QStringLiteral("<3>errore: MQTT: il broker ") +
                                                   host + QStringLiteral(" non è accettato: ") +
                                                   atteso),
                              qPrintable(ponte.log()), 20000);
    QVERIFY(!ponte.log().contains(QStringLiteral("MQTT: collegato")));
    QCOMPARE(ponte.ferma(), 0);
}

QTEST_GUILESS_MAIN(TestPonteAvvio)
#include "tst_ponteAvvio.moc"
