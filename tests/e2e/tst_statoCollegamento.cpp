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
#include "link/TrasportoSeriale.h"
#include "link/TrasportoTcp.h"
#include "pages/comune/SorveglianzaPagine.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/SessioneScheda.h"

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

#include <memory>

namespace {

// The main window on screen over "Porte.INI" with `porteIni`, short pacing unless a test
// gives its own.
class Banco : public BancoFinestra
{
public:
    explicit Banco(const QString &porteIni, const Temporizzazioni &tempi = tempiBrevi())
    {
        apri(porteIni, tempi);
    }
    // Over TCP to `scheda`, started here without drift (muted or not as the test set it).
    explicit Banco(SimulatoreScheda &scheda, const Temporizzazioni &tempi = tempiBrevi())
    {
        scheda.setDeriva(false);
        m_porta = scheda.avviaTcp();
        apri(testoPorteTcp(m_porta), tempi);
    }

    quint16 porta() const { return m_porta; }
    TrasportoTcp &tcp() const { return m_finestra->collegamento().tcp(); }
    Seriale &seriale() const { return m_finestra->collegamento().seriale().seriale(); }
    PaginaUsciteDigitali &relais() { return *m_finestra->navigazione().paginaUsciteDigitali(); }
    // The relay page opened and read: every relay off.
    bool apriRele()
    {
        clicca(QStringLiteral("lbUD"));
        return QTest::qWaitFor([this] { return colori(relais()) == QLatin1String("GGGGGGGG"); }) &&
               attendiInvii();
    }

private:
    void apri(const QString &porteIni, const Temporizzazioni &tempi)
    {
        scriviPorte(porteIni);
        setTempi(tempi);
        crea().show();
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
    QVERIFY(!banco.seriale().isOpen());
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
    QTRY_VERIFY(prima.isClienteConnesso());
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("GGGGGGGG"));
    QVERIFY(banco.attendiInvii());

    banco.clicca(QStringLiteral("sbHome1"));
    banco.finestra().findChild<QAction *>(QStringLiteral("mCollTcp"))->trigger();
    auto *ePorta = banco.finestra().findChild<QLineEdit *>(QStringLiteral("ePorta"));
    ePorta->setText(QString::number(portaSeconda));
    QSignalSpy chiusa(&prima, &SimulatoreScheda::clienteDisconnesso);
    banco.clicca(QStringLiteral("SpeedButton4"));
    // The old connection is closed at once, on purpose: no lost link, no stale reason.
    QVERIFY(!banco.tcp().isAttivo());
    QCOMPARE(banco.tcp().clientSocket().state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(banco.pannello(0), QStringLiteral("Connessione TCP chiusa: nuove impostazioni"));
    QVERIFY(banco.pannello(1).isEmpty());
    QVERIFY(chiusa.wait(2000));

    // Saving the same address again leaves a connection alone.
    banco.clicca(QStringLiteral("lbUD"));
    QTRY_VERIFY(seconda.isClienteConnesso());
    QTRY_COMPARE(
        banco.pannello(0),
        QStringLiteral("Connessione TCP Attiva --  IP: 127.0.0.1  Porta: %1").arg(portaSeconda));
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("GGGGGGGG"));
    QVERIFY(banco.attendiInvii());
    banco.finestra().findChild<QAction *>(QStringLiteral("mCollTcp"))->trigger();
    banco.clicca(QStringLiteral("SpeedButton4"));
    QVERIFY(banco.tcp().isAttivo());
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
    Seriale &seriale = banco.seriale();
    banco.clicca(QStringLiteral("lbUD"));
    QVERIFY(seriale.isOpen());
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("GGGGGGGG"));
    QVERIFY(banco.attendiInvii());

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
    Temporizzazioni tempi = tempiBrevi();
    // The page's commands give up on the board well before the silence limit.
    tempi.attesaProntoMs = 300;
    tempi.attesaIngressoMs = 300;
    tempi.silenzioMs = 1500;
    Banco banco(scheda, tempi);
    QVERIFY(banco.porta() != 0);

    QElapsedTimer durata;
    durata.start();
    banco.clicca(QStringLiteral("lbUD"));
    // Connected, but never a prompt: the page looks current until the silence is too long.
    QTRY_VERIFY(banco.tcp().isAttivo());
    QCOMPARE(
        banco.pannello(0),
        QStringLiteral("Connessione TCP Attiva --  IP: 127.0.0.1  Porta: %1").arg(banco.porta()));
    QVERIFY(!banco.relais().isNonAttuale());
    QVERIFY(banco.attendiInvii(tempi.silenzioMs / 2));
    QVERIFY(!banco.relais().isNonAttuale());
    QTRY_COMPARE_WITH_TIMEOUT(banco.pannello(1), SorveglianzaPagine::testoSchedaMuta(),
                              tempi.silenzioMs + 2000);
    // The whole limit of silence, as measured, not as the timer was told.
    QVERIFY2(durata.elapsed() >= tempi.silenzioMs, qPrintable(QString::number(durata.elapsed())));
    QVERIFY(banco.relais().isNonAttuale());
    QVERIFY(banco.messaggi().voci().isEmpty());

    // The board speaks again: the notice goes, and a board that keeps prompting stays current
    // well past the limit.
    QSignalSpy muta(&banco.finestra().sessione(), &SessioneScheda::schedaMuta);
    QSignalSpy pronti(&scheda, &SimulatoreScheda::prontoInviato);
    scheda.setMuto(false);
    QTRY_VERIFY_WITH_TIMEOUT(banco.pannello(1).isEmpty(), 5000);
    QVERIFY(!muta.wait(tempi.silenzioMs * 2));
    QVERIFY2(pronti.size() >= 4, qPrintable(QString::number(pronti.size())));
    QVERIFY(banco.pannello(1).isEmpty());
    QCOMPARE(banco.finestra().invio().inCoda(), 0);
}

void TestStatoCollegamento::treClickReleInCoda()
{
    SimulatoreScheda scheda;
    // A command's own answer comes while its line end is still going out, too early to count:
    // the next command waits for an idle prompt, sooner here than the board's own.
    scheda.setIntervallo(100);
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
    // Each click returns at once, its command queued behind the one before: the mark is on.
    QList<bool> inAttesaDopoClick;
    for (int n = 1; n <= 3; ++n) {
        banco.clicca(QStringLiteral("sbUD%1").arg(n));
        inAttesaDopoClick << banco.relais().pannello(n)->isInAttesa();
    }
    QCOMPARE(inAttesaDopoClick, QList<bool>({true, true, true}));
    QTRY_COMPARE_WITH_TIMEOUT(colori(banco.relais()), QStringLiteral("RRRGGGGG"), 15000);
    QVERIFY(banco.attendiInvii());
    QTRY_VERIFY(!banco.relais().pannello(1)->isInAttesa() &&
                !banco.relais().pannello(2)->isInAttesa() &&
                !banco.relais().pannello(3)->isInAttesa());

    // All three switched, in the order clicked, each followed by a read-back.
    QStringList rele;
    for (const QString &comando : std::as_const(comandi)) {
        if (comando != QLatin1String("*/RS")) {
            rele << comando;
        }
    }
    QCOMPARE(rele, QStringList({"*/R1", "*/R2", "*/R3"}));
    QCOMPARE(inAttesaAllArrivo, rele);
    QCOMPARE(comandi, QStringList({"*/R1", "*/RS", "*/R2", "*/RS", "*/R3", "*/RS"}));
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

    // A silent board holds the first command at its prompt, two more clicks queue behind it,
    // and then the connection goes: everything queued is dropped with every pending mark.
    scheda.setMuto(true);
    banco.clicca(QStringLiteral("sbUD1"));
    banco.clicca(QStringLiteral("sbUD2"));
    banco.clicca(QStringLiteral("sbUD3"));
    QCOMPARE(QList<bool>({banco.relais().pannello(2)->isInAttesa(),
                          banco.relais().pannello(3)->isInAttesa()}),
             QList<bool>({true, true}));
    // Each click queues its command and the read-back after it; the first command waits.
    QCOMPARE(banco.finestra().invio().inCoda(), 5);

    QSignalSpy perso(&banco.finestra().sessione(), &SessioneScheda::collegamentoPerso);
    scheda.chiudiConnessione();
    QVERIFY(perso.wait(2000));
    QVERIFY(banco.attendiInvii(1000));
    for (int n = 1; n <= 3; ++n) {
        QVERIFY2(!banco.relais().pannello(n)->isInAttesa(), qPrintable(QString::number(n)));
    }
    QVERIFY(banco.relais().isNonAttuale());
    QCOMPARE(colori(banco.relais()), QStringLiteral("--------"));
    // Nothing queued went out after the loss.
    QCOMPARE(scheda.stato().rele[0] || scheda.stato().rele[1] || scheda.stato().rele[2], false);

    // The board speaks again: the operator's next request starts the link again and reads it.
    scheda.setMuto(false);
    QSignalSpy clienti(&scheda, &SimulatoreScheda::clienteConnesso);
    banco.clicca(QStringLiteral("sbUDRich"));
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("GGGGGGGG"));
    QVERIFY(!banco.relais().isNonAttuale());
    QCOMPARE(clienti.size(), 1);
    QVERIFY(banco.attendiInvii());
    QCOMPARE(banco.finestra().invio().inCoda(), 0);
    QVERIFY(banco.messaggi().voci().isEmpty());
}

void TestStatoCollegamento::paginaLasciataDuranteLAttesa()
{
    SimulatoreScheda scheda;
    scheda.setMuto(true);
    // The board's own three minutes for the first prompt after an entry.
    Temporizzazioni tempi = tempiBrevi();
    tempi.attesaIngressoMs = Temporizzazioni{}.attesaIngressoMs;
    Banco banco(scheda, tempi);
    QVERIFY(banco.porta() != 0);

    // Home while the entry waits for the board's first prompt: the entry is abandoned and
    // its request never goes out, even once the board speaks.
    banco.clicca(QStringLiteral("lbUD"));
    QTRY_VERIFY(banco.tcp().isAttivo());
    QVERIFY(banco.finestra().invio().isOccupato());
    banco.clicca(QStringLiteral("sbHome1"));
    QCOMPARE(banco.pagina(), int(ValoriProgramma::Home));
    QVERIFY(!banco.finestra().invio().isOccupato());
    QCOMPARE(banco.finestra().invio().inCoda(), 0);
    scheda.setMuto(false);
    QSignalSpy dati(&banco.tcp().clientSocket(), &QTcpSocket::readyRead);
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
    QTRY_COMPARE(colori(banco.relais()), QStringLiteral("GGGGGGGR"));
    QVERIFY(banco.attendiInvii());
    QCOMPARE(comandi.size(), 1);
    QCOMPARE(comandi.at(0).at(0).toString(), QStringLiteral("*/RS"));

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
