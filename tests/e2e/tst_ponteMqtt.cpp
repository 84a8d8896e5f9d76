// brivola-ponte, the program, between a real Mosquitto broker and the board simulator: retained
// states, commands with their read-back, commands left on the broker, discovery, refused
// payloads and a flood of commands, all watched from an independent MQTT client.
#include "Sanitizzato.h"
#include "SimulatoreScheda.h"
#include "protocol/Conversioni.h"
#include "storico/LottoStorico.h"
#include "storico/PuntoStorico.h"
#include "tst_ponte_supporto.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <array>
#include <cmath>
#include <tuple>
#include <memory>

using namespace ponteprova;

namespace {

const QString kBase = QStringLiteral("brivola/prova/");

QString argomento(const QString &coda)
{
    return kBase + coda;
}

QByteArray onOff(bool acceso)
{
    return acceso ? QByteArrayLiteral("ON") : QByteArrayLiteral("OFF");
}

// Every command the bridge may send, each whole: two commands run together would not match.
const QRegularExpression kComandoIntero(QStringLiteral(
    R"(^\*/(C|RS|R[0-8]|I|A|PS|P[12]\d{3}|ER[01]{3}(S|[0-8])|EI[01]{3}|EA[01]{3}(S|[1-8]\d{3}))$)"));
// Commands that change something on the board.
const QRegularExpression
    kScrittura(QStringLiteral(R"(^\*/(R[0-8]|P[0-2]|ER[01]{3}[0-8]|EA[01]{3}[0-8]))"));

} // namespace

class TestPonteMqtt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statiTrattenuti();
    void comandoRele();
    void discovery();
    void payloadOstili();
    void milleComandi();
    void scena();
    void livelliCanale();
    void allarmiEStorico();
    void arrestoEUnaVolta();

private:
    qsizetype contaEseguiti(const QString &comando, qsizetype da = 0) const
    {
        return m_eseguiti.mid(da).count(comando);
    }
    QList<QJsonObject> errori(qsizetype da) const
    {
        QList<QJsonObject> elenco;
        for (const Messaggio &m : m_osservatore.da(da)) {
            if (m.argomento == argomento(QStringLiteral("errore"))) {
                elenco.append(QJsonDocument::fromJson(m.payload).object());
            }
        }
        return elenco;
    }

    QTemporaryDir m_cartella;
    std::unique_ptr<SimulatoreScheda> m_scheda;
    std::unique_ptr<Broker> m_broker;
    Osservatore m_osservatore;
    ProcessoPonte m_ponte;
    QStringList m_eseguiti;
};

void TestPonteMqtt::initTestCase()
{
    QVERIFY(m_cartella.isValid());
    m_scheda = std::make_unique<SimulatoreScheda>();
    m_scheda->setIntervallo(50);
    m_scheda->setDeriva(false);
    m_scheda->setSeme(7);
    QVERIFY(m_scheda->imposta(QStringLiteral("analogico 1 32768")).isEmpty());
    QVERIFY(m_scheda->imposta(QStringLiteral("unita 2 uscita 3 1")).isEmpty());
    QVERIFY(m_scheda->imposta(QStringLiteral("unita 2 canale 4 40")).isEmpty());
    m_scheda->stato().usciteAnalogiche[1] = 128;
    connect(m_scheda.get(), &SimulatoreScheda::comandoEseguito, this,
            [this](const QString &comando) { m_eseguiti.append(comando); });
    const quint16 portaScheda = m_scheda->avviaTcp();
    QVERIFY(portaScheda != 0);

    m_broker = std::make_unique<Broker>(m_cartella.path());
    QVERIFY(m_broker->avvia());
    QVERIFY(m_osservatore.collega(
        m_broker->porta(), {QStringLiteral("brivola/#"), QStringLiteral("homeassistant/#")}));

    const QDir dir(m_cartella.path());
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Porte.INI")),
                       "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" +
                           QByteArray::number(portaScheda) + "\n"));
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Impostazioni.INI")),
                       "[OPTION]\nUD05=Luce del \"portico\"\nIAT01=2\nIAV01=0\nIAVM01=100\n"
                       "IAV04=zero\n"
                       "[Impostazioni]\nAllarme=01000000\nStato=00000000\nAllarmeA=10000000\n"
                       "StatoAMin01=10\nStatoAMax01=40\n"));
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Ponte.INI")),
                       "[MQTT]\nPorta=" + QByteArray::number(m_broker->porta()) +
                           "\nId=prova\nUnita=2\nPeriodo=600\nContinuo=1\n"));

    // A command left on the broker before the bridge starts.
    m_osservatore.pubblica(argomento(QStringLiteral("rele/3/set")), "ON", true);
    QTRY_VERIFY(m_osservatore.ultimo(argomento(QStringLiteral("rele/3/set"))) == "ON");

    QVERIFY(m_ponte.avvia(m_cartella.path()));
    QTRY_VERIFY_WITH_TIMEOUT(m_osservatore.ultimo(argomento(QStringLiteral("scheda"))) == "online",
                             20000);
    QCOMPARE(m_osservatore.ultimo(argomento(QStringLiteral("ponte"))), QByteArray("online"));
}

void TestPonteMqtt::statiTrattenuti()
{
    // A client that arrives now gets every state from the broker's retained store.
    Osservatore nuovo;
    QVERIFY(nuovo.collega(m_broker->porta(), {QStringLiteral("brivola/prova/#")}));
    const StatoScheda &s = m_scheda->stato();
    QTRY_VERIFY(nuovo.ultimi().contains(argomento(QStringLiteral("unita/2/canale/8"))));
    const QHash<QString, QByteArray> stati = nuovo.ultimi();
    for (const Messaggio &m : nuovo.messaggi()) {
        // The continuous output is a live stream for the panels, never kept.
        if (m.argomento == argomento(QStringLiteral("continuo"))) {
            QVERIFY(!m.trattenuto);
            continue;
        }
        QVERIFY2(m.trattenuto, qPrintable(m.argomento));
    }
    for (int n = 1; n <= 8; ++n) {
        const int i = n - 1;
        QCOMPARE(stati.value(argomento(QStringLiteral("rele/%1").arg(n))), onOff(s.rele[i]));
        QCOMPARE(stati.value(argomento(QStringLiteral("ingresso/%1").arg(n))),
                 onOff(s.ingressi[i]));
        QCOMPARE(stati.value(argomento(QStringLiteral("unita/2/uscita/%1").arg(n))),
                 onOff(s.unita[1].uscite[i]));
        QCOMPARE(stati.value(argomento(QStringLiteral("unita/2/ingresso/%1").arg(n))),
                 onOff(s.unita[1].ingressi[i]));
        QCOMPARE(stati.value(argomento(QStringLiteral("unita/2/canale/%1").arg(n))),
                 QByteArray::number(s.unita[1].analogiche[i]));
    }
    // Input 1 on its configured range 0..100, the others on the panel's defaults; as precise as
    // a 16-bit reading is on each range (input 6: 0..5, four decimals).
    QCOMPARE(stati.value(argomento(QStringLiteral("analogico/1"))), QByteArray("50.00"));
    const QList<std::tuple<int, double, double, int>> intervalli = {
        {2, -20, 50, 2}, {3, 0, 100, 2}, {6, 0, 5, 4}, {8, 0, 10, 3}};
    for (const auto &[n, minimo, massimo, decimali] : intervalli) {
        const QByteArray testo = stati.value(argomento(QStringLiteral("analogico/%1").arg(n)));
        const double atteso = minimo + s.ingressiAnalogici[n - 1] * (massimo - minimo) / 65535.0;
        QVERIFY2(std::abs(testo.toDouble() - atteso) <= 0.5 * std::pow(10.0, -decimali),
                 testo.constData());
        QCOMPARE(testo.size() - testo.indexOf('.') - 1, decimali);
    }
    QCOMPARE(stati.value(argomento(QStringLiteral("uscita_analogica/1"))), QByteArray("0"));
    QCOMPARE(stati.value(argomento(QStringLiteral("uscita_analogica/2"))), QByteArray("50"));
    QCOMPARE(stati.value(argomento(QStringLiteral("unita/2/uscita/3"))), QByteArray("ON"));
    QCOMPARE(stati.value(argomento(QStringLiteral("unita/2/stato"))), QByteArray("online"));
    QCOMPARE(stati.value(argomento(QStringLiteral("unita/2/canale/4"))), QByteArray("40"));

    // The command left on the broker switched nothing and is gone from it.
    QVERIFY(!s.rele[2]);
    QCOMPARE(contaEseguiti(QStringLiteral("*/R3")), 0);
    QVERIFY(!stati.contains(argomento(QStringLiteral("rele/3/set"))));
    QVERIFY(m_ponte.log().contains(QStringLiteral("comando trattenuto ignorato")));
}

void TestPonteMqtt::comandoRele()
{
    const qsizetype inizio = m_eseguiti.size();
    m_osservatore.pubblica(argomento(QStringLiteral("rele/5/set")), "ON");
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(argomento(QStringLiteral("rele/5"))),
                              QByteArray("ON"), 10000);
    QVERIFY(m_scheda->stato().rele[4]);
    QCOMPARE(contaEseguiti(QStringLiteral("*/R5"), inizio), 1);
    // Read, switch, read back.
    QCOMPARE(m_eseguiti.mid(inizio),
             QStringList({QStringLiteral("*/RS"), QStringLiteral("*/R5"), QStringLiteral("*/RS")}));

    // Already on: the state is read, nothing is written.
    const qsizetype secondo = m_eseguiti.size();
    m_osservatore.pubblica(argomento(QStringLiteral("rele/5/set")), "ON");
    QTRY_COMPARE_WITH_TIMEOUT(contaEseguiti(QStringLiteral("*/RS"), secondo), 1, 10000);
    QTest::qWait(500);
    QCOMPARE(m_eseguiti.mid(secondo), QStringList{QStringLiteral("*/RS")});
    QVERIFY(m_scheda->stato().rele[4]);
}

void TestPonteMqtt::discovery()
{
    const QJsonObject scheda =
        QJsonDocument::fromJson(
            m_osservatore.ultimo(QStringLiteral("homeassistant/device/brivola_prova/config")))
            .object();
    const QJsonObject unita =
        QJsonDocument::fromJson(m_osservatore.ultimo(QStringLiteral(
                                    "homeassistant/device/brivola_prova_unita2/config")))
            .object();
    QVERIFY(!scheda.isEmpty() && !unita.isEmpty());
    for (const QJsonObject &config : {scheda, unita}) {
        const QJsonObject dispositivo = config[QStringLiteral("device")].toObject();
        for (const char *chiave : {"identifiers", "name", "model", "sw_version"}) {
            QVERIFY2(dispositivo.contains(QLatin1String(chiave)), chiave);
        }
        QVERIFY(config[QStringLiteral("origin")].toObject().contains(QStringLiteral("name")));
        const QJsonObject componenti = config[QStringLiteral("components")].toObject();
        // The board: 30 points, and a problem sensor for each of its 16 inputs, removed
        // (the platform alone) for those whose alarm is off.
        QCOMPARE(componenti.size(), config == scheda ? 46 : 24);
        // Availability once for the device: the bridge, the board and, for a unit, the unit.
        QCOMPARE(config[QStringLiteral("availability_mode")].toString(), QStringLiteral("all"));
        QStringList disponibilita;
        for (const QJsonValue &voce : config[QStringLiteral("availability")].toArray()) {
            disponibilita << voce.toObject()[QStringLiteral("topic")].toString();
        }
        QStringList attesa{argomento(QStringLiteral("ponte")), argomento(QStringLiteral("scheda"))};
        if (config == unita) {
            attesa << argomento(QStringLiteral("unita/2/stato"));
        }
        QCOMPARE(disponibilita, attesa);
        for (const QJsonValue &valore : componenti) {
            const QJsonObject c = valore.toObject();
            if (c.size() == 1) {
                QCOMPARE(c[QStringLiteral("platform")].toString(),
                         QStringLiteral("binary_sensor"));
                continue;
            }
            for (const char *chiave :
                 {"platform", "unique_id", "default_entity_id", "name", "state_topic"}) {
                QVERIFY2(c.contains(QLatin1String(chiave)), chiave);
            }
            // Diagnostics are available while the bridge runs, the board there or not.
            if (c[QStringLiteral("entity_category")].toString() == QLatin1String("diagnostic")) {
                QCOMPARE(c[QStringLiteral("availability")].toArray().size(), 1);
                QCOMPARE(c[QStringLiteral("state_topic")].toString(),
                         argomento(QStringLiteral("diagnostica")));
            } else {
                QVERIFY(!c.contains(QStringLiteral("availability")));
            }
            const QString piattaforma = c[QStringLiteral("platform")].toString();
            QCOMPARE(c.contains(QStringLiteral("command_topic")),
                     piattaforma == QLatin1String("switch") ||
                         piattaforma == QLatin1String("number"));
            QVERIFY(c[QStringLiteral("unique_id")].toString().startsWith(
                QStringLiteral("brivola_prova_")));
            QVERIFY(
                c[QStringLiteral("default_entity_id")].toString().startsWith(piattaforma + '.'));
        }
    }
    const QJsonObject componenti = scheda[QStringLiteral("components")].toObject();
    // The name from "Impostazioni.INI", quotes and all; the default where the file has none.
    const QJsonObject rele5 = componenti[QStringLiteral("rele_5")].toObject();
    QCOMPARE(rele5[QStringLiteral("name")].toString(), QStringLiteral("Luce del \"portico\""));
    QCOMPARE(rele5[QStringLiteral("command_topic")].toString(), argomento("rele/5/set"));
    QCOMPARE(componenti[QStringLiteral("rele_1")].toObject()[QStringLiteral("name")].toString(),
             QStringLiteral("Riscaldamento"));
    const QJsonObject analogico1 = componenti[QStringLiteral("analogico_1")].toObject();
    QCOMPARE(analogico1[QStringLiteral("platform")].toString(), QStringLiteral("sensor"));
    QCOMPARE(analogico1[QStringLiteral("unit_of_measurement")].toString(), QStringLiteral("%"));
    QCOMPARE(analogico1[QStringLiteral("state_class")].toString(), QStringLiteral("measurement"));
    QCOMPARE(analogico1[QStringLiteral("suggested_display_precision")].toInt(-1), 2);
    QVERIFY(!analogico1.contains(QStringLiteral("device_class")));
    const QJsonObject analogico2 = componenti[QStringLiteral("analogico_2")].toObject();
    QCOMPARE(analogico2[QStringLiteral("unit_of_measurement")].toString(), QStringLiteral("°C"));
    QCOMPARE(analogico2[QStringLiteral("device_class")].toString(), QStringLiteral("temperature"));
    // "VDC" is Home Assistant's "V", a voltage; input 6 defaults to it on 0..5.
    const QJsonObject analogico6 = componenti[QStringLiteral("analogico_6")].toObject();
    QCOMPARE(analogico6[QStringLiteral("unit_of_measurement")].toString(), QStringLiteral("V"));
    QCOMPARE(analogico6[QStringLiteral("device_class")].toString(), QStringLiteral("voltage"));
    QCOMPARE(analogico6[QStringLiteral("suggested_display_precision")].toInt(-1), 4);
    const QJsonObject uscita = componenti[QStringLiteral("uscita_analogica_1")].toObject();
    QCOMPARE(uscita[QStringLiteral("platform")].toString(), QStringLiteral("number"));
    QCOMPARE(uscita[QStringLiteral("min")].toInt(), 0);
    QCOMPARE(uscita[QStringLiteral("max")].toInt(), 100);
    QCOMPARE(uscita[QStringLiteral("step")].toInt(), 1);
    QCOMPARE(
        componenti[QStringLiteral("ingresso_1")].toObject()[QStringLiteral("platform")].toString(),
        QStringLiteral("binary_sensor"));
    // Alarms: input 2 and analog input 1 have theirs on, the others not.
    QStringList allarmi;
    for (auto it = componenti.begin(); it != componenti.end(); ++it) {
        if (it.key().startsWith(QLatin1String("allarme_")) && it.value().toObject().size() > 1) {
            allarmi << it.key();
        }
    }
    allarmi.sort();
    QCOMPARE(allarmi, QStringList({QStringLiteral("allarme_analogico_1"),
                                   QStringLiteral("allarme_ingresso_2")}));
    const QJsonObject allarme2 = componenti[QStringLiteral("allarme_ingresso_2")].toObject();
    QCOMPARE(allarme2[QStringLiteral("platform")].toString(), QStringLiteral("binary_sensor"));
    QCOMPARE(allarme2[QStringLiteral("device_class")].toString(), QStringLiteral("problem"));
    QCOMPARE(allarme2[QStringLiteral("state_topic")].toString(), argomento("allarme/ingresso/2"));
    QCOMPARE(allarme2[QStringLiteral("payload_on")].toString(), QStringLiteral("ON"));
    QVERIFY(allarme2[QStringLiteral("unique_id")].toString() !=
            componenti[QStringLiteral("ingresso_2")].toObject()[QStringLiteral("unique_id")]
                .toString());
    QCOMPARE(componenti[QStringLiteral("allarme_analogico_1")]
                 .toObject()[QStringLiteral("state_topic")]
                 .toString(),
             argomento("allarme/analogico/1"));
    QCOMPARE(
        unita[QStringLiteral("device")].toObject()[QStringLiteral("via_device")],
        scheda[QStringLiteral("device")].toObject()[QStringLiteral("identifiers")].toArray().at(0));

    // Home Assistant restarting asks for discovery again: a thousand births in a row make
    // one announcement, not a thousand.
    const qsizetype da = m_osservatore.quanti();
    for (int i = 0; i < 1000; ++i) {
        m_osservatore.pubblica(QStringLiteral("homeassistant/status"), "online", false, 0);
    }
    const auto annunci = [&] {
        qsizetype quanti = 0;
        for (const Messaggio &m : m_osservatore.da(da)) {
            quanti +=
                m.argomento == QLatin1String("homeassistant/device/brivola_prova/config") ? 1 : 0;
        }
        return quanti;
    };
    QTRY_VERIFY_WITH_TIMEOUT(annunci() >= 1, 15000);
    // Past the longest delay a last birth could have started.
    QTest::qWait(3000);
    QCOMPARE(annunci(), 1);
}

void TestPonteMqtt::payloadOstili()
{
    const qsizetype da = m_osservatore.quanti();
    const qsizetype eseguiti = m_eseguiti.size();
    const QList<QPair<QString, QByteArray>> ostili = {
        {QStringLiteral("rele/5/set"), QByteArray()},
        {QStringLiteral("rele/5/set"), QByteArray(1 << 20, 'O')},
        {QStringLiteral("rele/5/set"), QByteArray("O\xff\xfeN")},
        {QStringLiteral("rele/5/set"), QByteArray("-1")},
        {QStringLiteral("uscita_analogica/1/set"), QByteArray("-1")},
        {QStringLiteral("uscita_analogica/1/set"), QByteArray("1e309")},
        {QStringLiteral("uscita_analogica/1/set"), QByteArray("101")},
        {QStringLiteral("uscita_analogica/1/set"), QByteArray("\xc3\x28")},
        {QStringLiteral("rele/9/set"), QByteArray("ON")},
        {QStringLiteral("unita/5/uscita/1/set"), QByteArray("ON")},
        // Arabic-Indic five: a digit to Unicode, not a point number.
        {QStringLiteral("rele/\u0665/set"), QByteArray("OFF")},
        {QStringLiteral("ingresso/1/set"), QByteArray("ON")},
        {QStringLiteral("unita/2/ingresso/1/set"), QByteArray("ON")},
        {QStringLiteral("analogico/1/set"), QByteArray("5")},
        {QStringLiteral("set"), QByteArray("ON")},
        {QStringLiteral("rele/") + QString(60000, QLatin1Char('5')) + QStringLiteral("/set"),
         QByteArray("ON")},
    };
    for (const auto &[coda, payload] : ostili) {
        m_osservatore.pubblica(argomento(coda), payload);
    }
    QTRY_COMPARE_WITH_TIMEOUT(errori(da).size(), ostili.size(), 10000);
    const QList<QJsonObject> risposte = errori(da);
    for (int i = 0; i < ostili.size(); ++i) {
        const QJsonObject &r = risposte.at(i);
        // The topic is repeated, cut short.
        const QString topic = argomento(ostili.at(i).first);
        QCOMPARE(r[QStringLiteral("topic")].toString(),
                 topic.size() <= 256 ? topic : topic.left(256) + QStringLiteral("…"));
        QVERIFY2(!r[QStringLiteral("motivo")].toString().isEmpty(), qPrintable(ostili.at(i).first));
        // The payload is repeated, cut short.
        QVERIFY(r[QStringLiteral("payload")].toString().size() <= 257);
    }
    QVERIFY(risposte.at(1)[QStringLiteral("motivo")].toString().contains(QStringLiteral("lungo")));
    QVERIFY(risposte.at(8)[QStringLiteral("motivo")].toString().contains(
        QStringLiteral("sconosciuto")));
    QVERIFY(
        risposte.at(9)[QStringLiteral("motivo")].toString().contains(QStringLiteral("unità 5")));
    for (int i = 11; i <= 13; ++i) {
        QVERIFY(risposte.at(i)[QStringLiteral("motivo")].toString().contains(
            QStringLiteral("sola lettura")));
    }
    // Nothing in the log is as long as the long topic.
    for (const QString &riga : m_ponte.log().split(QLatin1Char('\n'))) {
        QVERIFY(riga.size() < 1000);
    }
    // Errors are never retained.
    for (const Messaggio &m : m_osservatore.da(da)) {
        QVERIFY(m.argomento != argomento(QStringLiteral("errore")) || !m.trattenuto);
    }
    QTest::qWait(300);
    for (const QString &comando : m_eseguiti.mid(eseguiti)) {
        QVERIFY2(!kScrittura.match(comando).hasMatch(), qPrintable(comando));
    }
    QCOMPARE(m_scheda->stato().usciteAnalogiche[0], 0);
    QVERIFY(m_scheda->stato().rele[4]);
}

void TestPonteMqtt::milleComandi()
{
    const qint64 residenteInizio = m_ponte.residenteKiB();
    QVERIFY(residenteInizio > 0);
    const qsizetype da = m_osservatore.quanti();
    const qsizetype eseguiti = m_eseguiti.size();
    // One that switches relay 6, then 999 that find relay 5 already on.
    m_osservatore.pubblica(argomento(QStringLiteral("rele/6/set")), "ON");
    for (int i = 0; i < 999; ++i) {
        m_osservatore.pubblica(argomento(QStringLiteral("rele/5/set")), "ON", false, 0);
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(argomento(QStringLiteral("rele/6"))),
                              QByteArray("ON"), 10000);
    // A mark behind the flood: once it has been answered, the flood is over.
    m_osservatore.pubblica(argomento(QStringLiteral("rele/9/set")), "ON");
    QTRY_VERIFY_WITH_TIMEOUT(!errori(da).isEmpty(), 20000);
    QTest::qWait(300);
    // Nothing refused but the mark; commands to one point wait as one state, so the board
    // saw a handful of reads, not a thousand.
    QCOMPARE(errori(da).size(), 1);
    const qsizetype letture = contaEseguiti(QStringLiteral("*/RS"), eseguiti);
    QVERIFY2(letture >= 2 && letture <= 10, qPrintable(QString::number(letture)));
    QCOMPARE(contaEseguiti(QStringLiteral("*/R6"), eseguiti), 1);
    QCOMPARE(contaEseguiti(QStringLiteral("*/R5"), eseguiti), 0);
    QVERIFY(m_scheda->stato().rele[5]);
    // The board never saw two commands run into each other.
    for (const QString &comando : m_eseguiti) {
        QVERIFY2(kComandoIntero.match(comando).hasMatch(), qPrintable(comando));
    }
    const qint64 crescita = m_ponte.residenteKiB() - residenteInizio;
    qInfo("%lld reads, resident memory %+lld KiB", qlonglong(letture), qlonglong(crescita));
#ifndef BRIVOLA_ASAN
    // AddressSanitizer keeps freed memory in quarantine: the bound holds for a normal build.
    QVERIFY2(crescita < 4096, qPrintable(QStringLiteral("%1 KiB").arg(crescita)));
#endif
}

void TestPonteMqtt::scena()
{
    // A Home Assistant scene: 18 commands at once, all carried out, none refused, each bank
    // read once before and once after its writes.
    const qsizetype da = m_osservatore.quanti();
    const qsizetype eseguiti = m_eseguiti.size();
    const StatoScheda &s = m_scheda->stato();
    int releDaCambiare = 0;
    int usciteDaCambiare = 0;
    std::array<bool, 8> uscite{};
    for (int n = 1; n <= 8; ++n) {
        releDaCambiare += s.rele[n - 1] ? 0 : 1;
        // The even ones toggle: what they end as depends on what the board has now.
        uscite[n - 1] = n % 2 == 1 || !s.unita[1].uscite[n - 1];
        usciteDaCambiare += uscite[n - 1] != s.unita[1].uscite[n - 1] ? 1 : 0;
        m_osservatore.pubblica(argomento(QStringLiteral("rele/%1/set").arg(n)), "ON");
        m_osservatore.pubblica(argomento(QStringLiteral("unita/2/uscita/%1/set").arg(n)),
                               n % 2 ? "ON" : "TOGGLE");
    }
    QVERIFY(releDaCambiare >= 5 && usciteDaCambiare >= 4);
    m_osservatore.pubblica(argomento(QStringLiteral("uscita_analogica/1/set")), "40");
    m_osservatore.pubblica(argomento(QStringLiteral("uscita_analogica/2/set")), "75");
    // The banks go in the order their first command came: the analog outputs last.
    QTRY_VERIFY_WITH_TIMEOUT(
        m_osservatore.ultimo(argomento(QStringLiteral("uscita_analogica/2"))) == "75", 20000);
    QTRY_VERIFY_WITH_TIMEOUT(contaEseguiti(QStringLiteral("*/PS"), eseguiti) >= 1, 5000);
    for (int n = 1; n <= 8; ++n) {
        QVERIFY(s.rele[n - 1]);
        QCOMPARE(s.unita[1].uscite[n - 1], uscite[n - 1]);
        QCOMPARE(m_osservatore.ultimo(argomento(QStringLiteral("rele/%1").arg(n))), "ON");
        QCOMPARE(m_osservatore.ultimo(argomento(QStringLiteral("unita/2/uscita/%1").arg(n))),
                 onOff(uscite[n - 1]));
    }
    QCOMPARE(m_osservatore.ultimo(argomento(QStringLiteral("uscita_analogica/1"))), "40");
    QCOMPARE(s.usciteAnalogiche[0], Conversioni::percentualeALivello(40));
    QVERIFY(errori(da).isEmpty());
    const QStringList fatti = m_eseguiti.mid(eseguiti);
    // Each bank read before and after its writes: once each as a rule, twice if the machine
    // is so slow that the scene's commands reached the bridge far apart; never one read per
    // command.
    const qsizetype letture = fatti.count(QStringLiteral("*/RS"));
    const qsizetype lettureUnita = fatti.count(QStringLiteral("*/ER100S"));
    qInfo("relay bank read %lld times, unit outputs %lld times", qlonglong(letture),
          qlonglong(lettureUnita));
    QVERIFY(letture == 2 || letture == 4);
    QVERIFY(lettureUnita == 2 || lettureUnita == 4);
    const qsizetype lettureLivelli = fatti.count(QStringLiteral("*/PS"));
    QVERIFY(lettureLivelli == 1 || lettureLivelli == 2);
    QCOMPARE(fatti.filter(QRegularExpression(QStringLiteral("^\\*/R[1-8]$"))).size(),
             releDaCambiare);
    QCOMPARE(fatti.filter(QRegularExpression(QStringLiteral("^\\*/ER100[1-8]$"))).size(),
             usciteDaCambiare);
    QCOMPARE(fatti.size(),
             letture + releDaCambiare + lettureUnita + usciteDaCambiare + 2 + lettureLivelli);
}

void TestPonteMqtt::livelliCanale()
{
    // Every value the discovery offers for a unit's channel comes back as it was set: eight
    // channels at a time, each set and read back.
    const QJsonObject canale =
        QJsonDocument::fromJson(m_osservatore.ultimo(QStringLiteral(
                                    "homeassistant/device/brivola_prova_unita2/config")))
            .object()[QStringLiteral("components")]
            .toObject()[QStringLiteral("unita2_canale_1")]
            .toObject();
    const int minimo = canale[QStringLiteral("min")].toInt(-1);
    const int massimo = canale[QStringLiteral("max")].toInt(-1);
    QCOMPARE(canale[QStringLiteral("step")].toInt(), 1);
    QVERIFY(minimo == 0 && massimo > 0);
    const qsizetype da = m_osservatore.quanti();
    for (int base = minimo; base <= massimo; base += 8) {
        for (int n = 1; n <= 8 && base + n - 1 <= massimo; ++n) {
            m_osservatore.pubblica(argomento(QStringLiteral("unita/2/canale/%1/set").arg(n)),
                                   QByteArray::number(base + n - 1));
        }
        for (int n = 1; n <= 8 && base + n - 1 <= massimo; ++n) {
            const QString stato = argomento(QStringLiteral("unita/2/canale/%1").arg(n));
            QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(stato), QByteArray::number(base + n - 1),
                                      10000);
            QCOMPARE(m_scheda->stato().unita[1].analogiche[n - 1], base + n - 1);
        }
    }
    QVERIFY(errori(da).isEmpty());
    // One past the range is refused.
    m_osservatore.pubblica(argomento(QStringLiteral("unita/2/canale/1/set")),
                           QByteArray::number(massimo + 1));
    QTRY_COMPARE_WITH_TIMEOUT(errori(da).size(), 1, 5000);
}

void TestPonteMqtt::allarmiEStorico()
{
    // Each input whose alarm is on has its state retained: analog input 1 reads 50 against
    // 10..40, input 2 (alarm when set) is clear.
    const QString allarme2 = argomento(QStringLiteral("allarme/ingresso/2"));
    const QString allarmeA1 = argomento(QStringLiteral("allarme/analogico/1"));
    QVERIFY(m_scheda->imposta(QStringLiteral("ingresso 2 0")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(allarme2), QByteArray("OFF"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(allarmeA1), QByteArray("ON"), 10000);
    QVERIFY(m_scheda->imposta(QStringLiteral("ingresso 2 1")).isEmpty());
    QVERIFY(m_scheda->imposta(QStringLiteral("analogico 1 16384")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(allarme2), QByteArray("ON"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(allarmeA1), QByteArray("OFF"), 10000);
    QVERIFY(m_scheda->imposta(QStringLiteral("ingresso 2 0")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(allarme2), QByteArray("OFF"), 10000);
    Osservatore nuovo;
    QVERIFY(nuovo.collega(m_broker->porta(), {kBase + QStringLiteral("allarme/#")}));
    QTRY_COMPARE_WITH_TIMEOUT(nuovo.ultimi().size(), 2, 10000);
    for (const Messaggio &m : nuovo.messaggi()) {
        QVERIFY2(m.trattenuto && m.payload == "OFF", qPrintable(m.argomento));
    }

    // What the bridge read is in the history beside the settings, as the panel would keep it:
    // the relay it switched as its own doing, the alarms raised and cleared, input 1 on its
    // configured scale (50 and 25 on 0..100; the default -20..50 would give 15 and -2).
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ponte"));
    db.setDatabaseName(QDir(m_cartella.path()).filePath(QStringLiteral("Storico.sqlite")));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
    QVERIFY(db.open());
    using Tipo = EventoStorico::Tipo;
    const int rele5 = PuntoStorico{PuntoStorico::Famiglia::UsciteDigitali, -1, 5}.codice();
    const int ingresso2 = PuntoStorico{PuntoStorico::Famiglia::IngressiDigitali, -1, 2}.codice();
    const int analogico1 = PuntoStorico{PuntoStorico::Famiglia::IngressiAnalogici, -1, 1}.codice();
    const auto eventi = [&] {
        QList<std::tuple<int, int, int>> elenco;
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT tipo, punto, origine FROM eventi ORDER BY id"))) {
            while (q.next()) {
                elenco.append({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt()});
            }
        }
        return elenco;
    };
    const auto fatto = [](Tipo tipo, int punto, EventoStorico::Origine origine) {
        return std::tuple(int(tipo), punto, int(origine));
    };
    using O = EventoStorico::Origine;
    // Input 2 was cleared once before, so its clearing alone does not say the lot with the
    // analog input's clearing is in.
    QTRY_VERIFY_WITH_TIMEOUT(
        eventi().contains(fatto(Tipo::AllarmeRientrato, ingresso2, O::Scheda)) &&
            eventi().contains(fatto(Tipo::AllarmeRientrato, analogico1, O::Scheda)),
        10000);
    const auto elenco = eventi();
    QVERIFY(elenco.contains(fatto(Tipo::ReleCommutato, rele5, O::Ponte)));
    const auto dove = [&](Tipo tipo, int punto) {
        return elenco.indexOf(fatto(tipo, punto, O::Scheda));
    };
    QVERIFY(dove(Tipo::AllarmeAttivo, ingresso2) >= 0);
    QVERIFY(dove(Tipo::AllarmeAttivo, ingresso2) < dove(Tipo::AllarmeRientrato, ingresso2));
    QVERIFY(dove(Tipo::AllarmeAttivo, analogico1) >= 0);
    QVERIFY(dove(Tipo::AllarmeAttivo, analogico1) < dove(Tipo::AllarmeRientrato, analogico1));
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral(
        "SELECT MIN(minimo), MAX(massimo) FROM riassunti WHERE periodo = 1 AND ingresso = 1")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 25);
    QCOMPARE(q.value(1).toInt(), 50);
    QVERIFY(q.exec(QStringLiteral("SELECT unita FROM etichette WHERE ingresso = 1")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("%"));
    q = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("ponte"));
    QVERIFY(m_scheda->imposta(QStringLiteral("analogico 1 32768")).isEmpty());
}

void TestPonteMqtt::arrestoEUnaVolta()
{
    // The diagnostics count every command answered on "errore" (17 hostile ones and a few
    // more), with the board in line and answering.
    QTRY_VERIFY_WITH_TIMEOUT(
        QJsonDocument::fromJson(m_osservatore.ultimo(argomento(QStringLiteral("diagnostica"))))
                .object()[QStringLiteral("rifiutati")]
                .toInt() >= 18,
        10000);
    const QJsonObject diagnostica =
        QJsonDocument::fromJson(m_osservatore.ultimo(argomento(QStringLiteral("diagnostica"))))
            .object();
    QCOMPARE(diagnostica[QStringLiteral("collegamento")].toString(), QStringLiteral("in linea"));
    QVERIFY(diagnostica[QStringLiteral("risposta_ms")].toInt(-1) >= 0);
    QVERIFY(QDateTime::fromString(diagnostica[QStringLiteral("ultima_risposta")].toString(),
                                  Qt::ISODate)
                .isValid());

    // The wrong scale of input 4 was told once, not at every reading of the continuous output.
    QCOMPARE(m_ponte.log().count(QStringLiteral("IAV04=zero")), 1);

    // A new name in the panel's settings file: the board's discovery again, with it.
    const qsizetype da = m_osservatore.quanti();
    QVERIFY(scriviFile(QDir(m_cartella.path()).filePath(QStringLiteral("Impostazioni.INI")),
                       "[OPTION]\nUD05=Portico\nIAT01=2\nIAV01=0\nIAVM01=100\n"));
    const QString configScheda = QStringLiteral("homeassistant/device/brivola_prova/config");
    QTRY_VERIFY_WITH_TIMEOUT(m_osservatore.da(da).size() > 0 &&
                                 m_osservatore.ultimo(configScheda).contains("\"Portico\""),
                             5000);
    // The alarms are off in it now: their entities go, and their states with them.
    const QJsonObject componenti = QJsonDocument::fromJson(m_osservatore.ultimo(configScheda))
                                       .object()[QStringLiteral("components")]
                                       .toObject();
    QCOMPARE(componenti[QStringLiteral("allarme_ingresso_2")].toObject(),
             QJsonObject({{QStringLiteral("platform"), QStringLiteral("binary_sensor")}}));
    QTRY_VERIFY_WITH_TIMEOUT(
        m_osservatore.ultimo(argomento(QStringLiteral("allarme/ingresso/2"))).isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(
        m_osservatore.ultimo(argomento(QStringLiteral("allarme/analogico/1"))).isEmpty(), 10000);

    // The clean stop.
    QCOMPARE(m_ponte.ferma(), 0);
    QTRY_COMPARE(m_osservatore.ultimo(argomento(QStringLiteral("ponte"))), QByteArray("offline"));
    QCOMPARE(m_osservatore.ultimo(argomento(QStringLiteral("scheda"))), QByteArray("offline"));

    // Once, without unit 2: every point read and published, unit 2's discovery cleared.
    QVERIFY(scriviFile(QDir(m_cartella.path()).filePath(QStringLiteral("Ponte.INI")),
                       "[MQTT]\nPorta=" + QByteArray::number(m_broker->porta()) +
                           "\nId=prova\nContinuo=1\n"));
    const qsizetype prima = m_osservatore.quanti();
    QProcess unaVolta;
    unaVolta.start(QCoreApplication::applicationDirPath() + QStringLiteral("/brivola-ponte"),
                   QStringList{QStringLiteral("--impostazioni"), m_cartella.path(),
                               QStringLiteral("--una-volta")} +
                       kPauseBrevi);
    QTRY_VERIFY_WITH_TIMEOUT(unaVolta.state() == QProcess::NotRunning, 20000);
    QCOMPARE(unaVolta.exitCode(), 0);
    QTRY_VERIFY(
        m_osservatore.ultimo(QStringLiteral("homeassistant/device/brivola_prova_unita2/config"))
            .isEmpty());
    bool online = false;
    for (const Messaggio &m : m_osservatore.da(prima)) {
        online =
            online || (m.argomento == argomento(QStringLiteral("scheda")) && m.payload == "online");
    }
    QVERIFY(online);
    // The bridge's last word may still be on its way to the observer when the process is gone.
    QTRY_COMPARE_WITH_TIMEOUT(m_osservatore.ultimo(argomento(QStringLiteral("ponte"))),
                              QByteArray("offline"), 5000);
}

QTEST_GUILESS_MAIN(TestPonteMqtt)
#include "tst_ponteMqtt.moc"
