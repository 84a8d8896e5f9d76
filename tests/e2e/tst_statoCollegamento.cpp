// What the operator sees of the link and the board when they are slow, lost or changed, against
// the simulated board over loopback TCP and a pseudo-terminal: the not-current look and its
// reason, new settings taking effect, the silent board, queued relay clicks with their marks.
#include "BancoFinestra.h"
#include "Colori.h"
#include "SimulatoreScheda.h"
#include "Supporto.h"

#include "app/NavigazionePagine.h"
#include "core/ValoriProgramma.h"
#include "app/CampoDispositivo.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/Seriale.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "pages/comune/SorveglianzaPagine.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The main window on screen over "Porte.INI" with `porteIni`.
class Banco : public BancoFinestra
{
public:
    explicit Banco(const QString &porteIni) { apri(porteIni); }
    // Over TCP to `scheda`, started here without drift (muted or not as the test set it).
    explicit Banco(SimulatoreScheda &scheda)
    {
        scheda.setDeriva(false);
        m_porta = scheda.avviaTcp();
        apri(testoPorteTcp(m_porta));
    }

    quint16 porta() const { return m_porta; }
    PaginaUsciteDigitali &relais() { return *m_finestra->navigazione().paginaUsciteDigitali(); }
    // The relay page opened and read: every relay off.
    bool apriRele()
    {
        clicca(QStringLiteral("lbUD"));
        return QTest::qWaitFor([this] { return colori(relais()) == QLatin1String("GGGGGGGG"); });
    }

private:
    void apri(const QString &porteIni)
    {
        scriviPorte(porteIni);
        crea().show();
        m_finestra->collegamento().setLimitePronto(10000);
    }

    quint16 m_porta = 0;
};

} // namespace

class TestStatoCollegamento : public QObject
{
    Q_OBJECT

private slots:
    void tcpSchedaFermataERiavviata();
    void serialeSchedaFermata();
    void nuovaPortaTcpSalvata();
    void nuovoDispositivoSerialeSalvato();
    void schedaMuta();
    void treClickReleInCoda();
    void codaScartataAllaPerdita();
    void paginaLasciataDuranteLAttesa();
    void tastiera();
};

void TestStatoCollegamento::tcpSchedaFermataERiavviata()
{
    auto scheda = std::make_unique<SimulatoreScheda>();
    scheda->setDeriva(false);
    const quint16 porta = scheda->avviaTcp();
    QVERIFY(porta != 0);
    scheda->stato().rele = {true, false, false, false, false, false, false, false};
    Banco banco(testoPorteTcp(porta));
    banco.clicca(QStringLiteral("lbUD"));
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("RGGGGGGG"));
    QVERIFY(!banco.relais().isNonAttuale());

    // The board goes away: within a second every panel loses its colour and panel 1 says why.
    QElapsedTimer durata;
    durata.start();
    scheda.reset();
    QTRY_COMPARE_WITH_TIMEOUT(colori(banco.relais()), QStringLiteral("--------"), 1000);
    QVERIFY2(durata.elapsed() < 1000, qPrintable(QString::number(durata.elapsed())));
    QCOMPARE(banco.pannello(1), SorveglianzaPagine::testoCollegamentoPerso());
    // Panel 1 shows its whole notice as a tooltip, however narrow the panel.
    QCOMPARE(banco.controllo(QStringLiteral("stbPannello1"))->toolTip(),
             Qt::convertFromPlainText(SorveglianzaPagine::testoCollegamentoPerso()));
    QVERIFY(banco.relais().isNonAttuale());
    // The names stay on the panels, the tooltip tells the state is old.
    QCOMPARE(banco.relais().pannello(1)->nome(), QStringLiteral("Riscaldamento"));
    QCOMPARE(testoSuggerimento(*banco.relais().pannello(1)),
             QStringLiteral("Riscaldamento: stato non aggiornato"));

    // Back on the same port; the page entered again is live.
    scheda = std::make_unique<SimulatoreScheda>();
    scheda->setDeriva(false);
    QCOMPARE(scheda->avviaTcp(QHostAddress::LocalHost, porta), porta);
    scheda->stato().rele = {false, true, false, false, false, false, false, false};
    banco.clicca(QStringLiteral("sbHome1"));
    banco.clicca(QStringLiteral("lbUD"));
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("GRGGGGGG"));
    QVERIFY(!banco.relais().isNonAttuale());
    QVERIFY(banco.pannello(1).isEmpty());
    QCOMPARE(testoSuggerimento(*banco.relais().pannello(2)),
             QStringLiteral("Condizionamento: acceso"));
    QVERIFY(banco.messaggi().voci().isEmpty());
}

void TestStatoCollegamento::serialeSchedaFermata()
{
    auto scheda = std::make_unique<SimulatoreScheda>();
    scheda->setDeriva(false);
    const QString pty = scheda->apriPty();
    QVERIFY2(!pty.isEmpty(), qPrintable(scheda->errore()));
    scheda->stato().rele = {false, false, true, false, false, false, false, false};
    Banco banco(testoPorteSeriale(pty));
    banco.clicca(QStringLiteral("lbUD"));
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("GGRGGGGG"));
    QCOMPARE(banco.pannello(0), QStringLiteral("Comm 1 Aperta Velocità 38400"));

    // The device goes away: stale look, the reason, and the status follows the port.
    scheda.reset();
    QTRY_COMPARE_WITH_TIMEOUT(colori(banco.relais()), QStringLiteral("--------"), 1000);
    QCOMPARE(banco.pannello(1), SorveglianzaPagine::testoCollegamentoPerso());
    QCOMPARE(banco.pannello(0), QStringLiteral("Comm 1 Chiusa Velocità 38400"));
    QVERIFY(!banco.finestra().collegamento().seriale().isOpen());
    QVERIFY(banco.messaggi().voci().isEmpty());
}

void TestStatoCollegamento::nuovaPortaTcpSalvata()
{
    SimulatoreScheda prima;
    SimulatoreScheda seconda;
    prima.setDeriva(false);
    seconda.setDeriva(false);
    const quint16 portaPrima = prima.avviaTcp();
    const quint16 portaSeconda = seconda.avviaTcp();
    QVERIFY(portaPrima != 0 && portaSeconda != 0);
    Banco banco(testoPorteTcp(portaPrima));
    banco.clicca(QStringLiteral("lbUD"));
    QVERIFY(prima.isClienteConnesso());

    banco.clicca(QStringLiteral("sbHome1"));
    banco.finestra().findChild<QAction *>(QStringLiteral("mCollTcp"))->trigger();
    auto *ePorta = banco.finestra().findChild<QLineEdit *>(QStringLiteral("ePorta"));
    ePorta->setText(QString::number(portaSeconda));
    QSignalSpy chiusa(&prima, &SimulatoreScheda::clienteDisconnesso);
    banco.clicca(QStringLiteral("SpeedButton4"));
    // The old connection is closed at once, on purpose: no lost link, no stale reason.
    QVERIFY(!banco.finestra().collegamento().socketAttivo());
    QCOMPARE(banco.finestra().collegamento().clientSocket().state(),
             QAbstractSocket::UnconnectedState);
    QCOMPARE(banco.pannello(0), QStringLiteral("Connessione TCP chiusa: nuove impostazioni"));
    QVERIFY(banco.pannello(1).isEmpty());
    QVERIFY(chiusa.wait(2000));

    // Saving the same address again leaves a connection alone.
    banco.clicca(QStringLiteral("lbUD"));
    QVERIFY(seconda.isClienteConnesso());
    QCOMPARE(
        banco.pannello(0),
        QStringLiteral("Connessione TCP Attiva --  IP: 127.0.0.1  Porta: %1").arg(portaSeconda));
    banco.finestra().findChild<QAction *>(QStringLiteral("mCollTcp"))->trigger();
    banco.clicca(QStringLiteral("SpeedButton4"));
    QVERIFY(banco.finestra().collegamento().socketAttivo());
    QVERIFY(banco.messaggi().voci().isEmpty());
}

void TestStatoCollegamento::nuovoDispositivoSerialeSalvato()
{
    SimulatoreScheda prima;
    SimulatoreScheda seconda;
    const QString ptyPrima = prima.apriPty();
    const QString ptySeconda = seconda.apriPty();
    QVERIFY(!ptyPrima.isEmpty() && !ptySeconda.isEmpty());
    Banco banco(testoPorteSeriale(ptyPrima));
    Seriale &seriale = banco.finestra().collegamento().seriale();
    banco.clicca(QStringLiteral("lbUD"));
    QVERIFY(seriale.isOpen());

    banco.clicca(QStringLiteral("sbHome1"));
    banco.finestra().findChild<QAction *>(QStringLiteral("mCollSeriale"))->trigger();
    banco.finestra()
        .findChild<CampoDispositivo *>(QStringLiteral("cbDispositivo"))
        ->setPercorso(ptySeconda);
    banco.clicca(QStringLiteral("sbSalvaPorte"));
    // Closed on purpose at once, and the status says so; no lost link is reported.
    QVERIFY(!seriale.isOpen());
    QCOMPARE(banco.pannello(0), QStringLiteral("Comm 1 Chiusa Velocità 38400"));
    QVERIFY(banco.pannello(1).isEmpty());
    QVERIFY(!banco.relais().isNonAttuale());

    QSignalSpy comandi(&seconda, &SimulatoreScheda::comandoEseguito);
    banco.clicca(QStringLiteral("lbUD"));
    QCOMPARE(seriale.nomeDispositivo(), ptySeconda);
    QCOMPARE(banco.pannello(0), QStringLiteral("Comm 1 Aperta Velocità 38400"));
    QTRY_COMPARE(comandi.size(), 1);
    QCOMPARE(comandi.at(0).at(0).toString(), QStringLiteral("*/RS"));
    QVERIFY(banco.messaggi().voci().isEmpty());
}

void TestStatoCollegamento::schedaMuta()
{
    SimulatoreScheda scheda;
    scheda.setMuto(true);
    Banco banco(scheda);
    QVERIFY(banco.porta() != 0);
    banco.finestra().collegamento().setLimitePronto(500);
    banco.finestra().invio().setAttesaPronto(500);

    QElapsedTimer durata;
    durata.start();
    banco.clicca(QStringLiteral("lbUD"));
    // Connected, but never a prompt: the page looks current until the silence is too long.
    QVERIFY(banco.finestra().collegamento().socketAttivo());
    QCOMPARE(banco.pannello(0),
             QStringLiteral("Connessione TCP Attiva --  IP: 127.0.0.1  Porta: %1").arg(banco.porta()));
    QTRY_COMPARE_WITH_TIMEOUT(banco.pannello(1), QStringLiteral("La scheda non risponde"), 12000);
    // Ten seconds of silence, as the panel promises, whatever its constant says.
    QVERIFY2(durata.elapsed() >= 10000, qPrintable(QString::number(durata.elapsed())));
    QVERIFY(banco.relais().isNonAttuale());
    QVERIFY(banco.messaggi().voci().isEmpty());

    // The board speaks again: the notice goes, and a board that keeps prompting stays current
    // well past the limit.
    scheda.setMuto(false);
    QTRY_VERIFY_WITH_TIMEOUT(banco.pannello(1).isEmpty(), 5000);
    QTest::qWait(11000);
    QVERIFY(banco.pannello(1).isEmpty());
    QCOMPARE(banco.finestra().invio().inCoda(), 0);
}

void TestStatoCollegamento::treClickReleInCoda()
{
    SimulatoreScheda scheda;
    Banco banco(scheda);
    QVERIFY(banco.porta() != 0);
    QVERIFY(banco.apriRele());

    // Each relay command reaching the board finds its panel still pending.
    QStringList comandi;
    QStringList inAttesaAllArrivo;
    connect(&scheda, &SimulatoreScheda::comandoEseguito, this, [&](const QString &comando) {
        comandi << comando;
        if (comando.size() == 4 && comando.startsWith(QLatin1String("*/R")) &&
            comando.at(3).isDigit()) {
            const int n = comando.at(3).digitValue();
            if (banco.relais().pannello(n)->isInAttesa()) {
                inAttesaAllArrivo << comando;
            }
        }
    });
    QList<bool> inAttesaDopoClick;
    for (int n = 1; n <= 3; ++n) {
        QTimer::singleShot((n - 1) * 100, this, [&, n] {
            banco.clicca(QStringLiteral("sbUD%1").arg(n));
            if (n > 1) {
                // Queued behind the first: the click returned at once, the mark is on.
                inAttesaDopoClick << banco.relais().pannello(n)->isInAttesa();
            }
        });
    }
    QTRY_COMPARE_WITH_TIMEOUT(colori(banco.relais()), QStringLiteral("RRRGGGGG"), 15000);
    QTRY_VERIFY(!banco.relais().pannello(1)->isInAttesa() &&
                !banco.relais().pannello(2)->isInAttesa() &&
                !banco.relais().pannello(3)->isInAttesa());
    QCOMPARE(inAttesaDopoClick, QList<bool>({true, true}));

    // All three switched, in the order clicked, each followed by a read-back.
    QStringList rele;
    for (const QString &comando : std::as_const(comandi)) {
        if (comando != QLatin1String("*/RS")) {
            rele << comando;
        }
    }
    QCOMPARE(rele, QStringList({"*/R1", "*/R2", "*/R3"}));
    QCOMPARE(inAttesaAllArrivo, rele);
    QVERIFY(comandi.lastIndexOf(QStringLiteral("*/RS")) > comandi.indexOf(QStringLiteral("*/R3")));
    QCOMPARE(scheda.stato().rele[0] && scheda.stato().rele[1] && scheda.stato().rele[2], true);
    QCOMPARE(banco.finestra().invio().inCoda(), 0);
    QVERIFY(banco.messaggi().voci().isEmpty());
}

void TestStatoCollegamento::codaScartataAllaPerdita()
{
    SimulatoreScheda scheda;
    Banco banco(scheda);
    QVERIFY(banco.porta() != 0);
    QVERIFY(banco.apriRele());

    // A silent board holds the first command at its prompt, two more queue behind it, and
    // then the connection goes: the queue is dropped with every pending mark it set. The
    // board speaks again, and the first click's read-back finds the link restarted.
    scheda.setMuto(true);
    QList<bool> inAttesaInCoda;
    QList<bool> inAttesaDopoLaPerdita;
    int inCoda = -1;
    QTimer::singleShot(300, this, [&] {
        banco.clicca(QStringLiteral("sbUD2"));
        banco.clicca(QStringLiteral("sbUD3"));
        inAttesaInCoda << banco.relais().pannello(2)->isInAttesa()
                       << banco.relais().pannello(3)->isInAttesa();
        inCoda = banco.finestra().invio().inCoda();
        connect(&banco.finestra().collegamento(), &Collegamento::collegamentoPerso, this, [&] {
            inAttesaDopoLaPerdita << banco.relais().pannello(2)->isInAttesa()
                                  << banco.relais().pannello(3)->isInAttesa()
                                  << banco.relais().pannello(2)->isNonAttuale();
            scheda.setMuto(false);
        });
        scheda.chiudiConnessione();
    });
    banco.clicca(QStringLiteral("sbUD1"));
    QCOMPARE(inAttesaInCoda, QList<bool>({true, true}));
    // Each click queues its command and the read-back after it.
    QCOMPARE(inCoda, 4);
    QCOMPARE(inAttesaDopoLaPerdita, QList<bool>({false, false, true}));
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("GGGGGGGG"));
    QVERIFY(!banco.relais().pannello(1)->isInAttesa());
    QCOMPARE(banco.finestra().invio().inCoda(), 0);
    // Nothing queued went out after the loss.
    QCOMPARE(scheda.stato().rele[0] || scheda.stato().rele[1] || scheda.stato().rele[2], false);
}

void TestStatoCollegamento::paginaLasciataDuranteLAttesa()
{
    SimulatoreScheda scheda;
    scheda.setMuto(true);
    Banco banco(scheda);
    QVERIFY(banco.porta() != 0);
    banco.finestra().collegamento().setLimitePronto(180000);

    // Home while the entry waits for the board's first prompt: the entry is abandoned and
    // its request never goes out, even once the board speaks.
    QTimer::singleShot(300, this, [&] { banco.clicca(QStringLiteral("sbHome1")); });
    QElapsedTimer durata;
    durata.start();
    banco.clicca(QStringLiteral("lbUD"));
    QVERIFY2(durata.elapsed() < 3000, qPrintable(QString::number(durata.elapsed())));
    QCOMPARE(banco.pagina(), int(ValoriProgramma::Home));
    scheda.setMuto(false);
    QSignalSpy dati(&banco.finestra().collegamento().clientSocket(), &QTcpSocket::readyRead);
    // Two prompts later nothing has been written: a surviving request would have gone out
    // right after the first.
    QVERIFY(dati.wait(3000));
    QVERIFY(dati.wait(3000));
    QVERIFY(scheda.ricevuti().isEmpty());
    QVERIFY(banco.messaggi().voci().isEmpty());
}

void TestStatoCollegamento::tastiera()
{
    SimulatoreScheda scheda;
    Banco banco(scheda);
    QVERIFY(banco.porta() != 0);
    banco.finestra().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&banco.finestra()));
    QVERIFY(banco.apriRele());

    // F5 is the open page's "Richiesta".
    scheda.stato().rele[7] = true;
    QSignalSpy comandi(&scheda, &SimulatoreScheda::comandoEseguito);
    QTest::keyClick(&banco.finestra(), Qt::Key_F5);
    QCOMPARE(comandi.size(), 1);
    QCOMPARE(comandi.at(0).at(0).toString(), QStringLiteral("*/RS"));
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("GGGGGGGR"));

    // Ctrl+S saves only on the configuration page.
    const QString impostazioni = banco.finestra().valori().fileImpostazioni;
    QTest::keyClick(&banco.finestra(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!QFile::exists(impostazioni));
    banco.finestra().findChild<QAction *>(QStringLiteral("Settaggi1"))->trigger();
    QCOMPARE(banco.pagina(), int(ValoriProgramma::Configurazione));
    QTest::keyClick(&banco.finestra(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(QFile::exists(impostazioni));

    // Ctrl+Q ends the program.
    QTest::keyClick(&banco.finestra(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!banco.finestra().isVisible());
    QVERIFY(banco.messaggi().voci().isEmpty());
}

QTEST_MAIN(TestStatoCollegamento)
#include "tst_statoCollegamento.moc"
