// Panels that reach the board through the broker: two panels and the bridge (brivola-ponte)
// between a real Mosquitto and the board simulator. Pages opened over MQTT, relays and an
// analog output switched through the bridge's one queue, both panels agreeing, the board gone
// behind the bridge, and a viewer's command refused by the broker's access list.
#include "BancoFinestra.h"
#include "Colori.h"
#include "SimulatoreScheda.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "pages/periferiche/PaginaPerifUsciteDigitali.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "protocol/SessioneScheda.h"
#include "storico/LottoStorico.h"
#include "storico/PuntoStorico.h"
#include "tst_ponte_supporto.h"

#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

using namespace ponteprova;

namespace {

// The one access list the README gives: the bridge (anonymous here, a user of its own in a
// real home) everything under its topics, an operator reads and commands, a viewer only reads.
const QByteArray kAcl = "topic readwrite brivola/#\n"
                        "topic readwrite homeassistant/#\n"
                        "\n"
                        "user operatore\n"
                        "topic read brivola/prova/#\n"
                        "topic write brivola/prova/richiesta\n"
                        "topic write brivola/prova/richiesta/lettura\n"
                        "\n"
                        "user visore\n"
                        "topic read brivola/prova/#\n"
                        "topic write brivola/prova/richiesta/lettura\n";

QString relePagina(TfrmMain &finestra)
{
    return colori(*finestra.navigazione().paginaUsciteDigitali());
}

QString releScheda(const SimulatoreScheda &scheda)
{
    QString esito;
    for (const bool acceso : scheda.stato().rele) {
        esito += acceso ? QLatin1Char('R') : QLatin1Char('G');
    }
    return esito;
}

} // namespace

class TestPonteRichieste : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void paginaEReleAttraversoIlBroker();
    void uscitaUnita();
    void uscitaAnalogica();
    void duePannelliInsieme();
    void ingressiDalContinuo();
    void visoreRifiutato();
    void schedaAssente();

private:
    std::unique_ptr<BancoFinestra> pannello(const QString &utente);

    QTemporaryDir m_cartella;
    std::unique_ptr<SimulatoreScheda> m_scheda;
    std::unique_ptr<Broker> m_broker;
    ProcessoPonte m_ponte;
    std::unique_ptr<BancoFinestra> m_a;
    std::unique_ptr<BancoFinestra> m_b;
    QStringList m_eseguiti;
};

std::unique_ptr<BancoFinestra> TestPonteRichieste::pannello(const QString &utente)
{
    auto banco = std::make_unique<BancoFinestra>();
    banco->scriviPorte(QStringLiteral("[TIPO]\nCollegamento=2\n[MQTT]\nPorta=%1\nId=prova\n"
                                      "Utente=%2\n")
                           .arg(m_broker->porta())
                           .arg(utente));
    banco->crea();
    banco->mostra();
    return banco;
}

void TestPonteRichieste::initTestCase()
{
    QVERIFY(m_cartella.isValid());
    m_scheda = std::make_unique<SimulatoreScheda>();
    m_scheda->setIntervallo(50);
    m_scheda->setDeriva(false);
    connect(m_scheda.get(), &SimulatoreScheda::comandoEseguito, this,
            [this](const QString &comando) { m_eseguiti.append(comando); });
    const quint16 portaScheda = m_scheda->avviaTcp();
    QVERIFY(portaScheda != 0);

    m_broker = std::make_unique<Broker>(m_cartella.path());
    m_broker->setAcl(kAcl);
    QVERIFY(m_broker->avvia());

    const QDir dir(m_cartella.path());
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Porte.INI")),
                       "[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=" +
                           QByteArray::number(portaScheda) + "\n"));
    QVERIFY(scriviFile(dir.filePath(QStringLiteral("Ponte.INI")),
                       "[MQTT]\nPorta=" + QByteArray::number(m_broker->porta()) +
                           "\nId=prova\nPeriodo=600\nContinuo=1\nDiscovery=0\n"));
    Osservatore osservatore;
    QVERIFY(osservatore.collega(m_broker->porta(), {QStringLiteral("brivola/prova/scheda")}));
    QVERIFY(m_ponte.avvia(m_cartella.path()));
    QTRY_VERIFY_WITH_TIMEOUT(osservatore.ultimo(QStringLiteral("brivola/prova/scheda")) ==
                                 "online",
                             20000);
    m_a = pannello(QStringLiteral("operatore"));
    m_b = pannello(QStringLiteral("operatore"));
}

void TestPonteRichieste::cleanupTestCase()
{
    m_a.reset();
    m_b.reset();
    m_ponte.ferma();
}

void TestPonteRichieste::paginaEReleAttraversoIlBroker()
{
    m_scheda->stato().rele = {true, false, true, false, false, false, false, true};
    m_a->clicca(QStringLiteral("lbUD"));
    QTRY_COMPARE_WITH_TIMEOUT(relePagina(m_a->finestra()), QStringLiteral("RGRGGGGR"), 10000);
    QVERIFY(m_a->pannello(0).startsWith(
        QStringLiteral("Connessione MQTT Attiva --  Broker: 127.0.0.1:%1  Scheda: prova")
            .arg(m_broker->porta())));

    QSignalSpy scritti(&m_a->finestra().sessione(), &SessioneScheda::datiScritti);
    QSignalSpy ricevuti(&m_a->finestra().sessione(), &SessioneScheda::datiRicevuti);
    const qsizetype da = m_eseguiti.size();
    m_a->clicca(QStringLiteral("sbUD5"));
    QTRY_COMPARE(relePagina(m_a->finestra()), QStringLiteral("RGRGRGGR"));
    QCOMPARE(releScheda(*m_scheda), QStringLiteral("RGRGRGGR"));
    // Written once, whole, by the bridge, followed by the page's read-back.
    QCOMPARE(m_eseguiti.mid(da).count(QStringLiteral("*/R5")), 1);
    QVERIFY(m_eseguiti.mid(da).contains(QStringLiteral("*/RS")));
    // The traffic record and the Console name the link: this panel's whole commands went out,
    // and the board's answer to its read came back.
    QVERIFY(m_a->attendiInvii());
    QList<QByteArray> comandi;
    for (const QList<QVariant> &s : std::as_const(scritti)) {
        QCOMPARE(s.at(0).toString(), QStringLiteral("MQTT"));
        comandi << s.at(1).toByteArray();
    }
    // The page stops the continuous output first, as on any link; the bridge keeps it its own.
    // A relay state the bridge publishes makes the page read again: reads besides the click's.
    comandi.removeAll("*/C\r\n");
    const qsizetype r5 = comandi.indexOf("*/R5\r\n");
    QVERIFY2(r5 >= 0 && comandi.value(r5 + 1) == "*/RS\r\n", comandi.join(' ').constData());
    comandi.removeAt(r5);
    QCOMPARE(comandi.count("*/RS\r\n"), comandi.size());
    QVERIFY(!m_eseguiti.mid(da).contains(QStringLiteral("*/C")));
    const bool risposta = std::any_of(ricevuti.cbegin(), ricevuti.cend(), [](const auto &r) {
        return r.at(0).toString() == QLatin1String("MQTT") &&
               r.at(1).toByteArray().contains("STATO USCITE RELE ->10010101<-");
    });
    QVERIFY(risposta);
    QVERIFY(m_a->messaggi().voci().isEmpty());

    // In the bridge's history the switch is a panel's, not the bridge's for Home Assistant.
    const auto origine = [&] {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ponte"));
        db.setDatabaseName(QDir(m_cartella.path()).filePath(QStringLiteral("Storico.sqlite")));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        int trovata = -1;
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT origine FROM eventi WHERE tipo = ? AND punto = ?"));
            q.addBindValue(int(EventoStorico::Tipo::ReleCommutato));
            q.addBindValue(PuntoStorico{PuntoStorico::Famiglia::UsciteDigitali, -1, 5}.codice());
            if (q.exec() && q.next()) {
                trovata = q.value(0).toInt();
            }
        }
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("ponte"));
        return trovata;
    };
    QTRY_COMPARE_WITH_TIMEOUT(origine(), int(EventoStorico::Origine::AltroPannello), 10000);
}

void TestPonteRichieste::uscitaUnita()
{
    // A peripheral unit's output, from the unit page entered from the relays' page.
    m_scheda->stato().unita[1].uscite = {true, false, false, false, false, false, false, false};
    m_a->clicca(QStringLiteral("sbPUD"));
    m_a->clicca(QStringLiteral("rgUDP_1"));
    const PaginaPerifUsciteDigitali &pagina = *m_a->finestra().navigazione().paginaPerifUsciteDigitali();
    QTRY_COMPARE_WITH_TIMEOUT(colori(pagina), QStringLiteral("RGGGGGGG"), 10000);
    const qsizetype da = m_eseguiti.size();
    m_a->clicca(QStringLiteral("sbUDP3"));
    QTRY_COMPARE_WITH_TIMEOUT(colori(pagina), QStringLiteral("RGRGGGGG"), 10000);
    QVERIFY(m_scheda->stato().unita[1].uscite[2]);
    QCOMPARE(m_eseguiti.mid(da).count(QStringLiteral("*/ER1003")), 1);
    QVERIFY(m_a->attendiInvii());
    m_a->clicca(QStringLiteral("sbUD"));
    QVERIFY(m_a->messaggi().voci().isEmpty());
}

void TestPonteRichieste::uscitaAnalogica()
{
    m_a->clicca(QStringLiteral("sbHome1"));
    m_a->clicca(QStringLiteral("lbUA"));
    QVERIFY(m_a->attendiInvii());
    auto *spinner = m_a->controllo<QSpinBox>(QStringLiteral("UD01"));
    QVERIFY(spinner);
    spinner->setValue(50);
    const qsizetype da = m_eseguiti.size();
    m_a->clicca(QStringLiteral("sbUAInvio1"));
    // 50 % of the board's 255 levels.
    QTRY_VERIFY(m_eseguiti.mid(da).contains(QStringLiteral("*/P1128")));
    QTRY_COMPARE(m_scheda->stato().usciteAnalogiche[0], 128);
    QVERIFY(m_a->attendiInvii());
    // The units' analog outputs page reads unit 1's channels through the broker too.
    const qsizetype primaUnita = m_eseguiti.size();
    m_a->clicca(QStringLiteral("sbPUA"));
    QTRY_VERIFY_WITH_TIMEOUT(m_eseguiti.mid(primaUnita).contains(QStringLiteral("*/EA000S")),
                             10000);
    QVERIFY(m_a->attendiInvii());
    m_a->clicca(QStringLiteral("sbUA"));
    QVERIFY(m_a->attendiInvii());
    QVERIFY(m_a->messaggi().voci().isEmpty());
}

void TestPonteRichieste::duePannelliInsieme()
{
    m_a->clicca(QStringLiteral("SpeedButton2"));
    m_a->clicca(QStringLiteral("lbUD"));
    m_b->clicca(QStringLiteral("lbUD"));
    QVERIFY(m_a->attendiInvii());
    QVERIFY(m_b->attendiInvii());
    const QString prima = releScheda(*m_scheda);
    QTRY_COMPARE(relePagina(m_b->finestra()), prima);

    // Both at once, and a hub's command beside them: each written whole, in one queue.
    Osservatore hub;
    QVERIFY(hub.collega(m_broker->porta(), {}));
    const qsizetype da = m_eseguiti.size();
    m_a->clicca(QStringLiteral("sbUD2"));
    m_b->clicca(QStringLiteral("sbUD3"));
    hub.pubblica(QStringLiteral("brivola/prova/rele/7/set"), "ON");
    QTRY_VERIFY_WITH_TIMEOUT(m_eseguiti.mid(da).contains(QStringLiteral("*/R2")) &&
                                 m_eseguiti.mid(da).contains(QStringLiteral("*/R3")) &&
                                 m_eseguiti.mid(da).contains(QStringLiteral("*/R7")),
                             10000);
    static const QRegularExpression intero(QStringLiteral(R"(^\*/(RS|R[0-8]|C)$)"));
    for (const QString &comando : m_eseguiti.mid(da)) {
        QVERIFY2(intero.match(comando).hasMatch(), qPrintable(comando));
    }
    QCOMPARE(m_scheda->stato().rele[6], true);
    // Both panels end where the board is, each seeing the other's click and the hub's.
    const QString dopo = releScheda(*m_scheda);
    QVERIFY(dopo != prima);
    QTRY_COMPARE_WITH_TIMEOUT(relePagina(m_a->finestra()), dopo, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(relePagina(m_b->finestra()), dopo, 10000);
    QVERIFY(m_a->messaggi().voci().isEmpty());
    QVERIFY(m_b->messaggi().voci().isEmpty());
}

void TestPonteRichieste::ingressiDalContinuo()
{
    // The bridge keeps the board's continuous output on: every panel gets its rounds, so an
    // input that changes reaches the open page without a request.
    m_b->clicca(QStringLiteral("sbHome1"));
    const qsizetype primaIa = m_eseguiti.size();
    m_b->clicca(QStringLiteral("lbIA"));
    QVERIFY(m_b->attendiInvii());
    // Gone from the panel once published: the bridge writes it in its turn.
    QTRY_VERIFY2(m_eseguiti.mid(primaIa).contains(QStringLiteral("*/A")),
                 qPrintable(m_eseguiti.mid(primaIa).join(QLatin1Char(' '))));
    // The analog alarms: the thresholds' head and its sixteen fields reach the board together.
    const qsizetype primaSoglie = m_eseguiti.size();
    m_b->clicca(QStringLiteral("sbIAImp"));
    static const QRegularExpression soglie(QStringLiteral(R"(^\*/HAS\d{48}$)"));
    static const QRegularExpression abilitazioni(QStringLiteral(R"(^\*/HAC[01]{8}$)"));
    QTRY_VERIFY_WITH_TIMEOUT(m_eseguiti.mid(primaSoglie).filter(soglie).size() == 1, 10000);
    QCOMPARE(m_eseguiti.mid(primaSoglie).filter(abilitazioni).size(), 1);
    QVERIFY(m_b->attendiInvii());
    m_b->clicca(QStringLiteral("SpeedButton3"));
    m_b->clicca(QStringLiteral("lbID"));
    QVERIFY(m_b->attendiInvii());
    const PaginaIngressiDigitali &pagina = *m_b->finestra().navigazione().paginaIngressiDigitali();
    m_scheda->stato().ingressi = {false, false, false, false, false, false, false, false};
    QTRY_COMPARE_WITH_TIMEOUT(colori(pagina), QStringLiteral("GGGGGGGG"), 10000);
    const qsizetype da = m_eseguiti.size();
    m_scheda->stato().ingressi[2] = true;
    QTRY_COMPARE_WITH_TIMEOUT(colori(pagina), QStringLiteral("GGRGGGGG"), 10000);
    QVERIFY2(!m_eseguiti.mid(da).contains(QStringLiteral("*/I")),
             qPrintable(m_eseguiti.mid(da).join(QLatin1Char(' '))));

    // The alarm settings sent through the broker, each command whole; then a unit's inputs.
    const qsizetype primaAllarmi = m_eseguiti.size();
    m_b->clicca(QStringLiteral("sbIDImp"));
    QVERIFY(m_b->attendiInvii());
    static const QRegularExpression allarme(QStringLiteral(R"(^\*/HD[CS][01]{8}$)"));
    QTRY_COMPARE(m_eseguiti.mid(primaAllarmi).filter(allarme).size(), 2);
    const qsizetype primaUnita = m_eseguiti.size();
    m_b->clicca(QStringLiteral("sbPID"));
    QVERIFY(m_b->attendiInvii());
    QTRY_VERIFY(m_eseguiti.mid(primaUnita).contains(QStringLiteral("*/EI000")));
    QVERIFY(m_b->messaggi().voci().isEmpty());
}

void TestPonteRichieste::visoreRifiutato()
{
    std::unique_ptr<BancoFinestra> visore = pannello(QStringLiteral("visore"));
    // The viewer reads: its page shows the board.
    visore->clicca(QStringLiteral("lbUD"));
    QTRY_COMPARE_WITH_TIMEOUT(relePagina(visore->finestra()), releScheda(*m_scheda), 10000);
    QVERIFY(visore->attendiInvii());
    QVERIFY(visore->messaggi().voci().isEmpty());
    // Its click is refused by the broker, and nothing reaches the board.
    const QString prima = releScheda(*m_scheda);
    const qsizetype da = m_eseguiti.size();
    visore->clicca(QStringLiteral("sbUD1"));
    QTRY_VERIFY_WITH_TIMEOUT(!visore->messaggi().voci().isEmpty(), 10000);
    QCOMPARE(visore->messaggi().voci().first().testo, QStringLiteral("Comando non autorizzato"));
    QVERIFY(visore->attendiInvii());
    QVERIFY2(!m_eseguiti.mid(da).contains(QStringLiteral("*/R1")),
             qPrintable(m_eseguiti.mid(da).join(QLatin1Char(' '))));
    QCOMPARE(releScheda(*m_scheda), prima);
    QCOMPARE(relePagina(visore->finestra()), prima);
}

void TestPonteRichieste::schedaAssente()
{
    m_a->clicca(QStringLiteral("sbHome1"));
    m_a->clicca(QStringLiteral("lbUD"));
    QVERIFY(m_a->attendiInvii());
    PaginaUsciteDigitali &pagina = *m_a->finestra().navigazione().paginaUsciteDigitali();
    QVERIFY(!pagina.isNonAttuale());
    // The board stops answering the bridge: its "scheda" goes offline, the page is not current.
    m_scheda->setMuto(true);
    m_scheda->chiudiConnessione();
    QTRY_VERIFY_WITH_TIMEOUT(pagina.isNonAttuale(), 15000);
    QCOMPARE(m_a->pannello(1), QStringLiteral("Collegamento perso"));
    QVERIFY(m_a->pannello(0).contains(QStringLiteral("non in linea")));
    // A command meanwhile gets the lost link's notice.
    const qsizetype da = m_eseguiti.size();
    m_a->clicca(QStringLiteral("sbUD4"));
    QVERIFY(m_a->attendiInvii());
    QCOMPARE(m_a->pannello(1),
             QStringLiteral("Comando non inviato: il collegamento con la scheda è interrotto"));
    QCOMPARE(m_eseguiti.size(), da);
}

QTEST_MAIN(TestPonteRichieste)
#include "tst_ponteRichieste.moc"
