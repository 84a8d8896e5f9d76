// The history store on a real SQLite file: packing, rollups, retention, and what it does when
// the process dies, the disk fills, the file is damaged or another program holds it.
#include "storico/BloccoLetture.h"
#include "storico/ImpostazioniAllarmi.h"
#include "storico/PuntoStorico.h"
#include "storico/Storico.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <limits>
#include <cstdio>
#include <sys/resource.h>

using Stato = ScrittoreStorico::Stato;

namespace {

constexpr qint64 kGiorno = 24LL * 60 * 60 * 1000;
// 2026-12-07 10:00:00 UTC, on a whole hour.
constexpr qint64 kBase = 1796637600000LL;

Storico::Opzioni opzioniRapide()
{
    Storico::Opzioni o;
    o.intervalloMs = 20;
    o.ritentaMs = 100;
    return o;
}

// Integrity and the number of readings, through a connection of its own.
struct Controllo
{
    QString integrita;
    QList<qint64> valori;
};

Controllo controlla(const QString &percorso, int ingresso = 1)
{
    Controllo c;
    const QString nome = QStringLiteral("controllo");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nome);
        db.setDatabaseName(percorso);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next()) {
                c.integrita = q.value(0).toString();
            }
            QSqlQuery r(db);
            r.prepare(QStringLiteral("SELECT minuto, dati FROM letture WHERE ingresso = ?"
                                     " ORDER BY minuto"));
            r.addBindValue(ingresso);
            if (r.exec()) {
                while (r.next()) {
                    for (const auto &v : BloccoLetture::leggi(r.value(1).toByteArray(),
                                                              r.value(0).toLongLong())) {
                        c.valori.append(v.valore);
                    }
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(nome);
    return c;
}

// Child: writes one reading per tick and says how many items are committed after each
// transaction, until killed.
int figlioScrittura(const QString &percorso)
{
    Storico storico(percorso, opzioniRapide());
    qint64 n = 0;
    QTimer passo;
    QObject::connect(&passo, &QTimer::timeout, [&] {
        for (int i = 0; i < 20; ++i, ++n) {
            storico.aggiungiLettura(1, kBase + n * 1000, int(n % 65536), n, QStringLiteral("T"),
                                    QStringLiteral("°C"));
        }
    });
    QObject::connect(&storico, &Storico::scritto, [](qint64 totale) {
        std::printf("scritte %lld\n", static_cast<long long>(totale));
        std::fflush(stdout);
    });
    passo.start(5);
    return QCoreApplication::exec();
}

// Child: records under a file-size limit until the store pauses, lifts the limit, and ends once
// everything handed over is written. Prints every state it sees.
int figlioPieno(const QString &percorso)
{
    std::signal(SIGXFSZ, SIG_IGN);
    Storico storico(percorso, opzioniRapide());
    qint64 n = 0;
    bool limitato = false;
    bool nutri = true;
    QTimer passo;
    QObject::connect(&passo, &QTimer::timeout, [&] {
        if (!nutri) {
            return;
        }
        for (int i = 0; i < 200; ++i, ++n) {
            // Values that do not pack small, so the file grows quickly.
            storico.aggiungiLettura(1 + int(n % 8), kBase + n * 125, int(n % 65536),
                                    n * 7919 % 1000003, QStringLiteral("P"), QString());
        }
    });
    QObject::connect(&storico, &Storico::scritto, [&](qint64) {
        if (!limitato) {
            // The file exists with its tables: from now on it may grow by a little only.
            limitato = true;
            rlimit limite{};
            getrlimit(RLIMIT_FSIZE, &limite);
            limite.rlim_cur = 256 * 1024;
            setrlimit(RLIMIT_FSIZE, &limite);
        }
    });
    QObject::connect(&storico, &Storico::statoCambiato, [&](Stato stato, const QString &testo) {
        std::printf("stato %d %s\n", int(stato), testo.toUtf8().constData());
        std::fflush(stdout);
        if (stato == Stato::Pieno) {
            // Room again: the limit goes back up, and the store must find out by itself.
            QTimer::singleShot(300, [&] {
                nutri = false;
                rlimit limite{};
                getrlimit(RLIMIT_FSIZE, &limite);
                limite.rlim_cur = limite.rlim_max;
                setrlimit(RLIMIT_FSIZE, &limite);
            });
        } else if (stato == Stato::Attivo && !nutri) {
            std::printf("consegnate %lld\n", static_cast<long long>(n));
            std::fflush(stdout);
            QCoreApplication::quit();
        }
    });
    passo.start(10);
    QTimer::singleShot(60000, [] { QCoreApplication::exit(3); });
    return QCoreApplication::exec();
}

} // namespace

class TestStorico : public QObject
{
    Q_OBJECT

private slots:
    void blocco_data();
    void blocco();
    void bloccoDanneggiato();
    void punti_data();
    void punti();
    void allarmi_data();
    void allarmi();
    void lettureERiassunti();
    void conservazione();
    void eventiFiltrati();
    void versioneRecente();
    void bloccatoDaAltri();
    void fileDanneggiato();
    void uccisoDuranteLaScrittura();
    void discoPieno();
};

void TestStorico::blocco_data()
{
    QTest::addColumn<qint64>("minuto");
    QTest::addColumn<QList<qint64>>("tempi");
    QTest::addColumn<QList<int>>("grezzi");
    QTest::addColumn<QList<qint64>>("valori");
    QTest::newRow("un secondo") << qint64(29943960) << QList<qint64>{0, 1000, 59999}
                                << QList<int>{0, 32768, 65535} << QList<qint64>{-20, 15, 50};
    QTest::newRow("valori estremi")
        << qint64(29943960) << QList<qint64>{5, 5}
        << QList<int>{1, 2} << QList<qint64>{std::numeric_limits<qint64>::min(),
                                             std::numeric_limits<qint64>::max()};
    // Before the epoch the minute still starts at or before the reading.
    QTest::newRow("prima del 1970") << qint64(-2) << QList<qint64>{0, 59999}
                                    << QList<int>{7, 8} << QList<qint64>{-1, 0};
}

void TestStorico::blocco()
{
    QFETCH(qint64, minuto);
    QFETCH(QList<qint64>, tempi);
    QFETCH(QList<int>, grezzi);
    QFETCH(QList<qint64>, valori);
    QByteArray dati;
    for (qsizetype i = 0; i < tempi.size(); ++i) {
        const qint64 ms = minuto * BloccoLetture::MsMinuto + tempi.at(i);
        QCOMPARE(BloccoLetture::minutoDi(ms), minuto);
        BloccoLetture::aggiungi(dati, BloccoLetture::minutoDi(ms), {ms, grezzi.at(i), valori.at(i)});
    }
    const qint64 primo = BloccoLetture::minutoDi(minuto * BloccoLetture::MsMinuto + tempi.at(0));
    bool integro = false;
    const auto voci = BloccoLetture::leggi(dati, primo, &integro);
    QVERIFY(integro);
    QCOMPARE(voci.size(), tempi.size());
    for (qsizetype i = 0; i < voci.size(); ++i) {
        QCOMPARE(voci.at(i).ms, minuto * BloccoLetture::MsMinuto + tempi.at(i));
        QCOMPARE(voci.at(i).grezzo, grezzi.at(i));
        QCOMPARE(voci.at(i).valore, valori.at(i));
    }
}

void TestStorico::bloccoDanneggiato()
{
    QByteArray dati;
    BloccoLetture::aggiungi(dati, 0, {1000, 10, 300});
    BloccoLetture::aggiungi(dati, 0, {2000, 11, 301});
    bool integro = true;
    // Cut in the middle of the second reading: the first is kept.
    QCOMPARE(BloccoLetture::leggi(dati.left(dati.size() - 2), 0, &integro).size(), 1);
    QVERIFY(!integro);
    // An offset past the minute, and a varint that never ends.
    QCOMPARE(BloccoLetture::leggi(QByteArray("\xff\xff\x00\x00\x01", 5), 0, &integro).size(), 0);
    QVERIFY(!integro);
    QCOMPARE(BloccoLetture::leggi(QByteArray(20, '\x80'), 0, &integro).size(), 0);
    QVERIFY(!integro);
}

void TestStorico::punti_data()
{
    QTest::addColumn<qint64>("codice");
    QTest::addColumn<bool>("valido");
    QTest::addColumn<QString>("testo");
    QTest::newRow("relè 5") << qint64(PuntoStorico{PuntoStorico::Famiglia::UsciteDigitali, -1, 5}.codice())
                            << true << QStringLiteral("Relè 5");
    QTest::newRow("unità 7") << qint64(PuntoStorico{PuntoStorico::Famiglia::IngressiUnita, 7, 8}.codice())
                             << true << QStringLiteral("Unità 7, ingresso 8");
    QTest::newRow("uscita analogica 3") << qint64(3003) << false << QString();
    QTest::newRow("relè con unità") << qint64(1025) << false << QString();
    QTest::newRow("unità senza numero") << qint64(5005) << false << QString();
    QTest::newRow("canale 9") << qint64(1009) << false << QString();
    QTest::newRow("famiglia 8") << qint64(8001) << false << QString();
    QTest::newRow("negativo") << qint64(-1001) << false << QString();
}

void TestStorico::punti()
{
    QFETCH(qint64, codice);
    QFETCH(bool, valido);
    QFETCH(QString, testo);
    const auto punto = PuntoStorico::daCodice(codice);
    QCOMPARE(punto.has_value(), valido);
    if (valido) {
        QCOMPARE(punto->codice(), codice);
        QCOMPARE(punto->testo(), testo);
    }
}

void TestStorico::allarmi_data()
{
    QTest::addColumn<QString>("abilita");
    QTest::addColumn<QString>("livelli");
    QTest::addColumn<int>("ingresso");
    QTest::addColumn<bool>("stato");
    QTest::addColumn<bool>("allarme");
    QTest::newRow("High e alto") << "10000000" << "00000000" << 1 << true << true;
    QTest::newRow("High e basso") << "10000000" << "00000000" << 1 << false << false;
    QTest::newRow("Low e basso") << "01000000" << "01000000" << 2 << false << true;
    QTest::newRow("Low e alto") << "01000000" << "01000000" << 2 << true << false;
    QTest::newRow("spento") << "10000000" << "00000000" << 2 << true << false;
    // A short string leaves the inputs past it off; a missing level reads as High.
    QTest::newRow("oltre la stringa") << "11" << "1" << 3 << true << false;
    QTest::newRow("livello mancante") << "11" << "1" << 2 << true << true;
    QTest::newRow("chiave mancante") << "ERRORE" << "ERRORE" << 1 << true << false;
    QTest::newRow("fuori elenco") << "11111111" << "00000000" << 9 << true << false;
}

void TestStorico::allarmi()
{
    QFETCH(QString, abilita);
    QFETCH(QString, livelli);
    QFETCH(int, ingresso);
    QFETCH(bool, stato);
    QFETCH(bool, allarme);
    const auto a = ImpostazioniAllarmi::daTesti(abilita, livelli, QString(), {}, {});
    QCOMPARE(a.allarmeDigitale(ingresso, stato), allarme);

    // Analog: input 1 from 10 to 40; input 2's thresholds are not numbers; input 3 off.
    std::array<QString, 8> minimi;
    std::array<QString, 8> massimi;
    minimi.fill(QStringLiteral("0"));
    massimi.fill(QStringLiteral("255"));
    minimi[0] = QStringLiteral("10");
    massimi[0] = QStringLiteral("40");
    minimi[1] = QStringLiteral("ERRORE");
    const auto b = ImpostazioniAllarmi::daTesti({}, {}, QStringLiteral("11000000"), minimi, massimi);
    QVERIFY(!b.allarmeAnalogico(1, 10) && !b.allarmeAnalogico(1, 40));
    QVERIFY(b.allarmeAnalogico(1, 9.5) && b.allarmeAnalogico(1, 41));
    QCOMPARE(b.motivoAnalogico(1, 50), QStringLiteral("sopra 40"));
    QCOMPARE(b.motivoAnalogico(1, -3), QStringLiteral("sotto 10"));
    QVERIFY(!b.allarmeAnalogico(2, 1000));
    QVERIFY(!b.allarmeAnalogico(3, 1000));
}

void TestStorico::lettureERiassunti()
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(Storico::NomeFile);
    Storico storico(percorso, opzioniRapide());
    QSignalSpy scritto(&storico, &Storico::scritto);
    // Two lots into the same minute: the second extends the row and merges the rollups.
    const qint64 t0 = kBase + 59 * 60000 + 30000; // 10:59:30
    storico.aggiungiLettura(2, t0, 100, -5, QStringLiteral("Esterna"), QStringLiteral("°C"));
    storico.aggiungiLettura(2, t0 + 10000, 200, 7, QStringLiteral("Esterna"), QStringLiteral("°C"));
    storico.scriviOra();
    QVERIFY(scritto.wait(10000));
    storico.aggiungiLettura(2, t0 + 20000, 300, 1, QStringLiteral("Esterna"), QStringLiteral("°C"));
    // Into the next minute and the next hour, under a new unit.
    storico.aggiungiLettura(2, t0 + 40000, 400, 20, QStringLiteral("Esterna"), QStringLiteral("K"));
    storico.aggiungiLettura(3, t0 + 1000, 9, 9, QStringLiteral("Vento"), QStringLiteral("Km/h"));
    storico.scriviOra();
    QVERIFY(scritto.wait(10000));

    const auto letture = storico.letture(2, t0, t0 + 40001);
    QCOMPARE(letture.size(), 4);
    QCOMPARE(letture.at(2).ms, t0 + 20000);
    QCOMPARE(letture.at(2).grezzo, 300);
    QCOMPARE(letture.at(3).valore, 20);
    // The end is left out.
    QCOMPARE(storico.letture(2, t0, t0 + 40000).size(), 3);

    const auto minuti = storico.riassunti(1, t0, t0 + 60000);
    QCOMPARE(minuti.size(), 3);
    // 10:59 of input 2, 10:59 of input 3, 11:00 of input 2.
    QCOMPARE(minuti.at(0).ingresso, 2);
    QCOMPARE(minuti.at(0).inizioMs, kBase + 59 * 60000);
    QCOMPARE(minuti.at(0).minimo, -5);
    QCOMPARE(minuti.at(0).massimo, 7);
    QCOMPARE(minuti.at(0).somma, 3);
    QCOMPARE(minuti.at(0).numero, 3);
    QCOMPARE(minuti.at(1).ingresso, 3);
    QCOMPARE(minuti.at(2).inizioMs, kBase + 60 * 60000);
    QCOMPARE(minuti.at(2).numero, 1);
    const auto ore = storico.riassunti(60, kBase, kBase + 2 * 3600000);
    QCOMPARE(ore.size(), 3);
    QCOMPARE(ore.at(0).inizioMs, kBase);
    QCOMPARE(ore.at(0).numero, 3);
    QCOMPARE(ore.at(0).ingresso, 2);
    QCOMPARE(ore.at(2).inizioMs, kBase + 3600000);
    QCOMPARE(ore.at(2).massimo, 20);

    const auto etichette = storico.etichette();
    QCOMPARE(etichette.size(), 3);
    QCOMPARE(etichette.at(1).unita, QStringLiteral("K"));
    QCOMPARE(etichette.at(1).daMs, t0 + 40000);
}

void TestStorico::conservazione()
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(Storico::NomeFile);
    Storico::Opzioni opzioni = opzioniRapide();
    opzioni.conservazione = {30, 400};
    Storico storico(percorso, opzioni);
    QSignalSpy scritto(&storico, &Storico::scritto);
    const qint64 adesso = kBase + 500 * kGiorno;
    const qint64 vecchio = adesso - 40 * kGiorno;
    const qint64 antico = adesso - 401 * kGiorno;
    for (const qint64 ms : {antico, vecchio, adesso - kGiorno}) {
        storico.aggiungiLettura(1, ms, 1, 42, QString(), QString());
        storico.aggiungiEvento({ms, EventoStorico::Tipo::AllarmeAttivo, 4001, 1,
                                EventoStorico::Origine::Scheda, QString()});
    }
    storico.scriviOra();
    QVERIFY(scritto.wait(10000));
    QCOMPARE(storico.letture(1, antico, adesso).size(), 3);
    storico.conserva(adesso);
    // The writer takes things in order: once this is written, retention has run.
    storico.aggiungiStato(1001, adesso, 1);
    storico.scriviOra();
    QVERIFY(scritto.wait(10000));

    const auto letture = storico.letture(1, antico, adesso);
    QCOMPARE(letture.size(), 1);
    QCOMPARE(letture.at(0).ms, adesso - kGiorno);
    // Raw gone after 30 days, the rollups stay for 400.
    QCOMPARE(storico.riassunti(1, vecchio, vecchio + 1).size(), 1);
    QCOMPARE(storico.riassunti(60, vecchio, vecchio + 1).size(), 1);
    QCOMPARE(storico.riassunti(1, antico, antico + 1).size(), 0);
    QCOMPARE(storico.eventi({antico, adesso, 0, 0}).size(), 2);
}

void TestStorico::eventiFiltrati()
{
    QTemporaryDir cartella;
    Storico storico(cartella.filePath(Storico::NomeFile), opzioniRapide());
    QSignalSpy scritto(&storico, &Storico::scritto);
    using T = EventoStorico::Tipo;
    using O = EventoStorico::Origine;
    storico.aggiungiEvento({kBase + 3, T::ReleCommutato, 1005, 1, O::Pannello, QString()});
    storico.aggiungiEvento({kBase + 1, T::AllarmeAttivo, 2003, 1, O::Scheda, QStringLiteral("x;\"y\"")});
    storico.aggiungiEvento({kBase + 2, T::AllarmeRientrato, 2003, 0, O::Scheda, QString()});
    storico.aggiungiEvento({kBase + 9, T::CollegamentoPerso, 0, 0, O::Scheda, QString()});
    storico.scriviOra();
    QVERIFY(scritto.wait(10000));
    const auto tutti = storico.eventi({kBase, kBase + 9, 0, 0});
    QCOMPARE(tutti.size(), 3);
    // In time order, whatever order they were handed over in.
    QCOMPARE(tutti.at(0).tipo, T::AllarmeAttivo);
    QCOMPARE(tutti.at(0).testo, QStringLiteral("x;\"y\""));
    QCOMPARE(tutti.at(2).origine, O::Pannello);
    QCOMPARE(storico.eventi({kBase, kBase + 10, 2003, 0}).size(), 2);
    QCOMPARE(storico.eventi({kBase, kBase + 10, 2003, int(T::AllarmeRientrato)}).size(), 1);
    QCOMPARE(storico.eventi({kBase, kBase + 10, 0, int(T::CollegamentoPerso)}).size(), 1);
}

void TestStorico::versioneRecente()
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(Storico::NomeFile);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v"));
        db.setDatabaseName(percorso);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version=99")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v"));
    const QByteArray prima = [&] {
        QFile f(percorso);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    {
        Storico storico(percorso, opzioniRapide());
        QSignalSpy stati(&storico, &Storico::statoCambiato);
        QVERIFY(stati.wait(10000));
        QCOMPARE(stati.at(0).at(0).value<Stato>(), Stato::Recente);
        QVERIFY(stati.at(0).at(1).toString().contains(QStringLiteral("più recente")));
        storico.aggiungiLettura(1, kBase, 1, 1, QString(), QString());
    }
    // Left as it was, and nothing moved aside.
    QFile f(percorso);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), prima);
    QCOMPARE(QDir(cartella.path()).entryList(QDir::Files).size(), 1);
}

void TestStorico::bloccatoDaAltri()
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(Storico::NomeFile);
    Storico storico(percorso, opzioniRapide());
    QSignalSpy scritto(&storico, &Storico::scritto);
    QSignalSpy stati(&storico, &Storico::statoCambiato);
    storico.aggiungiLettura(1, kBase, 1, 1, QString(), QString());
    storico.scriviOra();
    QVERIFY(scritto.wait(10000));

    const QString nome = QStringLiteral("altro");
    {
        QSqlDatabase altro = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nome);
        altro.setDatabaseName(percorso);
        QVERIFY(altro.open());
        QSqlQuery blocco(altro);
        QVERIFY(blocco.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(blocco.exec(QStringLiteral("INSERT INTO eventi(ms, tipo) VALUES(1, 5)")));
        stati.clear();
        for (int i = 1; i <= 3; ++i) {
            storico.aggiungiLettura(1, kBase + i * 1000, 1, 1 + i, QString(), QString());
            storico.scriviOra();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!stati.isEmpty(), 10000);
        QCOMPARE(stati.at(0).at(0).value<Stato>(), Stato::Occupato);
        QVERIFY(stati.at(0).at(1).toString().contains(QStringLiteral("bloccato")));
        // The window's side goes on meanwhile: a timer of the GUI thread fires, and reading
        // does not wait on the lock.
        QSignalSpy giro(&storico, &Storico::statoCambiato);
        QElapsedTimer orologio;
        orologio.start();
        QCOMPARE(storico.letture(1, kBase, kBase + 10000).size(), 1);
        QVERIFY(orologio.elapsed() < 2000);
        // Retries while it is held bring no further notice.
        QTest::qWait(400);
        QCOMPARE(stati.size(), 1);
        QVERIFY(blocco.exec(QStringLiteral("COMMIT")));
    }
    QSqlDatabase::removeDatabase(nome);
    QTRY_COMPARE_WITH_TIMEOUT(storico.stato(), Stato::Attivo, 10000);
    QCOMPARE(storico.letture(1, kBase, kBase + 10000).size(), 4);
}

void TestStorico::fileDanneggiato()
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(Storico::NomeFile);
    QByteArray rovina(16384, '\0');
    for (qsizetype i = 0; i < rovina.size(); ++i) {
        rovina[i] = char((i * 131 + 7) % 251);
    }
    {
        QFile f(percorso);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(rovina);
    }
    Storico storico(percorso, opzioniRapide());
    QSignalSpy stati(&storico, &Storico::statoCambiato);
    QSignalSpy scritto(&storico, &Storico::scritto);
    storico.aggiungiLettura(5, kBase, 3, 33, QString(), QString());
    storico.scriviOra();
    QVERIFY(scritto.wait(10000));
    const QString spostato =
        percorso + QStringLiteral(".danneggiato-") + QDate::currentDate().toString(Qt::ISODate);
    QVERIFY(QFile::exists(spostato));
    QFile f(spostato);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), rovina);
    QCOMPARE(stati.size(), 1);
    QCOMPARE(stati.at(0).at(0).value<Stato>(), Stato::Attivo);
    QVERIFY(stati.at(0).at(1).toString().contains(spostato));
    // The new file holds what came.
    const auto letture = storico.letture(5, kBase, kBase + 1);
    QCOMPARE(letture.size(), 1);
    QCOMPARE(letture.at(0).valore, 33);
    QCOMPARE(controlla(percorso).integrita, QStringLiteral("ok"));
}

void TestStorico::uccisoDuranteLaScrittura()
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(Storico::NomeFile);
    QProcess figlio;
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert(QStringLiteral("BRIVOLA_STORICO_FIGLIO"), QStringLiteral("scrittura"));
    ambiente.insert(QStringLiteral("BRIVOLA_STORICO_FILE"), percorso);
    figlio.setProcessEnvironment(ambiente);
    figlio.start(QCoreApplication::applicationFilePath(), {});
    qint64 confermate = 0;
    int transazioni = 0;
    QByteArray resto;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
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
            return transazioni >= 5 && confermate >= 300;
        }(),
        30000);
    // Dead in the middle of whatever it was doing.
    figlio.kill();
    QVERIFY(figlio.waitForFinished(10000));
    resto += figlio.readAllStandardOutput();
    for (const QByteArray &riga : resto.split('\n')) {
        if (riga.startsWith("scritte ")) {
            confermate = riga.mid(8).toLongLong();
        }
    }
    const Controllo c = controlla(percorso);
    QCOMPARE(c.integrita, QStringLiteral("ok"));
    // Every committed reading is there, in order (one item of the first lot is the label).
    QVERIFY2(c.valori.size() >= confermate - 1,
             qPrintable(QStringLiteral("%1 < %2").arg(c.valori.size()).arg(confermate - 1)));
    for (qsizetype i = 0; i < c.valori.size(); ++i) {
        QCOMPARE(c.valori.at(i), i);
    }
}

void TestStorico::discoPieno()
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(Storico::NomeFile);
    QProcess figlio;
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert(QStringLiteral("BRIVOLA_STORICO_FIGLIO"), QStringLiteral("pieno"));
    ambiente.insert(QStringLiteral("BRIVOLA_STORICO_FILE"), percorso);
    figlio.setProcessEnvironment(ambiente);
    figlio.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(figlio.waitForFinished(90000));
    const QString uscita = QString::fromUtf8(figlio.readAllStandardOutput());
    QCOMPARE(figlio.exitCode(), 0);
    const QStringList righe = uscita.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Active, then one notice of the full disk however often it was retried, then resumed.
    QStringList attese = {QStringLiteral("stato %1").arg(int(Stato::Attivo)),
                          QStringLiteral("stato %1 Spazio su disco esaurito").arg(int(Stato::Pieno)),
                          QStringLiteral("stato %1 Registrazione dello storico ripresa")
                              .arg(int(Stato::Attivo))};
    QCOMPARE(righe.size(), 4);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(righe.at(i).startsWith(attese.at(i)), qPrintable(uscita));
    }
    QVERIFY(righe.at(3).startsWith(QStringLiteral("consegnate ")));
    const qint64 consegnate = righe.at(3).mid(11).toLongLong();
    // Nothing handed over while paused was lost.
    qint64 trovate = 0;
    Controllo c;
    for (int ingresso = 1; ingresso <= 8; ++ingresso) {
        c = controlla(percorso, ingresso);
        QCOMPARE(c.integrita, QStringLiteral("ok"));
        trovate += c.valori.size();
    }
    QCOMPARE(trovate, consegnate);
}

int main(int argc, char **argv)
{
    const QString figlio = qEnvironmentVariable("BRIVOLA_STORICO_FIGLIO");
    if (!figlio.isEmpty()) {
        QCoreApplication applicazione(argc, argv);
        const QString file = qEnvironmentVariable("BRIVOLA_STORICO_FILE");
        return figlio == QLatin1String("pieno") ? figlioPieno(file) : figlioScrittura(file);
    }
    QCoreApplication applicazione(argc, argv);
    TestStorico test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_storico.moc"
