// The paced sender as a state machine: a TCP link to a board played by a local server, and the
// ready prompts given by hand, as the session gives them once it has read one.
#include "StatoRegistrato.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/TrasportoTcp.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

const QString kNonInviato = QStringLiteral("Comando non inviato: la scheda non è pronta");
const QString kCollegamentoAssente =
    QStringLiteral("Comando non inviato: il collegamento con la scheda è interrotto");
const QString kCodaPiena =
    QStringLiteral("Comando non inviato: troppi comandi in attesa (al massimo 16)");

Temporizzazioni tempiInvio()
{
    Temporizzazioni tempi;
    tempi.carattereTcpMs = 1;
    tempi.pezzoMs = 5;
    tempi.attesaProntoMs = 300;
    tempi.attesaIngressoMs = 700;
    return tempi;
}

// "X" on the wire as "X\r\n".
Comando comando(const char *testo)
{
    Comando c;
    c.pezziSeriale = {QString::fromLatin1(testo)};
    c.tcp = QString::fromLatin1(testo) + QStringLiteral("\r\n");
    return c;
}

// The sender on a TCP link to a local server that plays the board, and everything that
// happened, in order.
class Banco : public QObject
{
public:
    Banco() : m_collegamento(m_valori, m_stato, tempiInvio()), m_invio(m_collegamento, m_stato)
    {
        m_invio.setAttesaPronto(tempiInvio().attesaProntoMs);
        m_invio.setAttesaIngresso(tempiInvio().attesaIngressoMs);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++m_connessioni;
                m_scheda = socket;
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket] { m_ricevuto += socket->readAll(); });
            }
        });
        connect(&m_collegamento.tcp(), &Trasporto::datiScritti, this,
                [this](const QByteArray &dati) { m_scritti += dati; });
    }

    // TCP chosen and up.
    bool collega()
    {
        if (!m_server.isListening() && !m_server.listen(QHostAddress::LocalHost, 0)) {
            return false;
        }
        scegliTcp();
        m_collegamento.avvia();
        return QTest::qWaitFor([this] { return m_collegamento.collegamentoAttivo() && m_scheda; },
                               5000);
    }
    // TCP chosen, not connected.
    void scegliTcp()
    {
        m_collegamento.setTipoScelto(TipoCollegamento::Tcp);
        m_collegamento.tcp().setIndirizzo(QStringLiteral("127.0.0.1"),
                                          QString::number(m_server.serverPort()));
        m_collegamento.VerificaCollegamento();
    }
    // The board closes its end.
    void chiudiScheda() { m_scheda->disconnectFromHost(); }

    // How a command ended, under `nome`.
    EsitoInvio esito(const QString &nome)
    {
        EsitoInvio e;
        e.scritto = [this, nome] { m_esiti << nome + QStringLiteral(" scritto"); };
        e.scartato = [this, nome] { m_esiti << nome + QStringLiteral(" scartato"); };
        e.inizio = [this, nome] { m_esiti << nome + QStringLiteral(" inizio"); };
        return e;
    }
    bool attendiLibero(int ms = 3000)
    {
        return QTest::qWaitFor([this] { return !m_invio.isOccupato() && m_invio.inCoda() == 0; },
                               ms);
    }

    Invio &invio() { return m_invio; }
    Collegamento &collegamento() { return m_collegamento; }
    TrasportoTcp &tcp() { return m_collegamento.tcp(); }
    QString pannello1() const { return m_stato.testo(1); }
    // Handed to the link, in order.
    const QByteArray &scritti() const { return m_scritti; }
    // What reached the board.
    const QByteArray &ricevuto() const { return m_ricevuto; }
    const QStringList &esiti() const { return m_esiti; }
    int connessioni() const { return m_connessioni; }

private:
    ValoriProgramma m_valori;
    StatoRegistrato m_stato;
    Collegamento m_collegamento;
    Invio m_invio;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_scheda;
    int m_connessioni = 0;
    QByteArray m_scritti;
    QByteArray m_ricevuto;
    QStringList m_esiti;
};

} // namespace

class TestInvio : public QObject
{
    Q_OBJECT

private slots:
    void attendeUnProntoDopoLInizioDellAttesa();
    void scadenza_data();
    void scadenza();
    void collegamentoAssente_data();
    void collegamentoAssente();
    void ripresaDopoLaPerdita();
    void ordineDellaCoda();
    void codaPienaESvuotata();
    void inviaSe_data();
    void inviaSe();
    void sequenza_data();
    void sequenza();
    void ferma();
};

void TestInvio::attendeUnProntoDopoLInizioDellAttesa()
{
    Banco banco;
    QVERIFY(banco.collega());
    // A prompt that came before the command is no prompt for it.
    banco.invio().pronto();
    banco.invio().invia(comando("A"), banco.esito("A"));
    QVERIFY(banco.invio().isOccupato());
    QVERIFY(banco.scritti().isEmpty());
    QVERIFY(banco.esiti().isEmpty());

    // Its own prompt: it starts at once, and is told written after its last pause.
    banco.invio().pronto();
    QCOMPARE(banco.esiti(), QStringList{"A inizio"});
    QCOMPARE(banco.scritti(), QByteArray("A"));
    QVERIFY(banco.attendiLibero());
    QCOMPARE(banco.esiti(), (QStringList{"A inizio", "A scritto"}));
    QTRY_COMPARE(banco.ricevuto(), QByteArray("A\r\n"));
    QVERIFY(banco.pannello1().isEmpty());
}

void TestInvio::scadenza_data()
{
    QTest::addColumn<bool>("ingresso");
    QTest::addColumn<int>("attesa");
    QTest::newRow("comando") << false << tempiInvio().attesaProntoMs;
    // The first command after a page entry waits longer: the link may still be starting.
    QTest::newRow("primo dopo l'ingresso") << true << tempiInvio().attesaIngressoMs;
}

void TestInvio::scadenza()
{
    QFETCH(bool, ingresso);
    QFETCH(int, attesa);
    Banco banco;
    QVERIFY(banco.collega());
    if (ingresso) {
        banco.invio().attendiIngresso();
    }
    // That command waits `attesa`; the one after it the ordinary limit again.
    for (const int atteso : {attesa, tempiInvio().attesaProntoMs}) {
        QElapsedTimer tempo;
        qint64 scartatoDopo = -1;
        tempo.start();
        banco.invio().invia(comando("A"),
                            {[] { QFAIL("scritto"); }, [&] { scartatoDopo = tempo.elapsed(); }});
        QTRY_VERIFY_WITH_TIMEOUT(scartatoDopo >= 0, 3000);
        QVERIFY2(scartatoDopo >= atteso && scartatoDopo < atteso + 250,
                 qPrintable(QString::number(scartatoDopo)));
        QCOMPARE(banco.pannello1(), kNonInviato);
        QVERIFY(!banco.invio().isOccupato());
    }
    QVERIFY(banco.scritti().isEmpty());
}

void TestInvio::collegamentoAssente_data()
{
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("pannello");
    QTest::newRow("nessun collegamento scelto") << "nessuno" << QString();
    QTest::newRow("collegamento giù") << "giu" << kCollegamentoAssente;
    QTest::newRow("perso durante l'attesa") << "perso" << kCollegamentoAssente;
}

void TestInvio::collegamentoAssente()
{
    QFETCH(QString, caso);
    QFETCH(QString, pannello);
    Banco banco;
    if (caso == QLatin1String("giu")) {
        banco.scegliTcp();
    } else if (caso == QLatin1String("perso")) {
        QVERIFY(banco.collega());
    }
    banco.invio().invia(comando("A"), banco.esito("A"));
    banco.invio().invia(comando("B"), banco.esito("B"));
    if (caso == QLatin1String("perso")) {
        QVERIFY(banco.esiti().isEmpty());
        banco.chiudiScheda();
        // No prompt can come any more: dropped without waiting out the limit.
        QTRY_VERIFY_WITH_TIMEOUT(!banco.esiti().isEmpty(), tempiInvio().attesaProntoMs / 2);
    }
    // Down or missing: dropped at once, nothing left waiting.
    QCOMPARE(banco.esiti(), (QStringList{"A scartato", "B scartato"}));
    QVERIFY(!banco.invio().isOccupato());
    QCOMPARE(banco.pannello1(), pannello);
    QVERIFY(banco.scritti().isEmpty());
}

void TestInvio::ripresaDopoLaPerdita()
{
    Banco banco;
    QVERIFY(banco.collega());
    QSignalSpy perso(&banco.collegamento(), &Collegamento::collegamentoPerso);
    banco.chiudiScheda();
    QVERIFY(perso.wait(3000));

    // A command after a loss starts the link again and waits for the board on it.
    banco.invio().invia(comando("A"), banco.esito("A"));
    QVERIFY(banco.invio().isOccupato());
    QTRY_VERIFY(banco.collegamento().collegamentoAttivo() && banco.connessioni() == 2);
    banco.invio().pronto();
    QVERIFY(banco.attendiLibero());
    QCOMPARE(banco.esiti(), (QStringList{"A inizio", "A scritto"}));
    QTRY_COMPARE(banco.ricevuto(), QByteArray("A\r\n"));
}

void TestInvio::ordineDellaCoda()
{
    Banco banco;
    QVERIFY(banco.collega());
    // An idle board: prompts while a command is being written are not for the next one; the
    // next one gets the prompt after it.
    connect(&banco.tcp(), &Trasporto::datiScritti, &banco, [&] { banco.invio().pronto(); });
    connect(&banco.tcp(), &Trasporto::scritturaFinita, &banco,
            [&] { QTimer::singleShot(0, &banco, [&] { banco.invio().pronto(); }); });
    for (const char *nome : {"A", "B", "C"}) {
        banco.invio().invia(comando(nome), banco.esito(QString::fromLatin1(nome)));
    }
    QCOMPARE(banco.invio().inCoda(), qsizetype(2));
    banco.invio().pronto();
    QVERIFY(banco.attendiLibero());
    QCOMPARE(banco.esiti(), (QStringList{"A inizio", "A scritto", "B inizio", "B scritto",
                                         "C inizio", "C scritto"}));
    QTRY_COMPARE(banco.ricevuto(), QByteArray("A\r\nB\r\nC\r\n"));
}

void TestInvio::codaPienaESvuotata()
{
    Banco banco;
    QVERIFY(banco.collega());
    banco.invio().invia(comando("A"), banco.esito("A"));
    for (int i = 0; i < Invio::MassimoCoda; ++i) {
        banco.invio().invia(comando("Q"), banco.esito("Q"));
    }
    QCOMPARE(banco.invio().inCoda(), Invio::MassimoCoda);
    QVERIFY(banco.esiti().isEmpty());
    banco.invio().invia(comando("R"), banco.esito("R"));
    QCOMPARE(banco.esiti(), QStringList{"R scartato"});
    QCOMPARE(banco.pannello1(), kCodaPiena);

    // The link is gone: the queue is dropped, the command under way goes on.
    banco.invio().svuotaCoda();
    QCOMPARE(banco.esiti().size(), 1 + Invio::MassimoCoda);
    QCOMPARE(banco.esiti().count(QStringLiteral("Q scartato")), Invio::MassimoCoda);
    QCOMPARE(banco.pannello1(), kNonInviato);
    QCOMPARE(banco.invio().inCoda(), qsizetype(0));
    QVERIFY(banco.invio().isOccupato());
    banco.invio().pronto();
    QVERIFY(banco.attendiLibero());
    QCOMPARE(banco.esiti().mid(1 + Invio::MassimoCoda), (QStringList{"A inizio", "A scritto"}));
    QTRY_COMPARE(banco.ricevuto(), QByteArray("A\r\n"));
}

void TestInvio::inviaSe_data()
{
    QTest::addColumn<bool>("condizione");
    QTest::addColumn<bool>("poi");
    QTest::addColumn<QByteArray>("dopoUnPronto");
    QTest::addColumn<QByteArray>("dopoDue");
    QTest::newRow("serve, poi un altro")
        << true << true << QByteArray("X\r\n") << QByteArray("X\r\nY\r\n");
    // The prompt passed over is still fresh for the command behind.
    QTest::newRow("non serve, poi un altro")
        << false << true << QByteArray("Y\r\n") << QByteArray("Y\r\n");
    // ... but not for one given later.
    QTest::newRow("non serve, nient'altro")
        << false << false << QByteArray() << QByteArray("Y\r\n");
}

void TestInvio::inviaSe()
{
    QFETCH(bool, condizione);
    QFETCH(bool, poi);
    QFETCH(QByteArray, dopoUnPronto);
    QFETCH(QByteArray, dopoDue);
    Banco banco;
    QVERIFY(banco.collega());
    // Judged when the prompt comes, not when given.
    bool serve = !condizione;
    banco.invio().inviaSe([&serve] { return serve; }, comando("X"));
    if (poi) {
        banco.invio().invia(comando("Y"));
    }
    serve = condizione;
    banco.invio().pronto();
    QTRY_VERIFY(!banco.tcp().isInScrittura());
    QCOMPARE(banco.scritti(), dopoUnPronto);
    if (!poi) {
        QVERIFY(!banco.invio().isOccupato());
        banco.invio().invia(comando("Y"));
        QVERIFY(banco.scritti().isEmpty());
    }
    banco.invio().pronto();
    QVERIFY(banco.attendiLibero());
    QCOMPARE(banco.scritti(), dopoDue);
}

void TestInvio::sequenza_data()
{
    QTest::addColumn<bool>("perdita");
    QTest::addColumn<QByteArray>("filo");
    QTest::addColumn<QStringList>("esiti");
    QTest::newRow("intera") << false << QByteArray("A\r\n123456B\r\nC\r\n")
                            << QStringList{"S inizio", "S scritto", "C inizio", "C scritto"};
    // Fields without their command would be read as something else: the rest is dropped.
    QTest::newRow("collegamento perso nella pausa")
        << true << QByteArray("A\r\n") << QStringList{"S inizio", "S scartato", "C scartato"};
}

void TestInvio::sequenza()
{
    QFETCH(bool, perdita);
    QFETCH(QByteArray, filo);
    QFETCH(QStringList, esiti);
    Banco banco;
    QVERIFY(banco.collega());
    constexpr int kPausa = 60;
    const QList<Invio::Passo> passi{
        Invio::Passo::perComando(comando("A")), Invio::Passo::pausa(kPausa),
        Invio::Passo::diretto(QStringLiteral("123")), Invio::Passo::diretto(QStringLiteral("456")),
        Invio::Passo::perComando(comando("B"))};
    banco.invio().inviaSequenza(passi, banco.esito("S"));
    banco.invio().invia(comando("C"), banco.esito("C"));

    // When each byte went out.
    QElapsedTimer orologio;
    orologio.start();
    QList<qint64> quando;
    connect(&banco.tcp(), &Trasporto::datiScritti, &banco, [&](const QByteArray &dati) {
        quando << orologio.nsecsElapsed();
        if (perdita && dati == "\n") {
            banco.chiudiScheda();
        }
    });
    // An idle board, prompting all the time: nothing gets in between all the same.
    QTimer prompt;
    connect(&prompt, &QTimer::timeout, &banco, [&] { banco.invio().pronto(); });
    prompt.start(2);
    QVERIFY(banco.attendiLibero());
    prompt.stop();

    QCOMPARE(banco.esiti(), esiti);
    QCOMPARE(banco.scritti(), filo);
    if (!perdita) {
        QTRY_COMPARE(banco.ricevuto(), filo);
        // The pause after "A\r\n" (its last character's pause included).
        const qint64 pausaNs = quando.at(3) - quando.at(2);
        QVERIFY2(pausaNs > qint64(kPausa + tempiInvio().carattereTcpMs) * 1000000,
                 qPrintable(QString::number(pausaNs)));
    } else {
        QCOMPARE(banco.pannello1(), kCollegamentoAssente);
    }
}

void TestInvio::ferma()
{
    Banco banco;
    QVERIFY(banco.collega());
    // One waiting for its prompt, one queued: both end without a word, the wait's time-out too.
    banco.invio().invia(comando("A"), banco.esito("A"));
    banco.invio().invia(comando("B"), banco.esito("B"));
    banco.invio().ferma();
    QVERIFY(!banco.invio().isOccupato());
    QCOMPARE(banco.invio().inCoda(), qsizetype(0));
    banco.invio().pronto();
    QTest::qWait(tempiInvio().attesaProntoMs + 100);
    QVERIFY(banco.esiti().isEmpty());
    QVERIFY(banco.scritti().isEmpty());
    QVERIFY(banco.pannello1().isEmpty());

    // In a sequence's pause: what follows it never goes out.
    banco.invio().inviaSequenza({Invio::Passo::perComando(comando("A")), Invio::Passo::pausa(100),
                                 Invio::Passo::diretto(QStringLiteral("1"))},
                                banco.esito("S"));
    banco.invio().pronto();
    QTRY_VERIFY(!banco.tcp().isInScrittura());
    QCOMPARE(banco.scritti(), QByteArray("A\r\n"));
    banco.invio().ferma();
    QTest::qWait(200);
    QCOMPARE(banco.scritti(), QByteArray("A\r\n"));
    QCOMPARE(banco.esiti(), QStringList{"S inizio"});
    QVERIFY(!banco.invio().isOccupato());
}

QTEST_GUILESS_MAIN(TestInvio)
#include "tst_invio.moc"
