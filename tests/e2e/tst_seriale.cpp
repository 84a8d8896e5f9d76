// The serial port component on a pseudo-terminal: the line settings, bytes out and in, a
// device that fails to open or moves, and one that vanishes under the open port.
#include "core/Errori.h"
#include "link/Seriale.h"
#include "Pty.h"
#include "Supporto.h"

#include <QSignalSpy>
#include <QTest>

#include <termios.h>

#include <memory>

namespace {

// Every byte the port handed over, in the order it handed them.
QByteArray uniti(const QSignalSpy &ricevuti)
{
    QByteArray dati;
    for (const QList<QVariant> &argomenti : ricevuti) {
        dati += argomenti.at(0).toByteArray();
    }
    return dati;
}

} // namespace

class TestSeriale : public QObject
{
    Q_OBJECT

private slots:
    void scriveERiceve()
    {
        Pty pty;
        QVERIFY(pty.isValido());
        Seriale porta;
        porta.setDispositivo(pty.nome());
        porta.setBaud(57600);
        QSignalSpy aperta(&porta, &Seriale::aperta);
        porta.apri();
        QVERIFY(porta.isOpen());
        QCOMPARE(aperta.size(), 1);

        // The line as set: 57600 baud, no parity, 8 data bits, 1 stop bit; a change applies
        // at once on the open port.
        termios t{};
        QCOMPARE(tcgetattr(pty.slave(), &t), 0);
        QCOMPARE(cfgetospeed(&t), speed_t(B57600));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(t.c_cflag & (PARENB | CSTOPB), tcflag_t(0));
        porta.setBaud(19200);
        QCOMPARE(tcgetattr(pty.slave(), &t), 0);
        QCOMPARE(cfgetospeed(&t), speed_t(B19200));

        porta.scrivi("*/R5\r\n");
        QTRY_COMPARE(pty.letti(), QByteArray("*/R5\r\n"));

        // A response that arrives in two parts reaches the listener whole and in order.
        QSignalSpy ricevuti(&porta, &Seriale::datiRicevuti);
        const QByteArray risposta = "\r\nSTATO USCITE RELE ->00010001<-\r\nF?";
        QVERIFY(pty.scrivi(risposta.left(10)));
        QTRY_COMPARE(uniti(ricevuti), risposta.left(10));
        QVERIFY(pty.scrivi(risposta.mid(10)));
        QTRY_COMPARE(uniti(ricevuti), risposta);
    }

    void aperturaFallitaENuovoNumero()
    {
        Seriale porta;
        porta.setDispositivo(QStringLiteral("/dev/brivola-nessuna-porta"));
        QVERIFY_THROWS_EXCEPTION(ErroreProgramma, porta.apri());
        QVERIFY(!porta.isOpen());
        porta.scrivi("ignored"); // nothing to do, nothing to crash

        Pty pty;
        QVERIFY(pty.isValido());
        porta.setDispositivo(pty.nome());
        porta.apri();
        QSignalSpy aperta(&porta, &Seriale::aperta);
        QSignalSpy chiusa(&porta, &Seriale::chiusa);
        // A new number on an open port closes it and opens it again.
        porta.setComNumber(3);
        QCOMPARE(chiusa.size(), 1);
        QCOMPARE(aperta.size(), 1);
        QVERIFY(porta.isOpen());

        // So does a path naming another device.
        Pty altro;
        QVERIFY(altro.isValido());
        porta.setDispositivo(altro.nome());
        QCOMPARE(chiusa.size(), 2);
        QCOMPARE(aperta.size(), 2);
        QVERIFY(porta.isOpen());
        porta.scrivi("*/I");
        QTRY_COMPARE(altro.letti(), QByteArray("*/I"));

        Seriale senzaPercorso;
        senzaPercorso.setComNumber(3);
        QCOMPARE(senzaPercorso.nomeDispositivo(), QStringLiteral("/dev/ttyS2"));
    }

    void dispositivoScomparso()
    {
        auto pty = std::make_unique<Pty>();
        QVERIFY(pty->isValido());
        Seriale porta;
        porta.setDispositivo(pty->nome());
        porta.apri();
        QSignalSpy chiusa(&porta, &Seriale::chiusa);

        pty->chiudiMaster();
        QVERIFY(chiusa.wait(5000));
        QVERIFY(!porta.isOpen());

        // The port must stay quiet once closed, not spin on the dead device.
        const qint64 prima = tempoCpuNs();
        QTest::qWait(1000); // a measuring window, not a synchronisation
        const qint64 usati = tempoCpuNs() - prima;
        QVERIFY2(usati < 200 * 1000000LL, qPrintable(QString::number(usati / 1000000) + " ms"));
        QCOMPARE(chiusa.size(), 1);

        // The device is back (a new pseudo-terminal here): the next open works and reads.
        pty = std::make_unique<Pty>();
        QVERIFY(pty->isValido());
        porta.setDispositivo(pty->nome());
        porta.apri();
        QVERIFY(porta.isOpen());
        QSignalSpy ricevuti(&porta, &Seriale::datiRicevuti);
        QVERIFY(pty->scrivi("->42<-"));
        QTRY_COMPARE(uniti(ricevuti), QByteArray("->42<-"));
    }
};

QTEST_GUILESS_MAIN(TestSeriale)
#include "tst_seriale.moc"
