#include "BancoFinestra.h"
#include "app/Avvio.h"
#include "Supporto.h"
#include "app/BarraStato.h"
#include "config/PaginaConfigurazione.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/Trasporto.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/ImmagineStirata.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTextBlock>
#include <QToolButton>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

// Each test function has the main window over an empty program folder of its own.
class TestFinestra : public ProvaFinestra
{
    Q_OBJECT

private:
    QAction *azione(TfrmMain &finestra, const char *nome)
    {
        return finestra.findChild<QAction *>(QLatin1String(nome));
    }

    // A board that takes the connection and never says a word.
    class TcpServerMuto : public QTcpServer
    {
    public:
        TcpServerMuto()
        {
            connect(this, &QTcpServer::newConnection, this, [this] {
                while (QTcpSocket *socket = nextPendingConnection()) {
                    connect(socket, &QTcpSocket::readyRead, this,
                            [this, socket] { m_ricevuto += socket->readAll(); });
                }
            });
        }
        QByteArray ricevuto() const { return m_ricevuto; }

    private:
        QByteArray m_ricevuto;
    };

    // The window on screen with its TCP link up to `scheda`.
    bool collegaAScheda(TcpServerMuto &scheda)
    {
        if (!scheda.listen(QHostAddress::LocalHost, 0) ||
            !scriviPorteTcp(cartella(), scheda.serverPort()) || !mostra()) {
            return false;
        }
        Collegamento &collegamento = m_finestra->collegamento();
        collegamento.VerificaCollegamento();
        collegamento.avvia();
        return QTest::qWaitFor([&] { return collegamento.collegamentoAttivo(); }, 5000);
    }

private slots:
    // First of all: it looks at the image-format plugins the whole process has loaded, once
    // the home picture and the window icon are in and the TCP bar, with its icon, has been shown.
    void allAvvioSoloIlFormatoDellaHome()
    {
        preparaApplicazione(*qApp);
        QVERIFY(QApplication::windowIcon().isNull());
        QVERIFY(mostra());
        auto *immagine = m_finestra->findChild<ImmagineStirata *>("Image1");
        QTRY_VERIFY(!immagine->immagine().isNull());
        QTRY_VERIFY(!QApplication::windowIcon().isNull());
        azione(*m_finestra, "mCollTcp")->trigger();
        QVERIFY(m_finestra->findChild<QWidget *>("pnTcp")->isVisible());
        m_finestra->repaint();
        QFile mappe(QStringLiteral("/proc/self/maps"));
        QVERIFY(mappe.open(QIODevice::ReadOnly));
        const QList<QByteArray> righe = mappe.readAll().split('\n');
        bool jpeg = false;
        for (const QByteArray &riga : righe) {
            if (riga.contains("/imageformats/")) {
                QVERIFY2(riga.contains("/libqjpeg."), riga.constData());
                jpeg = true;
            }
        }
        QVERIFY(jpeg);
        QVERIFY(!m_finestra->findChild<QToolButton *>("SpeedButton4")->icon().isNull());
        QVERIFY(m_finestra->menuBar()->isVisible());
    }

    // The window reaches the screen with the home page laid out and without its picture, which
    // is decoded afterwards and painted within 100 ms of that first paint.
    void immagineDellaHomeDopoLaPrimaPittura()
    {
        TfrmMain &finestra = crea();
        auto *immagine = finestra.findChild<ImmagineStirata *>("Image1");
        auto *lbIA = finestra.findChild<QWidget *>("lbIA");
        QVERIFY(immagine && lbIA);
        struct Pitture : QObject
        {
            ImmagineStirata *immagine = nullptr;
            QElapsedTimer orologio;
            // For each paint: what was painted, whether the picture was decoded, when.
            QList<QObject *> chi;
            QList<bool> decodificata;
            QList<qint64> ms;
            bool eventFilter(QObject *oggetto, QEvent *evento) override
            {
                if (evento->type() == QEvent::Paint) {
                    if (!orologio.isValid()) {
                        orologio.start();
                    }
                    chi << oggetto;
                    decodificata << !immagine->immagine().isNull();
                    ms << orologio.elapsed();
                }
                return false;
            }
        } pitture;
        pitture.immagine = immagine;
        for (QObject *osservato :
             {static_cast<QObject *>(&finestra), static_cast<QObject *>(immagine),
              static_cast<QObject *>(lbIA)}) {
            osservato->installEventFilter(&pitture);
        }
        QVERIFY(mostra());
        const auto dipintaConImmagine = [&] {
            for (qsizetype i = 0; i < pitture.chi.size(); ++i) {
                if (pitture.chi.at(i) == immagine && pitture.decodificata.at(i)) {
                    return i;
                }
            }
            return qsizetype(-1);
        };
        QTRY_VERIFY_WITH_TIMEOUT(dipintaConImmagine() >= 0, 5000);
        const qsizetype conImmagine = dipintaConImmagine();
        // Before the picture was decoded: the window, the picture's place and the entries.
        QList<QObject *> prima;
        for (qsizetype i = 0; i < pitture.chi.size() && !pitture.decodificata.at(i); ++i) {
            prima << pitture.chi.at(i);
        }
        QVERIFY(prima.contains(&finestra));
        QVERIFY(prima.contains(immagine));
        QVERIFY(prima.contains(lbIA));
        QVERIFY2(pitture.ms.at(conImmagine) <= 100,
                 qPrintable(QString::number(pitture.ms.at(conImmagine)) + " ms"));
    }

    void avvioSenzaImpostazioni()
    {
        QVERIFY(mostra());
        TfrmMain &finestra = *m_finestra;
        MessaggiRegistrati &messaggi = m_messaggi;

        QCOMPARE(finestra.windowTitle(), QStringLiteral("Progetto Brivola"));
        QCOMPARE(finestra.size(), QSize(751, 585));
        QCOMPARE(finestra.objectName(), QStringLiteral("frmMain"));
        QCOMPARE(finestra.findChild<QStackedWidget *>("pcPagine")->currentIndex(), 0);
        QCOMPARE(finestra.findChild<QStackedWidget *>("pcPagine")->count(), 9);
        QVERIFY(!azione(finestra, "mCollTcp")->isChecked());
        QVERIFY(!azione(finestra, "mCollSeriale")->isChecked());
        // The link bars are built when first shown.
        QVERIFY(!finestra.findChild<QLineEdit *>("eIp"));
        QVERIFY(!finestra.findChild<QWidget *>("rgComm"));
        costruisciPagine(finestra);
        QVERIFY(finestra.findChild<QLineEdit *>("eIp")->text().isEmpty());
        QVERIFY(finestra.findChild<QLineEdit *>("ePorta")->text().isEmpty());
        QVERIFY(!finestra.findChild<QWidget *>("pnTcp")->isVisible());
        QVERIFY(!finestra.findChild<QWidget *>("pnSeriale")->isVisible());
        QVERIFY(!finestra.findChild<QWidget *>("pnLog")->isVisible());
        QVERIFY(finestra.barraStato()->testo(0).isEmpty());
        QVERIFY(finestra.barraStato()->testo(1).isEmpty());
        QVERIFY(!finestra.barraStato()->testo(2).isEmpty());
        QCOMPARE(finestra.valori().filePorte, cartella() + "/Porte.INI");
        QCOMPARE(finestra.valori().fileImpostazioni, cartella() + "/Impostazioni.INI");
        QVERIFY(!QFile::exists(finestra.valori().filePorte));
        QVERIFY(messaggi.voci().isEmpty());

        // The clock keeps ticking.
        const QString primo = finestra.barraStato()->testo(2);
        QTRY_VERIFY_WITH_TIMEOUT(finestra.barraStato()->testo(2) != primo, 2500);
    }

    void pagineCostruiteAlPrimoUso()
    {
        QVERIFY(ScriviIni(file(LayoutIni::kFileImpostazioni),
                          {{LayoutIni::kSezOption, QStringLiteral("UD01"), QStringLiteral("Pompa")},
                           {LayoutIni::kSezOption, QStringLiteral("ID02"), QStringLiteral("Porta")}}));
        // A link is chosen, so a board page opens (no board answers on the port).
        QVERIFY(scriviPorteTcp(cartella(), 9, QStringLiteral("127.0.0.1")));
        QVERIFY(mostra());
        TfrmMain &finestra = *m_finestra;
        auto *pagine = finestra.findChild<QStackedWidget *>("pcPagine");
        // Only home at start; every page keeps its number all the same.
        QVERIFY(finestra.findChildren<PaginaBase *>().isEmpty());
        QVERIFY(!finestra.findChild<PaginaConfigurazione *>());
        QCOMPARE(pagine->count(), 9);

        azione(finestra, "Settaggi1")->trigger();
        QCOMPARE(pagine->currentWidget(), finestra.findChild<PaginaConfigurazione *>());
        // Opened as the operator does, and by the page control alone: either way the page
        // comes built, in its place, with the names of the last reload.
        azione(finestra, "mPagUD")->trigger();
        QCOMPARE(pagine->currentIndex(), 1);
        QCOMPARE(pagine->currentWidget(), finestra.findChild<PaginaUsciteDigitali *>());
        QCOMPARE(finestra.findChild<QAbstractButton *>("sbUD1")->text(), "Pompa");
        pagine->setCurrentIndex(2);
        QCOMPARE(pagine->currentWidget(), finestra.findChild<PaginaIngressiDigitali *>());
        QCOMPARE(finestra.findChild<QAbstractButton *>("sbID2")->text(), "Porta");
        QCOMPARE(finestra.findChildren<PaginaBase *>().size(), 2);
    }

    void lOrologioGiraMentreSiAttendeLaScheda()
    {
        TcpServerMuto scheda;
        QVERIFY(collegaAScheda(scheda));
        TfrmMain &finestra = *m_finestra;
        QStringList orari;
        QTimer campione;
        connect(&campione, &QTimer::timeout, this,
                [&] { orari.append(finestra.barraStato()->testo(2)); });
        campione.start(100);
        // A board that never prompts: the command waits its whole limit, the window lives on.
        finestra.invio().setAttesaPronto(2500);
        bool scartato = false;
        finestra.invio().invia(Protocollo::statoRele(), {{}, [&] { scartato = true; }});
        QTRY_VERIFY_WITH_TIMEOUT(scartato, 5000);
        orari.removeDuplicates();
        QVERIFY2(orari.size() >= 2, qPrintable(orari.join(" | ")));
        QCOMPARE(finestra.barraStato()->testo(1),
                 QStringLiteral("Comando non inviato: la scheda non è pronta"));
        QCOMPARE(scheda.ricevuto(), QByteArray());
    }

    void chiudereDuranteUnAttesaLaInterrompe()
    {
        TcpServerMuto scheda;
        QVERIFY(collegaAScheda(scheda));
        TfrmMain &finestra = *m_finestra;
        Invio &invio = finestra.invio();
        invio.setAttesaPronto(400);
        bool esito = false;
        invio.invia(Protocollo::statoRele(), {[&] { esito = true; }, [&] { esito = true; }});
        invio.invia(Protocollo::statoIngressi(), {[&] { esito = true; }, [&] { esito = true; }});
        QVERIFY(invio.isOccupato());
        finestra.close();
        // Abandoned at once and silently: nothing left waiting, no one told, the link closed.
        QVERIFY(!finestra.isVisible());
        QVERIFY(!invio.isOccupato());
        QCOMPARE(invio.inCoda(), qsizetype(0));
        QVERIFY(finestra.collegamento().trasporto()->isGiu());
        // Past the time-out the wait would have had: it was stopped, not left to expire.
        QTest::qWait(600);
        QVERIFY(!esito);
        QVERIFY(m_messaggi.voci().isEmpty());
        QVERIFY(!finestra.barraStato()->testo(1).startsWith(QStringLiteral("Comando non inviato")));
        QCOMPARE(scheda.ricevuto(), QByteArray());
    }

    void menu()
    {
        TfrmMain &finestra = crea();
        const QStringList titoli = [&] {
            QStringList t;
            for (QAction *a : finestra.menuBar()->actions()) {
                t << a->text();
            }
            return t;
        }();
        // Shown without the '&' that marks each title's Alt key.
        QStringList visibili = titoli;
        visibili.replaceInStrings(QStringLiteral("&"), QString());
        QCOMPARE(visibili, QStringList({"File", "Collegamento", "Pagine", "Settaggi", "Log"}));
        QStringList mnemonici;
        for (const QString &titolo : titoli) {
            mnemonici << QKeySequence::mnemonic(titolo).toString();
        }
        QCOMPARE(mnemonici, QStringList({"Alt+F", "Alt+C", "Alt+P", "Alt+S", "Alt+L"}));
        QCOMPARE(azione(finestra, "mFileExit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QCOMPARE(azione(finestra, "mFileExit")->text(), QStringLiteral("Exit"));
        QCOMPARE(azione(finestra, "mCollTcp")->text(), QStringLiteral("TCP/IP"));
        QCOMPARE(azione(finestra, "mCollSeriale")->text(), QStringLiteral("Seriale"));
        QCOMPARE(azione(finestra, "mVisioneLog")->text(), QStringLiteral("Visione Log"));
        QVERIFY(!azione(finestra, "mVisioneLog")->isChecked());
    }

    void presetDaPorteIni_data()
    {
        QTest::addColumn<QString>("contenuto");
        QTest::addColumn<bool>("tcp");
        QTest::addColumn<bool>("seriale");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("porta");
        QTest::newRow("seriale") << "[TIPO]\nCollegamento=0\n[TCP]\nIP=10.0.0.1\n"
                                 << false << true << ""
                                 << "";
        QTest::newRow("tcp") << "[tipo]\ncollegamento=1\n[TCP]\nIP=10.0.0.1\nPorta=2000\n"
                             << true << false << "10.0.0.1"
                             << "2000";
        QTest::newRow("tcp senza IP") << "[TIPO]\nCollegamento=1\n[TCP]\nPorta=\n"
                                      << true << false << "ERRORE"
                                      << "";
        QTest::newRow("valore ignoto") << "[TIPO]\nCollegamento=3\n"
                                       << false << false << ""
                                       << "";
    }

    void presetDaPorteIni()
    {
        QFETCH(QString, contenuto);
        QFETCH(bool, tcp);
        QFETCH(bool, seriale);
        QFETCH(QString, ip);
        QFETCH(QString, porta);
        QVERIFY(scriviPorte(contenuto));
        TfrmMain &finestra = crea();
        QCOMPARE(azione(finestra, "mCollTcp")->isChecked(), tcp);
        QCOMPARE(azione(finestra, "mCollSeriale")->isChecked(), seriale);
        costruisciPagine(finestra);
        QCOMPARE(finestra.findChild<QLineEdit *>("eIp")->text(), ip);
        QCOMPARE(finestra.findChild<QLineEdit *>("ePorta")->text(), porta);
    }

    // The MQTT bar: the settings saved in "Porte.INI", each missing one at the bridge's default;
    // saved only when the port is a number and Id and Prefisso are topic levels, otherwise a
    // plain box names the wrong field and the file stays as it was. Saved, the kind is MQTT at
    // the next start.
    void salvataggioMqtt_data()
    {
        QTest::addColumn<QString>("porta");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("prefisso");
        QTest::addColumn<QString>("campoErrato");
        QTest::newRow("valide") << "8883" << "cantina" << "casa_2" << "";
        QTest::newRow("porta zero") << "0" << "cantina" << "casa" << "Campo Porta";
        QTest::newRow("porta con lettera") << "18x3" << "cantina" << "casa" << "Campo Porta";
        QTest::newRow("porta oltre 65535") << "65536" << "cantina" << "casa" << "Campo Porta";
        QTest::newRow("id con barra") << "1883" << "cantina/1" << "casa" << "Campo Id";
        QTest::newRow("id con jolly") << "1883" << "#" << "casa" << "Campo Id";
        QTest::newRow("id vuoto") << "1883" << "" << "casa" << "Campo Id";
        QTest::newRow("prefisso con spazio") << "1883" << "cantina" << "ca sa" << "Campo Prefisso";
    }

    void salvataggioMqtt()
    {
        QFETCH(QString, porta);
        QFETCH(QString, id);
        QFETCH(QString, prefisso);
        QFETCH(QString, campoErrato);
        QVERIFY(scriviPorte(QStringLiteral("[TIPO]\nCollegamento=1\n[TCP]\nIP=10.0.0.1\n[MQTT]\nHost=broker.lan\n")));
        const QString scritto = leggiTesto(filePorte());
        QVERIFY(mostra());
        azione(*m_finestra, "mCollMqtt")->trigger();
        QVERIFY(azione(*m_finestra, "mCollMqtt")->isChecked());
        QVERIFY(!azione(*m_finestra, "mCollTcp")->isChecked());
        QVERIFY(m_finestra->findChild<QWidget *>("pnMqtt")->isVisible());
        QVERIFY(!m_finestra->findChild<QWidget *>("pnTcp")->isVisible());
        const auto campo = [this](const char *nome) {
            return m_finestra->findChild<QLineEdit *>(QLatin1String(nome));
        };
        QCOMPARE(campo("eMqttHost")->text(), QStringLiteral("broker.lan"));
        QCOMPARE(campo("eMqttPorta")->text(), QStringLiteral("1883"));
        QCOMPARE(campo("eMqttId")->text(), QStringLiteral("scheda1"));
        QCOMPARE(campo("eMqttPrefisso")->text(), QStringLiteral("brivola"));
        QCOMPARE(campo("eMqttUtente")->text(), QString());
        campo("eMqttPorta")->setText(porta);
        campo("eMqttId")->setText(id);
        campo("eMqttPrefisso")->setText(prefisso);
        campo("eMqttUtente")->setText(QStringLiteral("operatore"));
        campo("eMqttFilePassword")->setText(QStringLiteral("/etc/brivola/password"));
        clicca(QStringLiteral("sbSalvaMqtt"));

        if (!campoErrato.isEmpty()) {
            QCOMPARE(leggiTesto(filePorte()), scritto);
            const QStringList testi = messaggi().testi(MessaggiRegistrati::Tipo::Messaggio);
            QCOMPARE(testi.size(), 1);
            QVERIFY2(testi.first().contains(campoErrato), qPrintable(testi.first()));
            return;
        }
        QCOMPARE(messaggi().voci().size(), 0);
        QCOMPARE(LeggiIni(filePorte(), "TIPO", "Collegamento"), QStringLiteral("2"));
        QCOMPARE(LeggiIni(filePorte(), "MQTT", "Host"), QStringLiteral("broker.lan"));
        QCOMPARE(LeggiIni(filePorte(), "MQTT", "Porta"), porta);
        QCOMPARE(LeggiIni(filePorte(), "MQTT", "Id"), id);
        QCOMPARE(LeggiIni(filePorte(), "MQTT", "Prefisso"), prefisso);
        QCOMPARE(LeggiIni(filePorte(), "MQTT", "Utente"), QStringLiteral("operatore"));
        QCOMPARE(LeggiIni(filePorte(), "MQTT", "FilePassword"),
                 QStringLiteral("/etc/brivola/password"));
        QCOMPARE(LeggiIni(filePorte(), "MQTT", "CA"), QString());
        // The TCP section the operator had is kept.
        QCOMPARE(LeggiIni(filePorte(), "TCP", "IP"), QStringLiteral("10.0.0.1"));

        // The next start takes MQTT, with the saved settings in its bar.
        TfrmMain &dopo = crea();
        QVERIFY(azione(dopo, "mCollMqtt")->isChecked());
        QVERIFY(!azione(dopo, "mCollTcp")->isChecked());
        QVERIFY(!azione(dopo, "mCollSeriale")->isChecked());
        azione(dopo, "mCollMqtt")->trigger();
        QCOMPARE(dopo.findChild<QLineEdit *>("eMqttId")->text(), id);
        QCOMPARE(dopo.findChild<QLineEdit *>("eMqttPorta")->text(), porta);
    }

    // The TCP bar saves only a host name or IPv4/IPv6 address and a port of 1 to 65535 in
    // digits; otherwise a plain box names the wrong field and "Porte.INI" stays as it was.
    void salvataggioTcpControllato_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("porta");
        QTest::addColumn<QStringList>("campiErrati");
        const QStringList nessuno;
        const QStringList ip{QStringLiteral("Campo IP")};
        const QStringList porta{QStringLiteral("Campo Porta")};
        QTest::newRow("nome") << "casa.local" << "4001" << nessuno;
        QTest::newRow("nome con punto finale") << "scheda-1.lan." << "65535" << nessuno;
        QTest::newRow("IPv4") << "192.168.1.10" << "1" << nessuno;
        QTest::newRow("IPv6") << "fe80::1" << "502" << nessuno;
        QTest::newRow("nome con simboli") << "casa.local!!" << "4001" << ip;
        QTest::newRow("nome con spazio") << "casa local" << "4001" << ip;
        QTest::newRow("trattino iniziale") << "-casa.local" << "4001" << ip;
        QTest::newRow("IPv4 oltre 255") << "192.168.1.256" << "4001" << ip;
        QTest::newRow("IPv4 incompleto") << "192.168.1" << "4001" << ip;
        QTest::newRow("IPv6 errato") << "fe80:::1::" << "4001" << ip;
        QTest::newRow("IP vuoto") << "" << "4001" << ip;
        QTest::newRow("porta con lettera") << "casa.local" << "99999x" << porta;
        QTest::newRow("porta oltre 65535") << "casa.local" << "99999" << porta;
        QTest::newRow("porta zero") << "casa.local" << "0" << porta;
        QTest::newRow("porta con segno") << "casa.local" << "+80" << porta;
        QTest::newRow("porta con spazio") << "casa.local" << " 80" << porta;
        QTest::newRow("porta lunghissima") << "casa.local" << "0000000000004001" << porta;
        QTest::newRow("porta vuota") << "casa.local" << "" << porta;
        QTest::newRow("entrambi") << "casa.local!!" << "99999x" << ip + porta;
    }

    void salvataggioTcpControllato()
    {
        QFETCH(QString, ip);
        QFETCH(QString, porta);
        QFETCH(QStringList, campiErrati);
        QVERIFY(scriviPorte(
            QStringLiteral("[TIPO]\nCollegamento=0\n[TCP]\nIP=10.0.0.1\nPorta=2000\n")));
        const QString scritto = leggiTesto(filePorte());
        QVERIFY(mostra());
        azione(*m_finestra, "mCollTcp")->trigger();
        m_finestra->findChild<QLineEdit *>("eIp")->setText(ip);
        m_finestra->findChild<QLineEdit *>("ePorta")->setText(porta);
        clicca(QStringLiteral("SpeedButton4"));

        const QStringList testi = messaggi().testi(MessaggiRegistrati::Tipo::Messaggio);
        if (campiErrati.isEmpty()) {
            QCOMPARE(messaggi().voci().size(), 0);
            QCOMPARE(LeggiIni(filePorte(), "TIPO", "Collegamento"), QStringLiteral("1"));
            QCOMPARE(LeggiIni(filePorte(), "TCP", "IP"), ip);
            QCOMPARE(LeggiIni(filePorte(), "TCP", "Porta"), porta);
            return;
        }
        QCOMPARE(leggiTesto(filePorte()), scritto);
        QCOMPARE(messaggi().voci().size(), 1);
        QCOMPARE(testi.size(), 1);
        for (const QString campo : {QStringLiteral("Campo IP"), QStringLiteral("Campo Porta")}) {
            QCOMPARE(testi.first().contains(campo), campiErrati.contains(campo));
        }
    }

    // Leaving a field with a wrong value says so at once, naming the field; an emptied field
    // and a field hidden with its bar (the choice of the serial link) say nothing.
    void campiTcpControllatiMentreSiScrive()
    {
        QVERIFY(mostra());
        QVERIFY(QTest::qWaitForWindowActive(m_finestra.get()));
        azione(*m_finestra, "mCollTcp")->trigger();
        auto *eIp = m_finestra->findChild<QLineEdit *>("eIp");
        auto *ePorta = m_finestra->findChild<QLineEdit *>("ePorta");
        const auto scrivi = [](QLineEdit *campo, const QString &testo) {
            campo->setFocus();
            campo->selectAll();
            QTest::keyClick(campo, Qt::Key_Backspace);
            QTest::keyClicks(campo, testo);
            QTest::keyClick(campo, Qt::Key_Return);
        };
        const auto testi = [this] { return messaggi().testi(MessaggiRegistrati::Tipo::Messaggio); };

        scrivi(eIp, QStringLiteral("casa.local!!"));
        QCOMPARE(testi().size(), 1);
        QVERIFY(testi().last().contains(QStringLiteral("Campo IP")));
        QVERIFY(testi().last().contains(QStringLiteral("casa.local!!")));
        scrivi(ePorta, QStringLiteral("99999x"));
        QCOMPARE(testi().size(), 2);
        QVERIFY(testi().last().contains(QStringLiteral("Campo Porta")));

        scrivi(eIp, QStringLiteral("casa.local"));
        scrivi(ePorta, QStringLiteral("4001"));
        scrivi(ePorta, QString());
        QCOMPARE(messaggi().voci().size(), 2);

        eIp->setFocus();
        QTest::keyClicks(eIp, QStringLiteral("!"));
        QVERIFY(eIp->hasFocus());
        azione(*m_finestra, "mCollSeriale")->trigger();
        QVERIFY(!eIp->isVisible());
        QCOMPARE(messaggi().voci().size(), 2);
        QVERIFY(!QFile::exists(filePorte()));
    }

    // Our other windows open centred on the main window, inside the screen.
    void posizioneFinestra_data()
    {
        QTest::addColumn<QSize>("dimensione");
        QTest::addColumn<QRect>("principale");
        QTest::addColumn<QPoint>("attesa");
        QTest::newRow("al centro") << QSize(400, 300) << QRect(264, 219, 751, 585)
                                   << QPoint(440, 362);
        QTest::newRow("contro il bordo destro") << QSize(780, 460) << QRect(900, 100, 751, 585)
                                                << QPoint(500, 163);
        QTest::newRow("contro l'alto") << QSize(780, 460) << QRect(0, -200, 751, 400)
                                       << QPoint(0, 0);
        QTest::newRow("più grande dello schermo") << QSize(1400, 1100) << QRect(0, 0, 751, 585)
                                                  << QPoint(0, 0);
    }

    void posizioneFinestra()
    {
        QFETCH(QSize, dimensione);
        QFETCH(QRect, principale);
        QFETCH(QPoint, attesa);
        const QRect posto =
            TfrmMain::posizioneFinestra(dimensione, principale, QRect(0, 0, 1280, 1024));
        QCOMPARE(posto.size(), dimensione);
        QCOMPARE(posto.topLeft(), attesa);
    }

    void barraDiStato()
    {
        QVERIFY(mostra());
        TfrmMain &finestra = *m_finestra;
        BarraStato *barra = finestra.barraStato();
        QCOMPARE(barra->height(), 20);
        QCOMPARE(barra->larghezzaPannello(1), 180);
        QCOMPARE(barra->larghezzaPannello(2), 170);
        finestra.resize(743, 585);
        QTRY_COMPARE(barra->width(), 743);
        QCOMPARE(barra->larghezzaPannello(0), 393);
        // The panels really sit side by side across the bar, clock last.
        const auto *pannello0 = barra->findChild<QLabel *>("stbPannello0");
        const auto *pannello2 = barra->findChild<QLabel *>("stbPannello2");
        QTRY_COMPARE(pannello0->width(), 393);
        QCOMPARE(pannello0->mapTo(barra, QPoint(0, 0)).x(), 0);
        QCOMPARE(pannello2->mapTo(barra, QPoint(0, 0)).x(), 393 + 180);
        finestra.resize(900, 600);
        QTRY_COMPARE(barra->larghezzaPannello(0), barra->width() - 350);
    }

    // The same lines and the same emptying at the 300th line, whether the log view is shown
    // or the lines wait for it.
    void logSvuotatoAllaRiga300_data()
    {
        QTest::addColumn<bool>("visibile");
        QTest::newRow("log visibile") << true;
        QTest::newRow("log nascosto") << false;
    }

    void logSvuotatoAllaRiga300()
    {
        QFETCH(bool, visibile);
        TfrmMain &finestra = crea();
        auto *mmLog = finestra.findChild<QPlainTextEdit *>("mmLog");
        if (visibile) {
            finestra.mVisioneLogClick();
        }
        // What the memo holds once the view is shown again (which appends the waiting lines);
        // the view is left as it was.
        const auto righe = [&] {
            if (visibile) {
                finestra.mVisioneLogClick();
            }
            finestra.mVisioneLogClick();
            const QStringList testo = mmLog->toPlainText().split(QLatin1Char('\n'));
            if (!visibile) {
                finestra.mVisioneLogClick();
            }
            return mmLog->toPlainText().isEmpty() ? QStringList() : testo;
        };
        for (int i = 1; i <= 299; ++i) {
            finestra.aggiungiLog(QStringLiteral("riga %1").arg(i));
        }
        QCOMPARE(righe().size(), 299);
        QCOMPARE(righe().last(), QStringLiteral("riga 299"));
        finestra.aggiungiLog(QStringLiteral("riga 300"));
        QVERIFY(righe().isEmpty());
        // A response with line breaks counts as several lines.
        for (int i = 0; i < 99; ++i) {
            finestra.aggiungiLog(QStringLiteral("a\r\nb"));
        }
        finestra.aggiungiLog(QStringLiteral("x\ry\u2029z"));
        QCOMPARE(righe().size(), 201);
        for (int i = 0; i < 48; ++i) {
            finestra.aggiungiLog(QStringLiteral("a\nb"));
        }
        // The waiting lines are not in the memo yet; a shown view takes them a moment later.
        QCOMPARE(mmLog->document()->blockCount(), 201);
        if (visibile) {
            QTRY_COMPARE(mmLog->document()->blockCount(), 297);
        }
        QCOMPARE(righe().size(), 297);
        finestra.aggiungiLog(QStringLiteral("c\r\nd\ne"));
        QVERIFY(righe().isEmpty());
    }

    // A long receive buffer shows as its last 2,000 characters; the hidden memo stays untouched.
    void rigaDiLogLunga()
    {
        TfrmMain &finestra = crea();
        auto *mmLog = finestra.findChild<QPlainTextEdit *>("mmLog");
        QString buffer;
        for (int i = 0; buffer.size() < 64 * 1024; ++i) {
            buffer += QStringLiteral("%1 ").arg(i);
        }
        for (int i = 0; i < 10; ++i) {
            finestra.aggiungiLog(buffer);
        }
        QVERIFY(mmLog->document()->isEmpty());
        finestra.mVisioneLogClick();
        QCOMPARE(mmLog->document()->blockCount(), 10);
        QCOMPARE(mmLog->document()->lastBlock().text(), QChar(0x2026) + buffer.right(2000));
        finestra.aggiungiLog(QStringLiteral("F?"));
        QTRY_COMPARE(mmLog->document()->lastBlock().text(), QStringLiteral("F?"));
    }

    void visioneLog()
    {
        QVERIFY(mostra());
        TfrmMain &finestra = *m_finestra;
        auto *pnLog = finestra.findChild<QWidget *>("pnLog");
        auto *split = finestra.findChild<QSplitter *>("split");
        auto *mmLog = finestra.findChild<QWidget *>("mmLog");
        QAction *visione = azione(finestra, "mVisioneLog");
        // The height once every pending layout has run: the splitter may still enforce the
        // memo's own minimum after the window has set it.
        const auto altezzaAssestata = [&] {
            for (int giro = 0; giro < 3; ++giro) {
                QCoreApplication::sendPostedEvents();
                QCoreApplication::processEvents();
            }
            return pnLog->height();
        };

        visione->trigger();
        QVERIFY(visione->isChecked());
        QVERIFY(pnLog->isVisible());
        QTRY_COMPARE(pnLog->height(), 67);
        QCOMPARE(altezzaAssestata(), 67);
        QCOMPARE(mmLog->height(), 67);

        // The operator drags the splitter; any resize brings the panel back to 67 pixels.
        split->setSizes({200, 200});
        QTRY_VERIFY(pnLog->height() > 150);
        finestra.resize(760, 590);
        QTRY_COMPARE(pnLog->height(), 67);

        split->setSizes({200, 200});
        visione->trigger();
        QVERIFY(!visione->isChecked());
        QVERIFY(!pnLog->isVisible());
        visione->trigger();
        QTRY_COMPARE(pnLog->height(), 67);
        // The same at the larger sizes operators use.
        for (const QSize dimensione : {QSize(1024, 768), QSize(1280, 1024), QSize(751, 585)}) {
            finestra.resize(dimensione);
            QTRY_COMPARE(pnLog->height(), 67);
            QCOMPARE(altezzaAssestata(), 67);
            QCOMPARE(mmLog->height(), 67);
        }
    }

    // Every control of both link bars shows whole at every window size from the first one up.
    void barreDiCollegamentoIntere_data()
    {
        QTest::addColumn<QString>("voce");
        QTest::addColumn<QString>("barra");
        QTest::addColumn<QSize>("dimensione");
        for (const QSize dimensione : {QSize(751, 585), QSize(1024, 768), QSize(1280, 1024)}) {
            const QString misura =
                QStringLiteral("%1x%2").arg(dimensione.width()).arg(dimensione.height());
            QTest::newRow(qPrintable(QStringLiteral("seriale ") + misura))
                << "mCollSeriale"
                << "pnSeriale" << dimensione;
            QTest::newRow(qPrintable(QStringLiteral("tcp ") + misura)) << "mCollTcp"
                                                                       << "pnTcp" << dimensione;
        }
    }

    void barreDiCollegamentoIntere()
    {
        QFETCH(QString, voce);
        QFETCH(QString, barra);
        QFETCH(QSize, dimensione);
        crea().resize(dimensione);
        QVERIFY(mostra());
        azione(*m_finestra, qPrintable(voce))->trigger();
        auto *pannello = m_finestra->findChild<QWidget *>(barra);
        QTRY_VERIFY(pannello->isVisible());
        QApplication::processEvents();
        // The bar fits the window as it is: it never forces it wider.
        QCOMPARE(m_finestra->width(), dimensione.width());
        for (QWidget *figlio : pannello->findChildren<QWidget *>()) {
            if (!figlio->isVisible() || figlio->isWindow()) {
                continue;
            }
            const QRect posto = figlio->geometry();
            QVERIFY2(figlio->parentWidget()->rect().contains(posto),
                     qPrintable(figlio->objectName() + QLatin1Char(' ') +
                                figlio->metaObject()->className()));
            // Never squeezed below what it needs to show its text.
            const QSize minimo = figlio->minimumSizeHint();
            QVERIFY2(posto.width() >= minimo.width() && posto.height() >= minimo.height(),
                     qPrintable(QStringLiteral("%1 %2: %3x%4 < %5x%6")
                                    .arg(figlio->objectName(), figlio->metaObject()->className())
                                    .arg(posto.width())
                                    .arg(posto.height())
                                    .arg(minimo.width())
                                    .arg(minimo.height())));
        }
    }

    void orologioItaliano()
    {
        const QDateTime momento(QDate(2026, 12, 6), QTime(9, 5, 3));
        QCOMPARE(TfrmMain::testoOrologio(momento, QLocale(QLocale::Italian, QLocale::Italy)),
                 QStringLiteral(" dom 06/dic/2026 09:05:03"));
        QCOMPARE(TfrmMain::testoOrologio(QDateTime(QDate(2026, 1, 5), QTime(23, 59, 59)),
                                         QLocale(QLocale::Italian, QLocale::Italy)),
                 QStringLiteral(" lun 05/gen/2026 23:59:59"));
    }

    void clicSullImmagineRipeteLAvvio()
    {
        QVERIFY(mostra());
        TfrmMain &finestra = *m_finestra;
        QVERIFY(!azione(finestra, "mCollTcp")->isChecked());

        finestra.sessione().setContinuo(true);
        QVERIFY(scriviPorteTcp(cartella(), 5000, QStringLiteral("192.168.1.9")));
        auto *immagine = finestra.findChild<QWidget *>("Image1");
        QVERIFY(immagine && immagine->isVisible());
        QTest::mouseClick(immagine, Qt::LeftButton, {}, QPoint(300, 100));

        QVERIFY(!finestra.sessione().isContinuo());
        QVERIFY(azione(finestra, "mCollTcp")->isChecked());
        costruisciPagine(finestra);
        QCOMPARE(finestra.findChild<QLineEdit *>("eIp")->text(), QStringLiteral("192.168.1.9"));
        QCOMPARE(finestra.findChild<QStackedWidget *>("pcPagine")->currentIndex(), 0);
    }

    void vociDellaHomeInBassoASinistra()
    {
        QVERIFY(mostra());
        TfrmMain &finestra = *m_finestra;
        auto *pagina = finestra.findChild<QWidget *>("TabSheet1");
        auto *lbIA = finestra.findChild<QLabel *>("lbIA");
        QCOMPARE(lbIA->text(), QStringLiteral("INGRESSI ANALOGICI"));
        QVERIFY(lbIA->font().bold() && lbIA->font().underline());
        const int distanzaDalFondo = pagina->height() - lbIA->geometry().bottom();
        finestra.resize(1000, 800);
        QTRY_COMPARE(pagina->height() - lbIA->geometry().bottom(), distanzaDalFondo);
        QVERIFY(lbIA->x() < 60);
    }
};

QTEST_MAIN(TestFinestra)
#include "tst_finestra.moc"
