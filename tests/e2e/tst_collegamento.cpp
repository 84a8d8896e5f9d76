// Choosing, saving and starting the link from the main window, against the board simulator
// over loopback TCP and over a pseudo-terminal.
#include "BancoFinestra.h"
#include "SimulatoreScheda.h"
#include "Supporto.h"
#include "Blocchi.h"

#include "Colori.h"

#include "app/NavigazionePagine.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Seriale.h"
#include "link/TrasportoSeriale.h"
#include "link/TrasportoTcp.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "protocol/SessioneScheda.h"
#include "pages/widgets/GruppoRadio.h"
#include "pages/widgets/PannelloPunto.h"
#include "settings/Ini.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolButton>

#include <cerrno>
#include <memory>

namespace {

const QString kConnessioneInCorso = QStringLiteral("Connessione in corso .......");
const QString kNonEffettuata = QStringLiteral("Attenzione Connessione non effettuata. Verificare!");

QString testoAttivo(quint16 porta)
{
    return QStringLiteral("Connessione TCP Attiva --  IP: 127.0.0.1  Porta: %1").arg(porta);
}

// A loopback port with nobody listening on it.
quint16 portaLibera()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// The main window on screen, over "Porte.INI" with `porteIni` when given; short pacing unless
// a test needs the board's own waits.
class Banco : public BancoFinestra
{
public:
    explicit Banco(const QString &porteIni = {}, const Temporizzazioni &tempi = tempiBrevi())
    {
        if (!porteIni.isEmpty()) {
            scriviPorte(porteIni);
        }
        setTempi(tempi);
        crea().show();
    }

    Collegamento &collegamento() const { return finestra().collegamento(); }
    SessioneScheda &sessione() const { return finestra().sessione(); }
    Seriale &seriale() const { return collegamento().seriale().seriale(); }

    QString porte(const QString &sezione, const QString &chiave) const
    {
        return LeggiIni(filePorte(), sezione, chiave);
    }
    void scegli(const char *voceMenu) { controllo<QAction>(voceMenu)->trigger(); }
    // Also a control of a bar that the connection check has hidden.
    void clicca(const char *nome) { QTest::mouseClick(controllo(nome), Qt::LeftButton); }
    // "Pagina Iniziale" of the page on screen.
    void tornaAllaHome()
    {
        QWidget *corrente = controllo<QStackedWidget>("pcPagine")->currentWidget();
        for (QPushButton *pulsante : corrente->findChildren<QPushButton *>()) {
            if (pulsante->text() == QLatin1String("Pagina Iniziale")) {
                QTest::mouseClick(pulsante, Qt::LeftButton);
                return;
            }
        }
        QFAIL("no \"Pagina Iniziale\" on this page");
    }
};

} // namespace

class TestCollegamento : public QObject
{
    Q_OBJECT

private slots:
    void sceltaESalvataggioDelleBarre()
    {
        Banco banco(QStringLiteral("[TCP]\nIP=10.1.2.3\nPorta=2000\n"
                                   "[Porta]\nNumero=3\nVelocita=9600\n"));
        QWidget *pnTcp = banco.controllo<QWidget>("pnTcp");
        QWidget *pnSeriale = banco.controllo<QWidget>("pnSeriale");
        auto *eIp = banco.controllo<QLineEdit>("eIp");
        auto *ePorta = banco.controllo<QLineEdit>("ePorta");

        banco.scegli("mCollTcp");
        QVERIFY(pnTcp->isVisible());
        QVERIFY(!pnSeriale->isVisible());
        QVERIFY(banco.controllo<QAction>("mCollTcp")->isChecked());
        QVERIFY(!banco.controllo<QAction>("mCollSeriale")->isChecked());
        QCOMPARE(eIp->text(), QStringLiteral("10.1.2.3"));
        QCOMPARE(ePorta->text(), QStringLiteral("2000"));

        eIp->setText(QStringLiteral("127.0.0.1"));
        ePorta->setText(QStringLiteral("4001"));
        banco.clicca("SpeedButton4");
        QCOMPARE(banco.porte("TIPO", "Collegamento"), QStringLiteral("1"));
        QCOMPARE(banco.porte("TCP", "IP"), QStringLiteral("127.0.0.1"));
        QCOMPARE(banco.porte("TCP", "Porta"), QStringLiteral("4001"));
        QCOMPARE(banco.porte("Porta", "Numero"), QStringLiteral("3"));
        // Choosing in the menu fixes nothing yet: the link follows at the next check.
        QCOMPARE(banco.collegamento().trasporto(), nullptr);

        banco.scegli("mCollSeriale");
        QVERIFY(pnSeriale->isVisible());
        QVERIFY(!pnTcp->isVisible());
        QVERIFY(!banco.controllo<QAction>("mCollTcp")->isChecked());
        QVERIFY(banco.controllo<QAction>("mCollSeriale")->isChecked());
        auto *rgComm = banco.controllo<GruppoRadio>("rgComm");
        auto *rgVelocita = banco.controllo<GruppoRadio>("rgVelocita");
        QCOMPARE(rgComm->itemIndex(), 2);
        QCOMPARE(rgVelocita->itemIndex(), 1);

        QTest::mouseClick(rgComm->voce(1), Qt::LeftButton);
        banco.clicca("sbSalvaPorte");
        QCOMPARE(banco.porte("TIPO", "Collegamento"), QStringLiteral("0"));
        QCOMPARE(banco.porte("Porta", "Numero"), QStringLiteral("2"));
        // The speed is always saved as 38400, whatever was read.
        QCOMPARE(banco.porte("Porta", "Velocita"), QStringLiteral("38400"));
        QCOMPARE(rgVelocita->itemIndex(), 3);
        QCOMPARE(banco.porte("TCP", "IP"), QStringLiteral("127.0.0.1"));
        QVERIFY(banco.messaggi().voci().isEmpty());

        // Sections and keys spelled as the other tools that read the file expect them.
        QStringList righe = leggiTesto(banco.filePorte()).split(QLatin1Char('\n'));
        for (QString &riga : righe) {
            riga.remove(QLatin1Char(' ')).remove(QLatin1Char('\r'));
        }
        for (const char *attesa : {"[TIPO]", "Collegamento=0", "[Porta]", "Numero=2",
                                   "Velocita=38400", "[TCP]", "IP=127.0.0.1", "Porta=4001"}) {
            QVERIFY2(righe.contains(QLatin1String(attesa)), attesa);
        }
    }

    // Whatever the file holds, the port number is either an item or the conversion error.
    void numeroDiPortaQualsiasi_data()
    {
        QTest::addColumn<QString>("numero");
        QTest::addColumn<int>("voce");
        QTest::addColumn<QString>("errore");
        const QString nessuno;
        QTest::newRow("il più piccolo int") << "-2147483648" << -1 << nessuno;
        QTest::newRow("il più grande int") << "2147483647" << 3 << nessuno;
        QTest::newRow("con segno") << "+2" << 1 << nessuno;
        QTest::newRow("oltre int")
            << "2147483648" << 0 << "'2147483648' is not a valid integer value";
        QTest::newRow("sotto int") << "-99999999999999999999" << 0
                                   << "'-99999999999999999999' is not a valid integer value";
        QTest::newRow("esadecimale") << "0x10" << 0 << "'0x10' is not a valid integer value";
    }

    void numeroDiPortaQualsiasi()
    {
        QFETCH(QString, numero);
        QFETCH(int, voce);
        QFETCH(QString, errore);
        Banco banco(QStringLiteral("[Porta]\nNumero=%1\nVelocita=38400\n").arg(numero));
        banco.scegli("mCollSeriale");
        QCOMPARE(banco.controllo<GruppoRadio>("rgComm")->itemIndex(), voce);
        QCOMPARE(banco.messaggi().testi(MessaggiRegistrati::Tipo::Errore),
                 errore.isEmpty() ? QStringList() : QStringList{errore});
    }

    void senzaCollegamentoSceltoAvvisaERestaSullaHome()
    {
        Banco banco;
        banco.clicca("lbUD");
        QCOMPARE(banco.messaggi().testi(MessaggiRegistrati::Tipo::Avviso),
                 QStringList{QStringLiteral("Attenzione non e' stato definito il collegamento")});
        QCOMPARE(banco.messaggi().voci().size(), 1);
        QCOMPARE(banco.pagina(), int(ValoriProgramma::Home));
    }

    void ingressoInPaginaSuTcp()
    {
        SimulatoreScheda simulatore;
        simulatore.setDeriva(false);
        simulatore.stato().ingressi = {false, true, false, false, false, false, false, false};
        const quint16 porta = simulatore.avviaTcp();
        QVERIFY(porta != 0);
        Banco banco(testoPorteTcp(porta));
        QTcpSocket &socket = banco.collegamento().tcp().clientSocket();

        // Panel 0 as the socket moves on: while connecting, and once connected.
        QStringList pannello0;
        connect(&socket, &QTcpSocket::stateChanged, this, [&](QAbstractSocket::SocketState stato) {
            if (stato == QAbstractSocket::ConnectingState) {
                pannello0 << banco.pannello(0);
            }
        });
        connect(&socket, &QTcpSocket::connected, this, [&] { pannello0 << banco.pannello(0); });
        QSignalSpy clienti(&simulatore, &SimulatoreScheda::clienteConnesso);

        banco.clicca("lbID");
        QCOMPARE(banco.pagina(), int(ValoriProgramma::IngressiDigitali));
        QCOMPARE(banco.collegamento().trasporto(), &banco.collegamento().tcp());
        QVERIFY(!banco.controllo<QWidget>("pnTcp")->isVisible());
        // The entry's request waited for the board's prompt, and its reply reached the page.
        const PaginaIngressiDigitali &ingressi =
            *banco.finestra().navigazione().paginaIngressiDigitali();
        QTRY_COMPARE(colori(ingressi), QStringLiteral("GRGGGGGG"));
        QVERIFY(banco.sessione().isViva());
        QCOMPARE(pannello0, QStringList({kConnessioneInCorso, testoAttivo(porta)}));
        QCOMPARE(banco.pannello(0), testoAttivo(porta));
        // An inputs reply is no round of continuous output: the relay page must not send "*/C".
        QVERIFY(!banco.sessione().isContinuo());
        QVERIFY(banco.attendiInvii());

        // The next page finds the link up: no second connection, and its request goes out.
        banco.tornaAllaHome();
        QCOMPARE(banco.pagina(), int(ValoriProgramma::Home));
        QSignalSpy comandi(&simulatore, &SimulatoreScheda::comandoEseguito);
        banco.clicca("lbUD");
        QCOMPARE(banco.pagina(), int(ValoriProgramma::UsciteDigitali));
        QTRY_COMPARE(comandi.size(), 1);
        QCOMPARE(comandi.at(0).at(0).toString(), QStringLiteral("*/RS"));
        QVERIFY(banco.attendiInvii());
        QCOMPARE(comandi.size(), 1);
        QCOMPARE(clienti.size(), 1);
        QCOMPARE(pannello0.size(), 2);
        QVERIFY(banco.messaggi().voci().isEmpty());
    }

    void ingressoInPaginaSuSeriale()
    {
        SimulatoreScheda simulatore;
        simulatore.setDeriva(false);
        simulatore.stato().ingressi = {false, false, false, false, false, false, true, false};
        const QString pty = simulatore.apriPty();
        QVERIFY2(!pty.isEmpty(), qPrintable(simulatore.errore()));
        Banco banco(testoPorteSeriale(pty));
        QVERIFY(banco.controllo<QAction>("mCollSeriale")->isChecked());

        banco.clicca("lbID");
        QCOMPARE(banco.pagina(), int(ValoriProgramma::IngressiDigitali));
        QCOMPARE(banco.collegamento().trasporto(), &banco.collegamento().seriale());
        QVERIFY(banco.seriale().isOpen());
        QCOMPARE(banco.pannello(0), QStringLiteral("Comm 1 Aperta Velocità 38400"));
        const PaginaIngressiDigitali &ingressi =
            *banco.finestra().navigazione().paginaIngressiDigitali();
        QTRY_COMPARE(colori(ingressi), QStringLiteral("GGGGGGRG"));
        QVERIFY(banco.sessione().isViva());
        QVERIFY(banco.attendiInvii());
        // The inputs request alone, in one piece.
        QCOMPARE(simulatore.ricevuti().size(), 1);
        QCOMPARE(simulatore.ricevuti().first().dati, QByteArray("*/I"));
        QVERIFY(!banco.sessione().isContinuo());

        // The relay page's request goes out in its two pieces.
        banco.tornaAllaHome();
        QSignalSpy comandi(&simulatore, &SimulatoreScheda::comandoEseguito);
        banco.clicca("lbUD");
        QTRY_COMPARE(comandi.size(), 1);
        QCOMPARE(comandi.at(0).at(0).toString(), QStringLiteral("*/RS"));
        QVERIFY(banco.attendiInvii());
        QByteArray scritto;
        for (const SimulatoreScheda::Blocco &blocco : simulatore.ricevuti().mid(1)) {
            QCOMPARE(blocco.collegamento, QStringLiteral("SER"));
            scritto += blocco.dati;
        }
        QCOMPARE(scritto, QByteArray("*/RS"));
        QVERIFY(banco.messaggi().voci().isEmpty());
    }

    void serialeCheNonSiApre()
    {
        Banco banco(QStringLiteral("[TIPO]\nCollegamento=0\n[Porta]\nNumero=2\nVelocita=57600\n"
                                   "Dispositivo=/dev/brivola-nessuna-porta\n"));
        banco.clicca("lbID");
        // The message goes on to say why, in the operator's language.
        QCOMPARE(banco.messaggi().testi(MessaggiRegistrati::Tipo::Messaggio),
                 QStringList{QStringLiteral("Verificare la porta selezionata\n\nIl dispositivo "
                                            "/dev/brivola-nessuna-porta non esiste: controllare "
                                            "che l'adattatore sia collegato e il nome del "
                                            "dispositivo.")});
        QCOMPARE(banco.pannello(0), QStringLiteral("Comm 2 Chiusa Velocità 57600"));
        // The action goes on regardless; its request, with no port to go out on, is dropped.
        QCOMPARE(banco.pagina(), int(ValoriProgramma::IngressiDigitali));
        QVERIFY(banco.attendiInvii(1000));
        QCOMPARE(banco.messaggi().voci().size(), 1);
    }

    void dispositivoScrittoSalvatoEAperto()
    {
        // No settings yet: the operator picks "Seriale", types the device path and saves.
        SimulatoreScheda simulatore;
        const QString pty = simulatore.apriPty();
        QVERIFY2(!pty.isEmpty(), qPrintable(simulatore.errore()));
        Banco banco;
        banco.scegli("mCollSeriale");
        auto *campo = banco.controllo<QComboBox>("cbDispositivo");
        QVERIFY(campo && campo->isVisible() && campo->isEditable());
        QVERIFY(campo->currentText().isEmpty());
        QTest::keyClicks(campo->lineEdit(), pty);
        QTest::mouseClick(banco.controllo<GruppoRadio>("rgComm")->voce(2), Qt::LeftButton);
        banco.clicca("sbSalvaPorte");
        QCOMPARE(banco.porte("Porta", "Dispositivo"), pty);
        QCOMPARE(banco.porte("Porta", "Numero"), QStringLiteral("3"));
        QCOMPARE(banco.porte("Porta", "Velocita"), QStringLiteral("38400"));
        // A typed path stays a path: it is not added to the detected devices.
        QCOMPARE(campo->findText(pty), -1);

        // The next page entry opens the typed device; the status still names the number.
        banco.clicca("lbID");
        QVERIFY(banco.seriale().isOpen());
        QCOMPARE(banco.seriale().nomeDispositivo(), pty);
        QCOMPARE(banco.pannello(0), QStringLiteral("Comm 3 Aperta Velocità 38400"));
        QTRY_VERIFY(banco.sessione().isViva());
        QVERIFY(banco.attendiInvii());
        QVERIFY(banco.messaggi().voci().isEmpty());

        // Showing the bar again lists the devices afresh and keeps the saved path.
        campo->clearEditText();
        banco.scegli("mCollSeriale");
        QCOMPARE(campo->currentText(), pty);

        // Another device saved while the port is open: the next page entry moves to it.
        SimulatoreScheda altra;
        const QString altroPty = altra.apriPty();
        QVERIFY2(!altroPty.isEmpty(), qPrintable(altra.errore()));
        campo->setEditText(altroPty);
        banco.clicca("sbSalvaPorte");
        QSignalSpy comandi(&altra, &SimulatoreScheda::comandoEseguito);
        banco.tornaAllaHome();
        banco.clicca("lbUD");
        QCOMPARE(banco.seriale().nomeDispositivo(), altroPty);
        QVERIFY(banco.seriale().isOpen());
        QTRY_COMPARE(comandi.size(), 1);
        QCOMPARE(comandi.at(0).at(0).toString(), QStringLiteral("*/RS"));
        QVERIFY(banco.messaggi().voci().isEmpty());
        // Emptied and saved, the number's own device is back.
        campo->clearEditText();
        banco.clicca("sbSalvaPorte");
        QCOMPARE(banco.porte("Porta", "Dispositivo"), QString());
    }

    void connessioneRifiutataERiprovata()
    {
        const quint16 porta = portaLibera();
        QVERIFY(porta != 0);
        // The board's own waits: the entry's request may wait three minutes for a prompt.
        Banco banco(testoPorteTcp(porta), Temporizzazioni{});
        // With the refusal known, the request is dropped at once: no prompt can come.
        QElapsedTimer durata;
        durata.start();
        banco.clicca("lbID");
        QCOMPARE(banco.pagina(), int(ValoriProgramma::IngressiDigitali));
        QVERIFY(banco.attendiInvii(3000));
        QVERIFY2(durata.elapsed() < 3000, qPrintable(QString::number(durata.elapsed())));
        QCOMPARE(banco.pannello(0), kNonEffettuata);
        QTRY_COMPARE(banco.messaggi().testi(MessaggiRegistrati::Tipo::Errore),
                     QStringList{QStringLiteral("Asynchronous socket error %1\n"
                                                "Connessione rifiutata da 127.0.0.1:%2: la scheda "
                                                "è accesa e in ascolto su questa porta?")
                                     .arg(ECONNREFUSED)
                                     .arg(porta)});
        QVERIFY(!banco.collegamento().tcp().isAttivo());

        // The board comes up on that port: the next page entry connects.
        SimulatoreScheda simulatore;
        QCOMPARE(simulatore.avviaTcp(QHostAddress::LocalHost, porta), porta);
        banco.tornaAllaHome();
        banco.clicca("lbID");
        QTRY_COMPARE(banco.pannello(0), testoAttivo(porta));
        QVERIFY(banco.collegamento().tcp().isAttivo());
        QTRY_VERIFY(banco.sessione().isViva());
        QVERIFY(banco.attendiInvii());
        QCOMPARE(banco.messaggi().voci().size(), 1);
    }

    void chiusuraDellaSchedaERiapertura()
    {
        SimulatoreScheda simulatore;
        const quint16 porta = simulatore.avviaTcp();
        QVERIFY(porta != 0);
        Banco banco(testoPorteTcp(porta));
        QSignalSpy clienti(&simulatore, &SimulatoreScheda::clienteConnesso);
        banco.clicca("lbID");
        QTRY_VERIFY(banco.collegamento().tcp().isAttivo());
        QVERIFY(banco.attendiInvii());

        // The board closing its end is no error: no box, but the status no longer claims an
        // active link.
        simulatore.chiudiConnessione();
        QTRY_VERIFY(!banco.collegamento().tcp().isAttivo());
        QCOMPARE(banco.pannello(0),
                 QStringLiteral("Attenzione Connessione non effettuata. Verificare!"));

        // The next page entry connects again; no error box came in the meantime.
        banco.tornaAllaHome();
        banco.clicca("lbID");
        QTRY_VERIFY(banco.collegamento().tcp().isAttivo());
        QTRY_COMPARE(clienti.size(), 2);
        QVERIFY(banco.attendiInvii());
        QVERIFY(banco.messaggi().voci().isEmpty());
    }

    // A command after a loss starts the link again, whatever happened before: one that found
    // the board gone does not keep the next from reconnecting once the board is back.
    void comandoDopoUnaPerditaRiavvia()
    {
        auto simulatore = std::make_unique<SimulatoreScheda>();
        const quint16 porta = simulatore->avviaTcp();
        QVERIFY(porta != 0);
        Banco banco(testoPorteTcp(porta));
        banco.clicca("lbUD");
        QTRY_VERIFY(banco.collegamento().tcp().isAttivo());
        QVERIFY(banco.attendiInvii());

        simulatore.reset();
        QTRY_VERIFY(!banco.collegamento().tcp().isAttivo());
        banco.clicca("sbUD3");
        QVERIFY(banco.attendiInvii());
        // The board refused the new connection: the box says so.
        QTRY_VERIFY(!banco.messaggi().voci().isEmpty());
        QVERIFY(banco.messaggi().voci().first().testo.contains(QStringLiteral("rifiutata")));
        banco.messaggi().svuota();

        simulatore = std::make_unique<SimulatoreScheda>();
        simulatore->setDeriva(false);
        simulatore->stato().rele[4] = true;
        QCOMPARE(simulatore->avviaTcp(QHostAddress::LocalHost, porta), porta);
        banco.clicca("sbUDRich");
        QTRY_COMPARE(uniti(simulatore->ricevuti()), QByteArray("*/RS\r\n"));
        QTRY_COMPARE(banco.controllo<PannelloPunto>("sbUD5")->colore(),
                     PannelloPunto::coloreAcceso());
        QVERIFY(banco.messaggi().voci().isEmpty());
    }

    // Another link chosen at the next check: nothing on the pages came from it, so every page
    // loses its live look at once.
    void cambioDiCollegamentoSegnaLePagine()
    {
        SimulatoreScheda simulatore;
        simulatore.setDeriva(false);
        const quint16 porta = simulatore.avviaTcp();
        QVERIFY(porta != 0);
        Banco banco(testoPorteTcp(porta) + QStringLiteral("[Porta]\nNumero=1\nVelocita=38400\n"
                                                          "Dispositivo=/dev/brivola-assente\n"));
        banco.clicca("lbID");
        auto *ingresso = banco.controllo<PannelloPunto>("sbID1");
        QTRY_VERIFY(!ingresso->isNonAttuale());
        QVERIFY(banco.attendiInvii());

        banco.scegli("mCollSeriale");
        banco.tornaAllaHome();
        // The serial device is missing: the message says which.
        QTRY_VERIFY(!banco.messaggi().voci().isEmpty());
        QVERIFY(banco.messaggi().voci().first().testo.contains(
            QStringLiteral("/dev/brivola-assente")));
        QVERIFY(ingresso->isNonAttuale());
        banco.messaggi().svuota();

        // "Richiesta" (F5) on a page of the missing line tells the same as a page entry, once.
        banco.clicca("lbUD");
        QTRY_COMPARE(banco.messaggi().voci().size(), 1);
        banco.messaggi().svuota();
        // The operator's next key comes after the event loop has run.
        QCoreApplication::processEvents();
        banco.clicca("sbUDRich");
        QTRY_COMPARE(banco.messaggi().voci().size(), 1);
        QVERIFY(banco.messaggi().voci().first().testo.contains(
            QStringLiteral("/dev/brivola-assente")));
        QVERIFY(banco.attendiInvii());
        QCOMPARE(banco.messaggi().voci().size(), 1);
        banco.messaggi().svuota();
    }

    void datiTcpNonValidi_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("porta");
        QTest::addColumn<QString>("messaggio");
        QTest::addColumn<QString>("spiegazione");
        QTest::addColumn<QString>("pannello0");
        QTest::newRow("IP vuoto") << ""
                                  << "4000"
                                  << "Attenzione. Dati non Corretti"
                                  << "Manca l'indirizzo IP"
                                  << "";
        QTest::newRow("porta vuota") << "127.0.0.1"
                                     << ""
                                     << "Attenzione. Dati non Corretti"
                                     << "Manca la porta della scheda per 127.0.0.1"
                                     << "";
        QTest::newRow("porta non numerica") << "127.0.0.1"
                                            << "40x"
                                            << "Attenzione. Porta non conforme"
                                            << "\"40x\" non è un numero di porta"
                                            << "Connessione in corso .......";
    }

    void datiTcpNonValidi()
    {
        QFETCH(QString, ip);
        QFETCH(QString, porta);
        QFETCH(QString, messaggio);
        QFETCH(QString, spiegazione);
        QFETCH(QString, pannello0);
        // The board's own waits: the entry's request may wait three minutes for a prompt.
        Banco banco(
            QStringLiteral("[TIPO]\nCollegamento=1\n[TCP]\nIP=%1\nPorta=%2\n").arg(ip, porta),
            Temporizzazioni{});
        QElapsedTimer durata;
        durata.start();
        banco.clicca("lbID");
        // No connection was even tried: the request is dropped at once, with no wait at all.
        QVERIFY(banco.attendiInvii(1000));
        QVERIFY2(durata.elapsed() < 1000, qPrintable(QString::number(durata.elapsed())));
        const QStringList testi = banco.messaggi().testi(MessaggiRegistrati::Tipo::Messaggio);
        QCOMPARE(testi.size(), 1);
        QCOMPARE(testi.first().section(QLatin1Char('\n'), 0, 0), messaggio);
        QVERIFY2(testi.first().section(QLatin1Char('\n'), 1).startsWith(spiegazione),
                 qPrintable(testi.first()));
        QCOMPARE(banco.messaggi().voci().size(), 1);
        QCOMPARE(banco.pannello(0), pannello0);
        QCOMPARE(banco.collegamento().tcp().clientSocket().state(),
                 QAbstractSocket::UnconnectedState);
    }
};

QTEST_MAIN(TestCollegamento)
#include "tst_collegamento.moc"
