// brivola-ponte, the program, living through faults without a restart: the broker killed and
// started again, the board gone and back, the board silent.
#include "SimulatoreScheda.h"
#include "ponte/LatoScheda.h"
#include "tst_ponte_supporto.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace ponteprova;

namespace {

const QString kBase = QStringLiteral("brivola/prova/");

QString argomento(const QString &coda)
{
    return kBase + coda;
}

bool argomentoDiStato(const QString &argomento)
{
    static const QStringList tipi = {QStringLiteral("rele/"), QStringLiteral("ingresso/"),
                                     QStringLiteral("analogico/"),
                                     QStringLiteral("uscita_analogica/")};
    for (const QString &tipo : tipi) {
        if (argomento.startsWith(kBase + tipo) && !argomento.endsWith(QLatin1String("/set"))) {
            return true;
        }
    }
    return false;
}

} // namespace

class TestPonteGuasti : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void secondoPonte();
    void brokerRiavviato();
    void schedaSpentaERiaccesa();
    void schedaMuta();
    void rispostaPersa();
    void unitaMuta();
    void schedaPersaDuranteComando_data();
    void schedaPersaDuranteComando();
    void cleanupTestCase();

private:
    std::unique_ptr<SimulatoreScheda> nuovaScheda(quint32 seme)
    {
        auto scheda = std::make_unique<SimulatoreScheda>();
        scheda->setIntervallo(50);
        scheda->setDeriva(false);
        scheda->setSeme(seme);
        return scheda;
    }
    // The index of the first message from `da` on with this payload on this topic, or -1.
    qsizetype indice(const QString &coda, const QByteArray &payload, qsizetype da) const
    {
        const QList<Messaggio> messaggi = m_osservatore.messaggi();
        for (qsizetype i = da; i < messaggi.size(); ++i) {
            if (messaggi[i].argomento == argomento(coda) && messaggi[i].payload == payload) {
                return i;
            }
        }
        return -1;
    }

    QTemporaryDir m_cartella;
    std::unique_ptr<SimulatoreScheda> m_scheda;
    quint16 m_portaScheda = 0;
    std::unique_ptr<Broker> m_broker;
    Osservatore m_osservatore;
    ProcessoPonte m_ponte;
};

void TestPonteGuasti::initTestCase()
{
    QVERIFY(m_cartella.isValid());
    m_scheda = nuovaScheda(3);
    m_portaScheda = m_scheda->avviaTcp();
    QVERIFY(m_portaScheda != 0);
    m_broker = std::make_unique<Broker>(m_cartella.path());
    QVERIFY(m_broker->avvia());
    QVERIFY(m_osservatore.collega(m_broker->porta(), {QStringLiteral("brivola/#")}));

    const QDir dir(m_cartella.path());
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Porte.INI")),
                       "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" +
                           QByteArray::number(m_portaScheda) + "\n"));
    // The board counts as gone after 2 s without a prompt instead of 10.
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Ponte.INI")),
                       "[MQTT]\nPorta=" + QByteArray::number(m_broker->porta()) +
                           "\nId=prova\nPeriodo=600\nSilenzio=2\n"));
    QVERIFY(m_ponte.avvia(m_cartella.path()));
    QTRY_VERIFY_WITH_TIMEOUT(m_osservatore.ultimo(argomento(QStringLiteral("scheda"))) == "online",
                             15000);
}

void TestPonteGuasti::secondoPonte()
{
    // A copy of the settings folder, same Id: the copy stops at start naming Id, and the
    // first bridge never goes offline nor loses the board.
    QTemporaryDir copia;
    for (const QString &nome : {QStringLiteral("Porte.INI"), QStringLiteral("Ponte.INI")}) {
        QVERIFY(
            QFile::copy(QDir(m_cartella.path()).filePath(nome), QDir(copia.path()).filePath(nome)));
    }
    const qsizetype da = m_osservatore.quanti();
    ProcessoPonte secondo;
    QVERIFY(secondo.avvia(copia.path()));
    QTRY_VERIFY_WITH_TIMEOUT(!secondo.inEsecuzione(), 20000);
    QCOMPARE(secondo.ferma(), 2);
    QVERIFY2(secondo.log().contains(QStringLiteral("Id=prova")), qPrintable(secondo.log()));
    QVERIFY(!secondo.log().contains(QStringLiteral("scheda: collegamento")));
    for (const Messaggio &m : m_osservatore.da(da)) {
        QVERIFY2(m.payload != "offline", qPrintable(m.argomento));
    }
    QVERIFY(m_ponte.inEsecuzione());
    // The first still carries out commands.
    m_osservatore.pubblica(argomento(QStringLiteral("rele/7/set")), "ON");
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(argomento(QStringLiteral("rele/7"))),
                              QByteArray("ON"), 10000);
}

void TestPonteGuasti::brokerRiavviato()
{
    m_broker->uccidi();
    QVERIFY(m_broker->avvia());
    // The new broker knows nothing: what a new client finds retained came from the bridge.
    Osservatore nuovo;
    QVERIFY(nuovo.collega(m_broker->porta(),
                          {QStringLiteral("brivola/#"), QStringLiteral("homeassistant/#")}));
    QTRY_VERIFY_WITH_TIMEOUT(
        nuovo.ultimi().contains(argomento(QStringLiteral("rele/8"))) &&
            nuovo.ultimi().contains(QStringLiteral("homeassistant/device/brivola_prova/config")),
        10000);
    const QHash<QString, QByteArray> stati = nuovo.ultimi();
    QCOMPARE(stati.value(argomento(QStringLiteral("ponte"))), QByteArray("online"));
    QTRY_COMPARE(nuovo.ultimo(argomento(QStringLiteral("scheda"))), QByteArray("online"));
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(stati.value(argomento(QStringLiteral("ingresso/%1").arg(n))),
                 m_scheda->stato().ingressi[n - 1] ? QByteArray("ON") : QByteArray("OFF"));
    }
    // Commands work again.
    nuovo.pubblica(argomento(QStringLiteral("rele/2/set")), "ON");
    QTRY_COMPARE_WITH_TIMEOUT(nuovo.ultimo(argomento(QStringLiteral("rele/2"))), QByteArray("ON"),
                              10000);
    QVERIFY(m_scheda->stato().rele[1]);
    // The watching client is back on the new broker too: what the next cases count of it is
    // what the bridge publishes, not what the broker replays when it subscribes again.
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(argomento(QStringLiteral("rele/2"))),
                              QByteArray("ON"), 10000);
}

void TestPonteGuasti::schedaSpentaERiaccesa()
{
    QTRY_COMPARE(m_osservatore.ultimo(argomento(QStringLiteral("scheda"))), QByteArray("online"));
    const qsizetype prima = m_osservatore.quanti();
    QElapsedTimer tempo;
    tempo.start();
    m_scheda.reset();
    QTRY_VERIFY_WITH_TIMEOUT(indice(QStringLiteral("scheda"), "offline", prima) >= 0, 11000);
    QVERIFY(tempo.elapsed() < 11000);
    const qsizetype spenta = indice(QStringLiteral("scheda"), "offline", prima);
    // The bridge knocks meanwhile; nothing is published for a board that is not there. (A
    // message flagged retained is the broker's replay to a new subscription, not news.)
    QTest::qWait(1500);
    for (const Messaggio &m : m_osservatore.da(prima)) {
        QVERIFY2(m.trattenuto || !argomentoDiStato(m.argomento), qPrintable(m.argomento));
    }

    // Back, with other inputs: they are all read and published before the board is online.
    m_scheda = nuovaScheda(11);
    QCOMPARE(m_scheda->avviaTcp(QHostAddress::LocalHost, m_portaScheda), m_portaScheda);
    QTRY_VERIFY_WITH_TIMEOUT(indice(QStringLiteral("scheda"), "online", spenta) >= 0, 15000);
    const qsizetype accesa = indice(QStringLiteral("scheda"), "online", spenta);
    QHash<QString, QByteArray> stati;
    for (const Messaggio &m : m_osservatore.messaggi().mid(0, accesa)) {
        stati.insert(m.argomento, m.payload);
    }
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(stati.value(argomento(QStringLiteral("ingresso/%1").arg(n))),
                 m_scheda->stato().ingressi[n - 1] ? QByteArray("ON") : QByteArray("OFF"));
        QCOMPARE(stati.value(argomento(QStringLiteral("rele/%1").arg(n))), QByteArray("OFF"));
    }
}

void TestPonteGuasti::schedaMuta()
{
    const qsizetype prima = m_osservatore.quanti();
    // The bridge counts the 2 s of silence from the last prompt it got: the board is muted
    // right after one went out. Offline must not come at once, nor much before the limit.
    QSignalSpy pronti(m_scheda.get(), &SimulatoreScheda::prontoInviato);
    QVERIFY(pronti.wait(2000));
    m_scheda->setMuto(true);
    QElapsedTimer tempo;
    tempo.start();
    QTRY_VERIFY_WITH_TIMEOUT(indice(QStringLiteral("scheda"), "offline", prima) >= 0, 5000);
    QVERIFY2(tempo.elapsed() >= 1500, qPrintable(QString::number(tempo.elapsed())));
    QVERIFY(m_ponte.log().contains(QStringLiteral("La scheda non risponde")));
    m_scheda->setMuto(false);
    QTRY_VERIFY_WITH_TIMEOUT(indice(QStringLiteral("scheda"), "online", prima) >= 0, 15000);
}

void TestPonteGuasti::rispostaPersa()
{
    // The board side in this process, on a board of its own: a command whose reply is lost
    // fails, and the next one still goes through.
    auto scheda = nuovaScheda(5);
    const quint16 porta = scheda->avviaTcp();
    QVERIFY(porta != 0);
    QTemporaryDir cartella;
    QVERIFY(scriviFile(
        QDir(cartella.path()).filePath(QStringLiteral("Porte.INI")),
        "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" + QByteArray::number(porta) + "\n"));
    LatoScheda::Opzioni opzioni;
    opzioni.continuo = false;
    opzioni.attesaRispostaMs = 300;
    opzioni.tempi.carattereTcpMs = 1;
    LatoScheda lato(cartella.path(), opzioni);
    QSignalSpy inLinea(&lato, &LatoScheda::inLinea);
    QSignalSpy falliti(&lato, &LatoScheda::comandoFallito);
    const Punto rele5{Punto::Tipo::Rele, 0, 5};
    int letto5 = -1;
    connect(&lato, &LatoScheda::letto, this, [&](const Punto &punto, int grezzo) {
        if (punto == rele5) {
            letto5 = grezzo;
        }
    });
    QVERIFY(lato.avvia().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(inLinea.size(), 1, 5000);
    QVERIFY(inLinea.at(0).at(0).toBool());
    QCOMPARE(letto5, 0);

    scheda->perdiRisposte(1);
    const RichiestaComando accendi{RichiestaComando::Azione::Accendi, 0};
    QString motivo;
    QVERIFY(lato.comanda(rele5, accendi, QStringLiteral("primo"), "ON", motivo));
    QVERIFY(falliti.wait(5000));
    QVERIFY(lato.comanda(rele5, accendi, QStringLiteral("secondo"), "ON", motivo));
    QTRY_COMPARE_WITH_TIMEOUT(letto5, 1, 5000);
    QVERIFY(scheda->stato().rele[4]);
    QCOMPARE(falliti.size(), 1);
    QCOMPARE(falliti.at(0).at(0).toString(), QStringLiteral("primo"));
    QVERIFY(falliti.at(0).at(2).toString().startsWith(
        QStringLiteral("la scheda non ha risposto alla lettura dello stato")));
    QVERIFY(falliti.at(0).at(2).toString().endsWith(
        QStringLiteral("nulla è stato scritto sulla scheda")));
    QVERIFY(lato.isInLinea());
}

void TestPonteGuasti::unitaMuta()
{
    // Units 2 and 3 bridged, unit 3 absent: it alone is offline, the board comes online and a
    // relay still switches; unit 3 is tried again by itself, well before the next poll.
    auto scheda = nuovaScheda(13);
    QVERIFY(scheda->imposta(QStringLiteral("unita 3 assente")).isEmpty());
    const quint16 porta = scheda->avviaTcp();
    QVERIFY(porta != 0);
    QTemporaryDir cartella;
    QVERIFY(scriviFile(
        QDir(cartella.path()).filePath(QStringLiteral("Porte.INI")),
        "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" + QByteArray::number(porta) + "\n"));
    LatoScheda::Opzioni opzioni;
    opzioni.continuo = false;
    opzioni.unita = {2, 3};
    opzioni.periodoMs = 600000;
    opzioni.riprovaUnitaMs = 300;
    opzioni.tempi.carattereTcpMs = 1;
    LatoScheda lato(cartella.path(), opzioni);
    QSignalSpy inLinea(&lato, &LatoScheda::inLinea);
    QSignalSpy unita(&lato, &LatoScheda::unitaInLinea);
    QSignalSpy falliti(&lato, &LatoScheda::comandoFallito);
    const Punto rele2{Punto::Tipo::Rele, 0, 2};
    int letto2 = -1;
    connect(&lato, &LatoScheda::letto, this, [&](const Punto &punto, int grezzo) {
        if (punto == rele2) {
            letto2 = grezzo;
        }
    });
    QVERIFY(lato.avvia().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(inLinea.size(), 1, 5000);
    QVERIFY(inLinea.at(0).at(0).toBool());
    QCOMPARE(unita.size(), 2);
    QCOMPARE(unita.at(0), (QVariantList{2, true}));
    QCOMPARE(unita.at(1), (QVariantList{3, false}));

    QString motivo;
    QVERIFY(lato.comanda(rele2, RichiestaComando{RichiestaComando::Azione::Accendi, 0},
                         QStringLiteral("rele/2/set"), "ON", motivo));
    QTRY_COMPARE_WITH_TIMEOUT(letto2, 1, 5000);
    QVERIFY(scheda->stato().rele[1]);
    QVERIFY(falliti.isEmpty());

    QVERIFY(scheda->imposta(QStringLiteral("unita 3 presente")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(unita.size(), 3, 5000);
    QCOMPARE(unita.at(2), (QVariantList{3, true}));
    QCOMPARE(inLinea.size(), 1);
}

void TestPonteGuasti::schedaPersaDuranteComando_data()
{
    QTest::addColumn<QString>("ultimo");
    QTest::addColumn<bool>("commutato");
    QTest::addColumn<QString>("esito");
    // Gone after the state was read: nothing reached the board, and the reply says so.
    QTest::newRow("dopo la lettura")
        << QStringLiteral("*/RS") << false << QStringLiteral("nulla è stato scritto sulla scheda");
    // Gone right after the switch: the relay moved, and the reply must not deny it.
    QTest::newRow("dopo la scrittura")
        << QStringLiteral("*/R4") << true
        << QStringLiteral("il comando potrebbe essere arrivato alla scheda");
}

void TestPonteGuasti::schedaPersaDuranteComando()
{
    QFETCH(QString, ultimo);
    QFETCH(bool, commutato);
    QFETCH(QString, esito);
    auto scheda = nuovaScheda(9);
    const quint16 porta = scheda->avviaTcp();
    QVERIFY(porta != 0);
    QTemporaryDir cartella;
    QVERIFY(scriviFile(
        QDir(cartella.path()).filePath(QStringLiteral("Porte.INI")),
        "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" + QByteArray::number(porta) + "\n"));
    LatoScheda::Opzioni opzioni;
    opzioni.continuo = false;
    opzioni.tempi.carattereTcpMs = 1;
    LatoScheda lato(cartella.path(), opzioni);
    QSignalSpy inLinea(&lato, &LatoScheda::inLinea);
    QSignalSpy falliti(&lato, &LatoScheda::comandoFallito);
    QVERIFY(lato.avvia().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(inLinea.size(), 1, 5000);

    bool armato = true;
    connect(scheda.get(), &SimulatoreScheda::comandoEseguito, this, [&](const QString &comando) {
        if (armato && comando == ultimo) {
            armato = false;
            scheda->setMuto(true);
            scheda->chiudiConnessione();
        }
    });
    QString motivo;
    QVERIFY(lato.comanda(Punto{Punto::Tipo::Rele, 0, 4},
                         RichiestaComando{RichiestaComando::Azione::Commuta, 0},
                         QStringLiteral("rele/4/set"), "TOGGLE", motivo));
    QTRY_COMPARE_WITH_TIMEOUT(falliti.size(), 1, 10000);
    const QString detto = falliti.at(0).at(2).toString();
    QVERIFY2(detto.endsWith(esito), qPrintable(detto));
    QCOMPARE(scheda->stato().rele[3], commutato);
    QCOMPARE(inLinea.size(), 2);
    QVERIFY(!inLinea.at(1).at(0).toBool());
}

void TestPonteGuasti::cleanupTestCase()
{
    QCOMPARE(m_ponte.ferma(), 0);
    QVERIFY(m_ponte.log().contains(QStringLiteral("ponte fermato")));
}

QTEST_GUILESS_MAIN(TestPonteGuasti)
#include "tst_ponteGuasti.moc"
