// The pacing of each link on the wire: how a command and text written without a prompt are cut
// into pieces, and the pause after each piece, strictly longer than its nominal time and only a
// little longer. The TCP link writes to a local server, the serial one to a pseudo-terminal.
#include "Pty.h"
#include "Supporto.h"
#include "StatoRegistrato.h"
#include "core/ValoriProgramma.h"
#include "link/Comando.h"
#include "link/TrasportoSeriale.h"
#include "link/TrasportoTcp.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int kCarattere = 15;
constexpr int kPrimo = 60;
constexpr int kPezzo = 25;
// What a pause may last beyond its time on a busy machine (other tests running beside this one)
// and still count as on time. How little it overshoots is the pause benchmark's to measure;
// which pause each piece gets is checked exactly on the piece lists.
constexpr qint64 kTolleranzaNs = 100 * 1000000;

// A link whose piece lists the test can read.
template <typename T>
class Esposto : public T
{
public:
    using T::T;
    using T::pezzi;
    using T::pezziDiretti;
};

Temporizzazioni tempiRitmo()
{
    Temporizzazioni tempi;
    tempi.carattereTcpMs = kCarattere;
    tempi.primoPezzoMs = kPrimo;
    tempi.pezzoMs = kPezzo;
    return tempi;
}

} // namespace

class TestRitmoTrasporti : public QObject
{
    Q_OBJECT

private slots:
    void pezziEPause_data();
    void pezziEPause();
};

void TestRitmoTrasporti::pezziEPause_data()
{
    QTest::addColumn<QString>("collegamento");
    QTest::addColumn<bool>("aperto");
    QTest::addColumn<bool>("diretto");
    QTest::addColumn<QStringList>("testo"); // serial pieces, or the TCP text as one
    QTest::addColumn<QList<QByteArray>>("pezzi");
    QTest::addColumn<QList<int>>("pause");

    const int c = kCarattere;
    QTest::newRow("TCP, un carattere alla volta")
        << "TCP" << true << false << QStringList{"*/RS\r\n"}
        << QList<QByteArray>{"*", "/", "R", "S", "\r", "\n"} << QList<int>{c, c, c, c, c, c};
    // The board takes the next field only after a serial piece's pause.
    QTest::newRow("TCP, campo senza pronto")
        << "TCP" << true << true << QStringList{"123"} << QList<QByteArray>{"1", "2", "3"}
        << QList<int>{c, c, c + kPezzo};
    QTest::newRow("seriale, a pezzi")
        << "SER" << true << false << QStringList{"*/", "EA", "010S"}
        << QList<QByteArray>{"*/", "EA", "010S"} << QList<int>{kPrimo, kPezzo, kPezzo};
    QTest::newRow("seriale, campo senza pronto") << "SER" << true << true << QStringList{"123"}
                                                 << QList<QByteArray>{"123"} << QList<int>{kPezzo};
    // A link that takes nothing loses the pieces but keeps the pauses.
    QTest::newRow("TCP non connesso") << "TCP" << false << false << QStringList{"*/I\r\n"}
                                      << QList<QByteArray>{} << QList<int>{c, c, c, c, c};
    QTest::newRow("seriale chiusa") << "SER" << false << false << QStringList{"*/", "I"}
                                    << QList<QByteArray>{} << QList<int>{kPrimo, kPezzo};
}

void TestRitmoTrasporti::pezziEPause()
{
    QFETCH(QString, collegamento);
    QFETCH(bool, aperto);
    QFETCH(bool, diretto);
    QFETCH(QStringList, testo);
    QFETCH(QList<QByteArray>, pezzi);
    QFETCH(QList<int>, pause);

    QTemporaryDir cartella;
    ValoriProgramma valori;
    valori.filePorte = cartella.filePath(QStringLiteral("Porte.INI"));
    StatoRegistrato stato;
    Pty pty;
    QTcpServer server;
    QByteArray ricevuto;
    std::unique_ptr<Trasporto> trasporto;
    if (collegamento == QLatin1String("TCP")) {
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *scheda = server.nextPendingConnection();
            connect(scheda, &QTcpSocket::readyRead, this,
                    [&ricevuto, scheda] { ricevuto += scheda->readAll(); });
        });
        auto *tcp = new Esposto<TrasportoTcp>(valori, stato, tempiRitmo());
        trasporto.reset(tcp);
        tcp->setIndirizzo(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
        if (aperto) {
            tcp->avvia();
            QTRY_VERIFY(tcp->isAttivo());
        }
    } else {
        QVERIFY(pty.isValido());
        QVERIFY(scriviPorteSeriale(cartella.path(), pty.nome()));
        trasporto = std::make_unique<Esposto<TrasportoSeriale>>(valori, stato, tempiRitmo());
        if (aperto) {
            trasporto->scelto();
            QVERIFY(trasporto->isAttivo());
        }
    }

    Comando comando;
    comando.pezziSeriale = testo;
    comando.tcp = testo.join(QString());
    const auto elenco = [&](auto *esposto) {
        QList<int> nominali;
        const auto lista = diretto ? esposto->pezziDiretti(comando.tcp) : esposto->pezzi(comando);
        for (const auto &pezzo : lista) {
            nominali << pezzo.pausaMs;
        }
        return nominali;
    };
    if (auto *tcp = dynamic_cast<Esposto<TrasportoTcp> *>(trasporto.get())) {
        QCOMPARE(elenco(tcp), pause);
    } else {
        QCOMPARE(elenco(dynamic_cast<Esposto<TrasportoSeriale> *>(trasporto.get())), pause);
    }

    QElapsedTimer orologio;
    QList<QByteArray> scritti;
    QList<qint64> quando;
    connect(trasporto.get(), &Trasporto::datiScritti, this, [&](const QByteArray &dati) {
        quando << orologio.nsecsElapsed();
        scritti << dati;
    });
    QSignalSpy finita(trasporto.get(), &Trasporto::scritturaFinita);
    orologio.start();
    if (diretto) {
        trasporto->scriviDiretto(testo.join(QString()));
    } else {
        trasporto->scrivi(comando);
    }
    QVERIFY(trasporto->isInScrittura());
    QVERIFY(finita.wait(5000));
    const qint64 fine = orologio.nsecsElapsed();
    QCOMPARE(finita.size(), 1);
    QCOMPARE(finita.first().first().toBool(), aperto);
    QCOMPARE(scritti, pezzi);

    qint64 totale = 0;
    for (const int pausa : pause) {
        totale += qint64(pausa) * 1000000;
    }
    if (aperto) {
        // Each piece's pause: from its write to the next one, the last to the end.
        quando << fine;
        for (qsizetype i = 0; i < pause.size(); ++i) {
            const qint64 durata = quando.at(i + 1) - quando.at(i);
            const qint64 nominale = qint64(pause.at(i)) * 1000000;
            QVERIFY2(durata > nominale && durata < nominale + kTolleranzaNs,
                     qPrintable(QStringLiteral("pausa %1: %2 ns invece di %3 ms")
                                    .arg(i)
                                    .arg(durata)
                                    .arg(pause.at(i))));
        }
        const QByteArray filo = testo.join(QString()).toLatin1();
        if (collegamento == QLatin1String("TCP")) {
            QTRY_COMPARE(ricevuto, filo);
        } else {
            QTRY_COMPARE(pty.letti(), filo);
        }
    } else {
        QVERIFY2(fine > totale && fine < totale + kTolleranzaNs * pause.size(),
                 qPrintable(QString::number(fine)));
    }
}

QTEST_GUILESS_MAIN(TestRitmoTrasporti)
#include "tst_ritmoTrasporti.moc"
