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

} // namespace

class TestSessioneScheda : public QObject
{
    Q_OBJECT

private slots:
    void erroreDopoLaLettura_data();
    void erroreDopoLaLettura();
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
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Collegamento &collegamento = sessione.collegamento();
    collegamento.setTipoScelto(TipoCollegamento::Tcp);
    collegamento.tcp().setIndirizzo(QStringLiteral("127.0.0.1"),
                                    QString::number(server.serverPort()));
    collegamento.VerificaCollegamento();
    sessione.avviaPerPagina();
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket *scheda = server.nextPendingConnection();
    QTRY_VERIFY(collegamento.collegamentoAttivo());

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

QTEST_GUILESS_MAIN(TestSessioneScheda)
#include "tst_sessioneScheda.moc"
