// What the session does with a reply it hands over: an error of the reply or of whoever reads
// it reaches the error box once, and only after the link's notification has returned.
#include "Supporto.h"
#include "core/Errori.h"
#include "StatoRegistrato.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/TrasportoTcp.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <algorithm>
#include <stdexcept>

namespace {

// The session connected over TCP to `server`, which stands for the board; its end of the
// connection, null on failure.
QTcpSocket *collega(SessioneScheda &sessione, QTcpServer &server)
{
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        return nullptr;
    }
    Collegamento &collegamento = sessione.collegamento();
    collegamento.setTipoScelto(TipoCollegamento::Tcp);
    collegamento.tcp().setIndirizzo(QStringLiteral("127.0.0.1"),
                                    QString::number(server.serverPort()));
    collegamento.VerificaCollegamento();
    sessione.avviaPerPagina();
    if (!server.waitForNewConnection(5000)) {
        return nullptr;
    }
    QTcpSocket *scheda = server.nextPendingConnection();
    return QTest::qWaitFor([&collegamento] { return collegamento.collegamentoAttivo(); }, 5000)
               ? scheda
               : nullptr;
}

// Reads what the panel wrote until it ends with `atteso`.
bool arriva(QTcpSocket *scheda, const QByteArray &atteso)
{
    QByteArray arrivato;
    return QTest::qWaitFor([&] { return (arrivato += scheda->readAll()).endsWith(atteso); }, 5000);
}

const QByteArray kLetture = "ANALOGICO ->00001<-ANALOGICO ->00002<-ANALOGICO ->00003<-"
                            "ANALOGICO ->00004<-ANALOGICO ->00005<-ANALOGICO ->00006<-"
                            "ANALOGICO ->00007<-ANALOGICO ->00008<-\r\nF?";

} // namespace

class TestSessioneScheda : public QObject
{
    Q_OBJECT

private slots:
    void erroreDopoLaLettura_data();
    void erroreDopoLaLettura();
    void prontoIncrociato();
};

void TestSessioneScheda::erroreDopoLaLettura_data()
{
    QTest::addColumn<QByteArray>("risposta");
    QTest::addColumn<QString>("lancia");
    QTest::addColumn<QStringList>("errori");
    QTest::newRow("valore non numerico") << QByteArray("->1X8<-\r\n->255<-\r\nF?") << QString()
                                         << QStringList{"'1X8' is not a valid integer value"};
    QTest::newRow("errore di chi legge")
        << QByteArray("->128<-->255<-F?") << "programma" << QStringList{"fuori scala"};
    QTest::newRow("eccezione qualunque")
        << QByteArray("->128<-->255<-F?") << "std" << QStringList{"frame mancante"};
    QTest::newRow("azione interrotta in silenzio")
        << QByteArray("->128<-->255<-F?") << "silenzio" << QStringList{};
}

void TestSessioneScheda::erroreDopoLaLettura()
{
    QFETCH(QByteArray, risposta);
    QFETCH(QString, lancia);
    QFETCH(QStringList, errori);
    ValoriProgramma valori;
    StatoRegistrato stato;
    SessioneScheda sessione(valori, stato, tempiBrevi());
    QTcpServer server;
    QTcpSocket *scheda = collega(sessione, server);
    QVERIFY(scheda);
    Collegamento &collegamento = sessione.collegamento();

    QStringList visti;
    connect(&sessione, &SessioneScheda::errore, this,
            [&visti](const QString &testo) { visti << testo; });
    // Connected after the session: runs once the session has read what came; an error of
    // this read must not be out yet.
    qsizetype prima = 0;
    qsizetype nellaLettura = -1;
    connect(&collegamento.tcp(), &Trasporto::datiRicevuti, this,
            [&] { nellaLettura = std::max(nellaLettura, visti.size() - prima); });
    QList<int> letti;
    EsitoInvio esito;
    esito.risposta = [&](const Risposta &r) {
        letti << int(r.valori.size());
        if (lancia == QLatin1String("programma")) {
            throw ErroreProgramma(QStringLiteral("fuori scala"));
        }
        if (lancia == QLatin1String("std")) {
            throw std::out_of_range("frame mancante");
        }
        if (lancia == QLatin1String("silenzio")) {
            throw AbortSilenzioso{};
        }
    };
    for (int volta = 0; volta < 2; ++volta) {
        sessione.invio().invia(Protocollo::statoUsciteAnalogiche(), esito);
        scheda->write("F?");
        const QByteArray comando = Protocollo::statoUsciteAnalogiche().tcp.toLatin1();
        QByteArray arrivato;
        QTRY_VERIFY((arrivato += scheda->readAll()).endsWith(comando));
        prima = visti.size();
        nellaLettura = -1;
        scheda->write(volta == 0 ? risposta : QByteArray("->001<-->002<-F?"));
        QTRY_COMPARE(letti.size(), volta + 1);
        QCOMPARE(nellaLettura, qsizetype(0));
        QTRY_COMPARE(visti, errori);
        lancia.clear();
    }
    // Told once, and not again for the good reply after it.
    QTest::qWait(50);
    QCOMPARE(visti, errori);
}

void TestSessioneScheda::prontoIncrociato()
{
    // The board's idle prompt may cross a command on its way: it neither answers the command
    // nor lets the next one go before the reply; a reply that never comes is told.
    ValoriProgramma valori;
    StatoRegistrato stato;
    SessioneScheda sessione(valori, stato, tempiBrevi());
    QTcpServer server;
    QTcpSocket *scheda = collega(sessione, server);
    QVERIFY(scheda);
    Invio &invio = sessione.invio();
    QSignalSpy scritti(&sessione, &SessioneScheda::comandoInScrittura);
    QSignalSpy pronti(&sessione, &SessioneScheda::pronto);
    QSignalSpy mancanti(&sessione.lettore(), &LettoreRisposte::rispostaMancante);
    QStringList risposte;
    const auto chiedi = [&](const Comando &comando) {
        EsitoInvio esito;
        esito.risposta = [&risposte](const Risposta &r) {
            QStringList valori;
            for (const int v : r.valori) {
                valori << QString::number(v);
            }
            risposte << QStringLiteral("%1/%2 %3")
                            .arg(r.frameTrovati)
                            .arg(r.frameAttesi)
                            .arg(valori.join(QLatin1Char(' ')));
        };
        invio.invia(comando, esito);
    };
    // Stands for the prompt the idle board sent just before the command reached it.
    const auto incrocia = [&](int volte) {
        for (int volta = 0; volta < volte; ++volta) {
            const qsizetype prima = pronti.size();
            scheda->write("F?");
            QVERIFY(QTest::qWaitFor([&] { return pronti.size() > prima; }, 5000));
        }
    };

    chiedi(Protocollo::letturaAnalogici());
    chiedi(Protocollo::statoUsciteAnalogiche());
    scheda->write("F?");
    QVERIFY(arriva(scheda, Protocollo::letturaAnalogici().tcp.toLatin1()));
    // The first command written whole, the second waits for its prompt.
    QTRY_COMPARE(invio.inCoda(), qsizetype(0));
    incrocia(LettoreRisposte::MassimoRisposteEstranee);
    QCOMPARE(scritti.size(), 1);
    QVERIFY(risposte.isEmpty());
    scheda->write(kLetture);
    QTRY_COMPARE(risposte, QStringList{"8/8 1 2 3 4 5 6 7 8"});
    // The reply's own prompt lets the next command go.
    QVERIFY(arriva(scheda, Protocollo::statoUsciteAnalogiche().tcp.toLatin1()));
    QCOMPARE(scritti.size(), 2);

    // No reply to it: given up at the prompt after the last one let pass, told, and the
    // next command goes.
    chiedi(Protocollo::letturaAnalogici());
    QTRY_VERIFY(invio.isOccupato() && invio.inCoda() == 0);
    incrocia(LettoreRisposte::MassimoRisposteEstranee);
    QCOMPARE(scritti.size(), 2);
    QCOMPARE(mancanti.size(), 0);
    incrocia(1);
    QCOMPARE(risposte.size(), 2);
    QCOMPARE(risposte.last(), QStringLiteral("0/2 "));
    QCOMPARE(mancanti.size(), 1);
    QCOMPARE(scritti.size(), 3);
    QVERIFY(arriva(scheda, Protocollo::letturaAnalogici().tcp.toLatin1()));
}

QTEST_GUILESS_MAIN(TestSessioneScheda)
#include "tst_sessioneScheda.moc"
