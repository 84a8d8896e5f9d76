// The three peripheral unit pages: replies for the selected unit (the digital pages' through a
// board played by the test over loopback TCP), the unit selector, the value boxes; in the main
// window, the focus and the navigation.
#include "BancoFinestra.h"
#include "BancoPagina.h"
#include "Colori.h"
#include "app/NavigazionePagine.h"
#include "core/Errori.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/TrasportoTcp.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/GruppoRadio.h"
#include "pages/periferiche/PaginaPerifIngressiDigitali.h"
#include "pages/periferiche/PaginaPerifUsciteAnalogiche.h"
#include "pages/periferiche/PaginaPerifUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {

// The eight displays, channel 1 first, "" when blank.
QStringList displays(const PaginaPerifUsciteAnalogiche &pagina)
{
    QStringList testi;
    for (int n = 1; n <= 8; ++n) {
        testi << pagina.display(n)->testo();
    }
    return testi;
}

QList<int> spinner(const PaginaPerifUsciteAnalogiche &pagina)
{
    QList<int> valori;
    for (int n = 1; n <= 8; ++n) {
        valori << pagina.spinner(n)->value();
    }
    return valori;
}

QString frameCanale(int n, const QString &corpo)
{
    return QStringLiteral("UNITA 000 CANALE %1 ->%2<-").arg(n).arg(corpo);
}

// A response to "*/EA" for `unita` as the reader types it.
Risposta canali(const QString &testo, int unita = 0)
{
    return LettoreRisposte::leggi(testo, TipoRisposta::CanaliUnita, unita);
}

// The board at the other end of a loopback TCP link, played by the test: what the panel writes
// is kept, what the test writes goes out at once.
class SchedaFinta : public QTcpServer
{
public:
    SchedaFinta()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                m_socket = socket;
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket] { m_ricevuto += socket->readAll(); });
            }
        });
    }
    bool isCollegata() const { return m_socket != nullptr; }
    void scrivi(const QByteArray &dati) { m_socket->write(dati); }
    const QByteArray &ricevuto() const { return m_ricevuto; }
    void svuota() { m_ricevuto.clear(); }

private:
    QTcpSocket *m_socket = nullptr;
    QByteArray m_ricevuto;
};

} // namespace

class TestPaginePeriferiche : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_banco = std::make_unique<BancoPagina>();
        m_scheda = std::make_unique<SchedaFinta>();
    }
    void cleanup();

    void statiDigitali_data();
    void statiDigitali();
    void rispostaSenzaFrame();
    void rispostaDiUnAltraUnita();
    void canaliDallaRisposta();
    void altraUnitaAzzeraIPunti();
    void aperturaETornoDelFuoco();
    void tastiESpinner();
    void navigazione();

private:
    PaginaPerifUsciteDigitali &uscite() const
    {
        return m_banco->pagina<PaginaPerifUsciteDigitali>();
    }
    PaginaPerifIngressiDigitali &ingressi() const
    {
        return m_banco->pagina<PaginaPerifIngressiDigitali>();
    }
    PaginaPerifUsciteAnalogiche &analogiche() const
    {
        return m_banco->pagina<PaginaPerifUsciteAnalogiche>();
    }
    // The pages built, then the link up to the board the test plays.
    bool collega()
    {
        uscite();
        ingressi();
        return m_scheda->listen(QHostAddress::LocalHost, 0) &&
               m_banco->collegaTcp(m_scheda->serverPort()) &&
               QTest::qWaitFor([this] { return m_scheda->isCollegata(); }, 5000);
    }
    // The board lets out the command waiting (a prompt), then answers it with `risposta`;
    // false when the command did not come or the answer was not read.
    bool rispondi(const Comando &comando, const QByteArray &risposta)
    {
        SessioneScheda &sessione = m_banco->sessione();
        // Waits on signals: a polling wait would sleep through the pacing of every character.
        QSignalSpy scritto(&sessione.collegamento().tcp(), &Trasporto::scritturaFinita);
        m_scheda->scrivi("F?");
        if (!scritto.wait(5000) ||
            !QTest::qWaitFor([&] { return m_scheda->ricevuto().endsWith(comando.tcp.toLatin1()); },
                             5000)) {
            return false;
        }
        m_scheda->svuota();
        QSignalSpy letta(&sessione, &SessioneScheda::pronto);
        m_scheda->scrivi(risposta);
        return letta.wait(5000);
    }
    // The window on screen and active: the page entry follows the input focus, which only an
    // active window has.
    static bool attiva(BancoFinestra &banco)
    {
        banco.mostra();
        banco.finestra().activateWindow();
        return QTest::qWaitForWindowActive(&banco.finestra());
    }
    static void nessunMessaggio(MessaggiRegistrati &messaggi)
    {
        QVERIFY2(messaggi.voci().isEmpty(),
                 qPrintable(messaggi.voci().isEmpty() ? QString() : messaggi.voci().first().testo));
    }

    std::unique_ptr<BancoPagina> m_banco;
    std::unique_ptr<SchedaFinta> m_scheda;
};

void TestPaginePeriferiche::cleanup()
{
    nessunMessaggio(m_banco->messaggi());
    m_banco.reset();
    m_scheda.reset();
}

void TestPaginePeriferiche::statiDigitali_data()
{
    QTest::addColumn<QString>("stato");
    QTest::addColumn<QString>("attesi");
    QTest::newRow("punto 1") << "00000001"
                             << "RGGGGGGG";
    QTest::newRow("punto 8") << "10000000"
                             << "GGGGGGGR";
    QTest::newRow("corto, riempito a sinistra") << "101"
                                                << "RGRGGGGG";
    QTest::newRow("lungo, contano gli ultimi otto") << "1100000000"
                                                    << "GGGGGGGG";
    QTest::newRow("vuoto") << ""
                           << "GGGGGGGG";
    QTest::newRow("altri caratteri") << "1x 2-0a1"
                                     << "RGGGGGGR";
}

// Outputs and inputs of the selected unit read their frames alike.
void TestPaginePeriferiche::statiDigitali()
{
    QFETCH(QString, stato);
    QFETCH(QString, attesi);
    QVERIFY(collega());
    const QByteArray uscite =
        QStringLiteral("\r\nUNITA 100 USCITE ->%1<-\r\nF?").arg(stato).toLatin1();
    const QByteArray ingressi =
        QStringLiteral(" STATO INGRESSI ->%1<-\r\nF?").arg(stato).toLatin1();

    // The opposite first, so every panel has to change.
    this->uscite().sbUDPRichClick();
    QVERIFY(rispondi(Protocollo::statoUsciteUnita(0), "->01010101<-F?"));
    this->uscite().sbUDPRichClick();
    QVERIFY(rispondi(Protocollo::statoUsciteUnita(0), uscite));
    QCOMPARE(colori(this->uscite()), attesi);

    this->ingressi().sbIDPRichClick();
    QVERIFY(rispondi(Protocollo::statoIngressiUnita(0), " STATO INGRESSI ->01010101<-F?"));
    this->ingressi().sbIDPRichClick();
    QVERIFY(rispondi(Protocollo::statoIngressiUnita(0), ingressi));
    QCOMPARE(colori(this->ingressi()), attesi);
}

void TestPaginePeriferiche::rispostaSenzaFrame()
{
    QVERIFY(collega());
    const auto richiestaUscite = [this](const QByteArray &risposta) {
        uscite().sbUDPRichClick();
        return rispondi(Protocollo::statoUsciteUnita(0), risposta);
    };
    const auto richiestaIngressi = [this](const QByteArray &risposta) {
        ingressi().sbIDPRichClick();
        return rispondi(Protocollo::statoIngressiUnita(0), risposta);
    };
    const auto seguito = [this](const QByteArray &risposta) {
        QSignalSpy letta(&m_banco->sessione(), &SessioneScheda::pronto);
        m_scheda->scrivi(risposta);
        return letta.wait(5000);
    };
    // The prompt alone came before the board had the request: it paints nothing, and the
    // reply after it is the one read.
    QVERIFY(richiestaUscite("F?"));
    QCOMPARE(colori(uscite()), QStringLiteral("--------"));
    QVERIFY(seguito("\r\nF?"));
    QCOMPARE(colori(uscite()), QStringLiteral("--------"));
    QVERIFY(seguito("->00000110<-\r\nF?"));
    QCOMPARE(colori(uscite()), QStringLiteral("GRRGGGGG"));
    QVERIFY(richiestaIngressi(" STATO INGRESSI ->00000011<-F?"));
    // An unfinished frame changes nothing.
    QVERIFY(richiestaUscite("UNITA 100 USCITE ->111F?"));
    QVERIFY(richiestaIngressi("UNITA 100 USCITE ->111F?"));
    QCOMPARE(colori(uscite()), QStringLiteral("GRRGGGGG"));
    QCOMPARE(colori(ingressi()), QStringLiteral("RRGGGGGG"));
    // The board's own inputs frame lacks the unit frame's leading blank.
    QVERIFY(richiestaIngressi("\r\nSTATO INGRESSI ->11111111<-\r\nF?"));
    QCOMPARE(colori(ingressi()), QStringLiteral("RRGGGGGG"));
}

// A reply still on its way when the operator picks another unit belongs to the unit before.
void TestPaginePeriferiche::rispostaDiUnAltraUnita()
{
    QVERIFY(collega());
    uscite().sbUDPRichClick();
    m_scheda->scrivi("F?");
    const QByteArray richiesta0 = Protocollo::statoUsciteUnita(0).tcp.toLatin1();
    QTRY_VERIFY(m_scheda->ricevuto().endsWith(richiesta0));
    m_scheda->svuota();
    // Unit 3 chosen before unit 1's states come: its request waits for a prompt of its own.
    uscite().gruppoUnita()->voce(2)->click();
    QVERIFY(m_banco->sessione().invio().isOccupato());
    QVERIFY(m_scheda->ricevuto().isEmpty());
    QSignalSpy letta(&m_banco->sessione(), &SessioneScheda::pronto);
    m_scheda->scrivi("->11111111<-\r\nF?");
    QVERIFY(letta.wait(5000));
    QCOMPARE(colori(uscite()), QStringLiteral("--------"));

    // The prompt that ended it lets unit 3's request out; its own reply paints.
    const QByteArray richiesta2 = Protocollo::statoUsciteUnita(2).tcp.toLatin1();
    QTRY_VERIFY(m_scheda->ricevuto().endsWith(richiesta2));
    m_scheda->scrivi("->00000001<-\r\nF?");
    QTRY_COMPARE(colori(uscite()), QStringLiteral("RGGGGGGG"));

    // The analog page follows the same rule.
    analogiche().gruppoUnita()->setItemIndex(4);
    analogiche().mostraValori(canali(frameCanale(1, QStringLiteral("063")), 0));
    QCOMPARE(analogiche().display(1)->testo(), QString());
    analogiche().mostraValori(canali(frameCanale(1, QStringLiteral("063")), 4));
    QCOMPARE(analogiche().display(1)->testo(), QStringLiteral("100"));
}

void TestPaginePeriferiche::canaliDallaRisposta()
{
    // Levels 63, 25, 32, 0, 1, 62, 16, 40; a ninth frame changes nothing.
    const QList<int> livelli{63, 25, 32, 0, 1, 62, 16, 40, 10};
    QString nove;
    for (int i = 0; i < livelli.size(); ++i) {
        nove += frameCanale(i + 1, QStringLiteral("%1").arg(livelli[i], 3, 10, QLatin1Char('0')));
    }
    analogiche().mostraValori(canali(nove + QStringLiteral("F?")));
    QCOMPARE(displays(analogiche()), (QStringList{"100", "40", "51", "0", "2", "98", "25", "63"}));
    QCOMPARE(spinner(analogiche()), (QList<int>{100, 40, 51, 0, 2, 98, 25, 63}));

    // A level above 63 shows above 100; the spinner stops at its maximum.
    analogiche().mostraValori(canali(frameCanale(1, "063") + frameCanale(2, "126") + "F?"));
    QCOMPARE(analogiche().display(2)->testo(), QStringLiteral("200"));
    QCOMPARE(analogiche().spinner(2)->value(), 100);

    // A value that is not a number shows nothing, nor anything after it.
    const Risposta errata =
        canali(frameCanale(1, "000") + frameCanale(2, "0X1") + frameCanale(3, "063") + "F?");
    QVERIFY(!errata.errore.isEmpty());
    analogiche().mostraValori(errata);
    QCOMPARE(displays(analogiche()).mid(0, 3), (QStringList{"0", "200", "51"}));

    QString risposta;
    for (int n = 1; n <= 8; ++n) {
        risposta += frameCanale(n, QString::number(n * 7)) + QStringLiteral("\r\n");
    }
    analogiche().mostraValori(canali(risposta + QStringLiteral("F?")));
    QCOMPARE(displays(analogiche()), (QStringList{"11", "22", "33", "44", "56", "67", "78", "89"}));
    QCOMPARE(spinner(analogiche()), (QList<int>{11, 22, 33, 44, 56, 67, 78, 89}));

    // Three frames: the other five channels keep what they show.
    analogiche().mostraValori(
        canali(frameCanale(1, "063") + frameCanale(2, "000") + frameCanale(3, "032") + "F?"));
    QCOMPARE(displays(analogiche()), (QStringList{"100", "0", "51", "44", "56", "67", "78", "89"}));
    analogiche().mostraValori(canali(QStringLiteral("F?")));
    QCOMPARE(displays(analogiche()).first(), QStringLiteral("100"));
}

// The mended fault: another unit's states never stay on screen under the new selection.
void TestPaginePeriferiche::altraUnitaAzzeraIPunti()
{
    for (int n : {1, 3}) {
        uscite().pannello(n)->impostaStato(true);
    }
    for (int n = 1; n <= 8; ++n) {
        ingressi().pannello(n)->impostaStato(n == 8);
    }
    analogiche().mostraValori(canali(frameCanale(1, QStringLiteral("063"))));
    QCOMPARE(analogiche().display(1)->testo(), QStringLiteral("100"));
    analogiche().spinner(2)->setValue(30);

    uscite().gruppoUnita()->voce(2)->click();
    QCOMPARE(uscite().unitaSelezionata(), 2);
    QCOMPARE(colori(uscite()), QStringLiteral("--------"));
    QCOMPARE(colori(ingressi()), QStringLiteral("GGGGGGGR"));

    ingressi().gruppoUnita()->setItemIndex(5);
    QCOMPARE(colori(ingressi()), QStringLiteral("--------"));

    analogiche().gruppoUnita()->voce(7)->click();
    QCOMPARE(displays(analogiche()), QStringList(8, QString()));
    // The spinners are what a send uses: they keep the operator's values.
    QCOMPARE(analogiche().spinner(1)->value(), 100);
    QCOMPARE(analogiche().spinner(2)->value(), 30);
}

// Opening selects "Unità 1" at once; focus coming back from the log does not change the unit.
void TestPaginePeriferiche::aperturaETornoDelFuoco()
{
    BancoFinestra banco;
    QVERIFY(attiva(banco));
    TfrmMain &finestra = banco.finestra();
    PaginaPerifUsciteDigitali &uscite = *finestra.navigazione().paginaPerifUsciteDigitali();
    PaginaPerifIngressiDigitali &ingressi = *finestra.navigazione().paginaPerifIngressiDigitali();
    PaginaPerifUsciteAnalogiche &analogiche =
        *finestra.navigazione().paginaPerifUsciteAnalogiche();
    uscite.gruppoUnita()->setItemIndex(3);
    uscite.pannello(1)->impostaStato(true);
    uscite.sbPUDClick();
    QCOMPARE(banco.pagina(), 5);
    QCOMPARE(uscite.unitaSelezionata(), 0);
    QCOMPARE(colori(uscite), QStringLiteral("--------"));

    banco.clicca(QStringLiteral("rgUDP_3"));
    QCOMPARE(uscite.unitaSelezionata(), 3);
    finestra.mVisioneLogClick();
    auto *log = banco.controllo<QPlainTextEdit>(QStringLiteral("mmLog"));
    log->setFocus();
    QTRY_VERIFY(log->hasFocus());
    uscite.pannello(2)->setFocus();
    QTRY_VERIFY(uscite.pannello(2)->hasFocus());
    QCOMPARE(uscite.unitaSelezionata(), 3);

    // The focus handler itself puts "Unità 1" back.
    finestra.navigazione().TabSheet6Enter();
    QCOMPARE(uscite.unitaSelezionata(), 0);

    for (auto *pagina : std::initializer_list<PaginaPeriferica *>{&ingressi, &analogiche}) {
        pagina->gruppoUnita()->setItemIndex(6);
    }
    ingressi.sbPIDClick();
    QCOMPARE(banco.pagina(), 6);
    QCOMPARE(ingressi.unitaSelezionata(), 0);
    analogiche.sbPUAClick();
    QCOMPARE(banco.pagina(), 7);
    QCOMPARE(analogiche.unitaSelezionata(), 0);
    nessunMessaggio(banco.messaggi());
}

void TestPaginePeriferiche::tastiESpinner()
{
    QVERIFY(BancoPagina::mostra(analogiche()));
    analogiche().sbPUAClick();
    QCOMPARE(m_banco->pagineMostrate(), QList<int>{7});
    QLineEdit *casella = analogiche().casella(4);
    QSpinBox *spinner4 = analogiche().spinner(4);
    casella->setFocus();
    QTest::keyClicks(casella, QStringLiteral("1a-5x09"));
    QCOMPARE(casella->text(), QStringLiteral("150"));
    QTest::keyClick(casella, Qt::Key_Return);
    // Capped at 100; the send that follows writes the spinner as three digits.
    QCOMPARE(spinner4->value(), 100);
    QCOMPARE(analogiche().display(4)->testo(), QStringLiteral("100"));

    casella->clear();
    QTest::keyClick(casella, Qt::Key_Enter);
    QCOMPARE(spinner4->value(), 0);
    QCOMPARE(analogiche().display(4)->testo(), QStringLiteral("000"));

    // Releasing the mouse on the spinner copies its position to the display and the box.
    spinner4->setValue(7);
    QTest::mouseRelease(spinner4, Qt::LeftButton);
    QCOMPARE(analogiche().display(4)->testo(), QStringLiteral("007"));
    QCOMPARE(casella->text(), QStringLiteral("007"));
    QCOMPARE(analogiche().display(5)->testo(), QString());
}

void TestPaginePeriferiche::navigazione()
{
    BancoFinestra banco;
    QVERIFY(attiva(banco));
    struct Percorso
    {
        const char *periferiche;
        int pagina;
        const char *ritorno;
        int paginaScheda;
    };
    const Percorso percorsi[] = {
        {"sbPUD", 5, "sbUD", 1},
        {"sbPID", 6, "sbID", 2},
        {"sbPUA", 7, "sbUA", 3},
    };
    for (const Percorso &percorso : percorsi) {
        auto *pulsante = banco.controllo<QPushButton>(QLatin1String(percorso.periferiche));
        QVERIFY(pulsante->isEnabled());
        // With no connection kind the page opens, and nothing is sent or warned of.
        pulsante->click();
        QCOMPARE(banco.pagina(), percorso.pagina);
        banco.clicca(QLatin1String(percorso.ritorno));
        QCOMPARE(banco.pagina(), percorso.paginaScheda);
    }
    nessunMessaggio(banco.messaggi());
}

QTEST_MAIN(TestPaginePeriferiche)
#include "tst_paginePeriferiche.moc"
