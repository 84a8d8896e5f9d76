// Reception on both links: the ready flag, continuous mode, the log, and the parsing of TCP
// responses. Serial data comes through a real port on a pseudo-terminal, TCP through loopback.
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "link/Seriale.h"
#include "protocol/Protocollo.h"
#include "protocol/Ricezione.h"
#include "settings/Utilita.h"
#include "Pty.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>

namespace {

const QString kFrameRele = QStringLiteral("\r\nSTATO USCITE RELE ->00010001<-\r\n");

// Ricezione with its two links: a port on a pseudo-terminal and a loopback TCP connection
// whose server end plays the board.
class Banco
{
public:
    Banco()
    {
        m_seriale.setDispositivo(m_pty.nome());
        m_ricezione = std::make_unique<Ricezione>(m_valori, m_seriale, m_client);
        QObject::connect(m_ricezione.get(), &Ricezione::errore,
                         [this](const QString &testo) { m_messaggi.errore(testo); });
        // Told after the reception handler: when it fires, the handler is done with the chunk.
        m_dopoSeriale = m_seriale.aggiungiConsumatore(&m_seriale);
        m_log = std::make_unique<QSignalSpy>(m_ricezione.get(), &Ricezione::rigaLog);
        m_continuo =
            std::make_unique<QSignalSpy>(m_ricezione.get(), &Ricezione::modoContinuoRilevato);
    }

    bool apriSeriale()
    {
        m_seriale.apri();
        return m_seriale.isOpen();
    }

    bool connettiTcp()
    {
        if (!m_server.listen(QHostAddress::LocalHost, 0)) {
            return false;
        }
        m_client.connectToHost(QHostAddress::LocalHost, m_server.serverPort());
        if (!m_client.waitForConnected(3000) || !m_server.waitForNewConnection(3000)) {
            return false;
        }
        m_scheda.reset(m_server.nextPendingConnection());
        return m_scheda != nullptr;
    }

    // Writes on the serial line; returns once the reception handler has had all of it.
    bool chunkSeriale(const QByteArray &dati)
    {
        QSignalSpy gestito(m_dopoSeriale, &Seriale::Consumatore::datiDisponibili);
        if (!m_pty.scrivi(dati)) {
            return false;
        }
        qsizetype arrivati = 0;
        while (arrivati < dati.size()) {
            if (gestito.isEmpty() && !gestito.wait(3000)) {
                return false;
            }
            arrivati += gestito.takeFirst().at(0).toInt();
        }
        return true;
    }

    // Sends from the board's end; returns once the read handler has had all of it (every
    // read logs the buffer, which then ends with what was sent).
    bool chunkTcp(const QByteArray &dati)
    {
        m_scheda->write(dati);
        const QString coda = QString::fromLatin1(dati.right(1000));
        const qsizetype prima = m_log->size();
        return AttendiCondizione(5000, [&] {
            return m_log->size() > prima && m_log->last().at(0).toString().endsWith(coda);
        });
    }

    ValoriProgramma &valori() { return m_valori; }
    MessaggiRegistrati &messaggi() { return m_messaggi; }
    Ricezione &ricezione() { return *m_ricezione; }
    QTcpSocket &client() { return m_client; }
    Seriale::Consumatore *dopoSeriale() { return m_dopoSeriale; }
    QStringList log() const
    {
        QStringList righe;
        for (const QList<QVariant> &riga : *m_log) {
            righe << riga.at(0).toString();
        }
        return righe;
    }
    QList<bool> continuo() const
    {
        QList<bool> visti;
        for (const QList<QVariant> &segnale : *m_continuo) {
            visti << segnale.at(0).toBool();
        }
        return visti;
    }
    QStringList errori() const { return m_messaggi.testi(MessaggiRegistrati::Tipo::Errore); }

private:
    Pty m_pty;
    ValoriProgramma m_valori;
    MessaggiRegistrati m_messaggi;
    Seriale m_seriale;
    QTcpSocket m_client;
    QTcpServer m_server;
    std::unique_ptr<QTcpSocket> m_scheda;
    std::unique_ptr<Ricezione> m_ricezione;
    Seriale::Consumatore *m_dopoSeriale = nullptr;
    std::unique_ptr<QSignalSpy> m_log;
    std::unique_ptr<QSignalSpy> m_continuo;
};

} // namespace

class TestRicezione : public QObject
{
    Q_OBJECT

private slots:
    void serialeRispostaInTreBlocchi()
    {
        Banco banco;
        QVERIFY(banco.apriSeriale());
        ValoriProgramma &valori = banco.valori();
        const QByteArray risposta = kFrameRele.toLatin1() + "F?";

        valori.pronto = true;
        QVERIFY(banco.chunkSeriale(risposta.left(12)));
        QVERIFY(!valori.pronto);
        valori.pronto = true;
        QVERIFY(banco.chunkSeriale(risposta.mid(12, 20)));
        QVERIFY(!valori.pronto);
        QVERIFY(banco.log().isEmpty());
        QCOMPARE(valori.bufferRicezione, QString::fromLatin1(risposta.left(32)));

        // The prompt itself split between two chunks.
        QVERIFY(banco.chunkSeriale(risposta.mid(32).chopped(1)));
        QVERIFY(!valori.pronto);
        QVERIFY(banco.chunkSeriale("?"));
        QVERIFY(valori.pronto);
        QCOMPARE(banco.log(), QStringList{QString::fromLatin1(risposta)});
        QVERIFY(valori.bufferRicezione.isEmpty());
        QCOMPARE(banco.continuo(), QList<bool>{false});

        // What follows the prompt in the same chunk goes with the response.
        QVERIFY(banco.chunkSeriale("F?\r\nSTATO"));
        QVERIFY(valori.bufferRicezione.isEmpty());
        QCOMPARE(banco.log().size(), 2);
        QCOMPARE(banco.log().last(), QStringLiteral("F?\r\nSTATO"));
    }

    void serialeModoContinuo()
    {
        Banco banco;
        QVERIFY(banco.apriSeriale());
        ValoriProgramma &valori = banco.valori();

        // The two signs may come in different chunks of one response.
        QVERIFY(banco.chunkSeriale("\r\n STATO INGRESSI ->00000101<-\r\n"));
        QVERIFY(banco.continuo().isEmpty());
        QVERIFY(banco.chunkSeriale("INGRESSO 1 ANALOGICO ->01234<-\r\nF?"));
        QCOMPARE(banco.continuo(), QList<bool>{true});
        QCOMPARE(valori.modoContinuo, QStringLiteral("1"));

        // Judged again on every response, from its own text only.
        QVERIFY(banco.chunkSeriale(kFrameRele.toLatin1() + "F?"));
        QCOMPARE(banco.continuo(), QList<bool>({true, false}));
        QCOMPARE(valori.modoContinuo, QStringLiteral("0"));
        QVERIFY(banco.chunkSeriale("STATO INGRESSI ->00000000<-\r\nF?"));
        QCOMPARE(banco.continuo(), QList<bool>({true, false, false}));
    }

    void tcpRispostaInDueLetture()
    {
        Banco banco;
        QVERIFY(banco.connettiTcp());
        ValoriProgramma &valori = banco.valori();
        QStringList analizzate;
        banco.ricezione().registraParserTcp(ValoriProgramma::UsciteDigitali,
                                            [&](QString &buffer) { analizzate << buffer; });
        valori.tipoRisposta = ValoriProgramma::UsciteDigitali;

        QVERIFY(banco.chunkTcp(kFrameRele.toLatin1()));
        QVERIFY(!valori.pronto);
        QVERIFY(analizzate.isEmpty());
        QVERIFY(banco.chunkTcp("F?"));
        QVERIFY(valori.pronto);
        QCOMPARE(analizzate, QStringList{kFrameRele + QStringLiteral("F?")});
        // Every read is logged, each time with all the response so far.
        QCOMPARE(banco.log(), QStringList({kFrameRele, kFrameRele + QStringLiteral("F?")}));
        QVERIFY(valori.bufferRicezione.isEmpty());
        QCOMPARE(valori.tipoRisposta, 0);

        // The board idling: a prompt alone parses nothing.
        valori.pronto = false;
        QVERIFY(banco.chunkTcp("F?"));
        QVERIFY(valori.pronto);
        QCOMPARE(analizzate.size(), 1);
        QVERIFY(banco.messaggi().voci().isEmpty());
    }

    void tcpModoContinuoTieneIlTipoRisposta()
    {
        Banco banco;
        QVERIFY(banco.connettiTcp());
        ValoriProgramma &valori = banco.valori();
        int analisi = 0;
        banco.ricezione().registraParserTcp(ValoriProgramma::IngressiDigitali,
                                            [&](QString &) { ++analisi; });
        valori.tipoRisposta = ValoriProgramma::IngressiDigitali;
        const QByteArray continua =
            "STATO INGRESSI ->00000001<-\r\nINGRESSO 1 ANALOGICO ->00100<-\r\nF?";

        QVERIFY(banco.chunkTcp(continua));
        QCOMPARE(valori.modoContinuo, QStringLiteral("1"));
        QCOMPARE(valori.tipoRisposta, int(ValoriProgramma::IngressiDigitali));
        QVERIFY(banco.chunkTcp(continua));
        QCOMPARE(analisi, 2);
        QCOMPARE(banco.continuo(), QList<bool>({true, true}));

        QVERIFY(banco.chunkTcp("F?"));
        QCOMPARE(valori.modoContinuo, QStringLiteral("0"));
        QCOMPARE(valori.tipoRisposta, 0);
        QCOMPARE(analisi, 3);
    }

    void tcpValoreNonNumerico()
    {
        Banco banco;
        QVERIFY(banco.connettiTcp());
        ValoriProgramma &valori = banco.valori();
        QList<int> valoriLetti;
        banco.ricezione().registraParserTcp(ValoriProgramma::UsciteAnalogiche, [&](QString &b) {
            valoriLetti << StrToInt(Protocollo::valoreFrame(b, Protocollo::CifreUscitaAnalogica));
        });
        // The error box is never shown from inside the read handler.
        QStringList erroriAFineGestore;
        connect(&banco.client(), &QTcpSocket::readyRead, this,
                [&] { erroriAFineGestore = banco.errori(); });

        valori.tipoRisposta = ValoriProgramma::UsciteAnalogiche;
        QVERIFY(banco.chunkTcp("USCITA 1 ->XXX<-\r\nF?"));
        QVERIFY(valori.bufferRicezione.isEmpty());
        QVERIFY(erroriAFineGestore.isEmpty());
        QTRY_COMPARE(banco.errori(),
                     QStringList{QStringLiteral("'XXX' is not a valid integer value")});

        // The next response parses cleanly, and the error is not reported again.
        valori.tipoRisposta = ValoriProgramma::UsciteAnalogiche;
        QVERIFY(banco.chunkTcp("USCITA 1 ->128<-\r\nF?"));
        QCOMPARE(valoriLetti, QList<int>{128});
        QVERIFY(valori.bufferRicezione.isEmpty());
        QCOMPARE(banco.messaggi().voci().size(), 1);
    }

    void tcpParserCheFallisceInAltroModo()
    {
        // Any failure of a page's parser stays inside the read handler: reported once, and
        // the response dropped.
        Banco banco;
        QVERIFY(banco.connettiTcp());
        ValoriProgramma &valori = banco.valori();
        banco.ricezione().registraParserTcp(ValoriProgramma::IngressiAnalogici, [](QString &) {
            throw std::out_of_range("frame mancante");
        });
        valori.tipoRisposta = ValoriProgramma::IngressiAnalogici;
        QVERIFY(banco.chunkTcp("ANALOGICO ->12<-\r\nF?"));
        QVERIFY(valori.bufferRicezione.isEmpty());
        QCOMPARE(valori.tipoRisposta, 0);
        QTRY_COMPARE(banco.errori(), QStringList{QStringLiteral("frame mancante")});
    }

    void bufferLimitatoA64KiB()
    {
        Banco banco;
        QVERIFY(banco.connettiTcp());
        ValoriProgramma &valori = banco.valori();
        QByteArray rumore(70000, 'x');
        rumore.append("FINE");

        QVERIFY(banco.chunkTcp(rumore));
        QVERIFY(!valori.pronto);
        QCOMPARE(valori.bufferRicezione.size(), Ricezione::MassimoBuffer);
        QVERIFY(valori.bufferRicezione.endsWith(QLatin1String("xxxFINE")));
        // A prompt split between two reads of a full buffer is still found.
        QVERIFY(banco.chunkTcp("F"));
        QVERIFY(!valori.pronto);
        QVERIFY(banco.chunkTcp("?"));
        QVERIFY(valori.pronto);
        QVERIFY(valori.bufferRicezione.isEmpty());
    }

    void nessunEventoDentroIGestori()
    {
        // The handlers never pump events, so no button's send can start inside them: an event
        // posted during a handler runs only after it has returned.
        Banco banco;
        QVERIFY(banco.apriSeriale());
        QVERIFY(banco.connettiTcp());
        bool eseguito = false;
        connect(&banco.ricezione(), &Ricezione::rigaLog, this,
                [&] { QTimer::singleShot(0, this, [&] { eseguito = true; }); });
        QList<bool> eseguitoNelGestore;
        connect(&banco.client(), &QTcpSocket::readyRead, this,
                [&] { eseguitoNelGestore << eseguito; });
        connect(banco.dopoSeriale(), &Seriale::Consumatore::datiDisponibili, this,
                [&] { eseguitoNelGestore << eseguito; });

        QVERIFY(banco.chunkTcp("->1<-F?"));
        QTRY_VERIFY(eseguito);
        eseguito = false;
        QVERIFY(banco.chunkSeriale("->1<-F?"));
        QTRY_VERIFY(eseguito);
        QVERIFY(!eseguitoNelGestore.isEmpty());
        QVERIFY(!eseguitoNelGestore.contains(true));
    }
};

QTEST_GUILESS_MAIN(TestRicezione)
#include "tst_ricezione.moc"
