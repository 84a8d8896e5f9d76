#include "core/Errori.h"
#include "link/Framer.h"
#include "link/Seriale.h"
#include "settings/Utilita.h"
#include "Pty.h"
#include "Supporto.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <memory>

namespace {

// What one consumer saw: every byte, read one at a time as announced.
struct Lettura
{
    QByteArray dati;
    bool conteggioGiusto = true;
};

void leggiTutto(Seriale::Consumatore *consumatore, Lettura *lettura)
{
    QObject::connect(consumatore, &Seriale::Consumatore::datiDisponibili, consumatore,
                     [consumatore, lettura](int conteggio) {
                         if (conteggio != consumatore->nonLetti()) {
                             lettura->conteggioGiusto = false;
                         }
                         for (int i = 0; i < conteggio; ++i) {
                             lettura->dati.append(consumatore->leggiCarattere());
                         }
                     });
}

} // namespace

class TestSeriale : public QObject
{
    Q_OBJECT

private slots:
    void scriveERiceveSuDueConsumatori()
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

        Lettura prima;
        Lettura seconda;
        leggiTutto(porta.aggiungiConsumatore(this), &prima);
        leggiTutto(porta.aggiungiConsumatore(this), &seconda);
        Framer framer(&porta, this);
        framer.setStartString(QStringLiteral("STATO USCITE RELE ->"));
        framer.setEndCond(Framer::ecString);
        framer.setEndString(QStringLiteral("<-"));
        framer.setEnabled(true);
        QSignalSpy pacchetti(&framer, &Framer::stringPacket);

        const QByteArray risposta = "\r\nSTATO USCITE RELE ->00010001<-\r\nF?";
        QVERIFY(pty.scrivi(risposta.left(10)));
        QTRY_COMPARE(seconda.dati, risposta.left(10));
        QVERIFY(pty.scrivi(risposta.mid(10)));
        QTRY_COMPARE(seconda.dati, risposta);
        QCOMPARE(prima.dati, risposta);
        QVERIFY(prima.conteggioGiusto);
        QVERIFY(seconda.conteggioGiusto);
        QCOMPARE(pacchetti.size(), 1);
        QCOMPARE(pacchetti.at(0).at(0).toString(),
                 QStringLiteral("STATO USCITE RELE ->00010001<-"));
    }

    void attesaAnnidataNelConsumatore()
    {
        // A handler that waits for more data inside its own notification, as a sender
        // waiting for the ready prompt may do, still gets it.
        Pty pty;
        QVERIFY(pty.isValido());
        Seriale porta;
        porta.setDispositivo(pty.nome());
        porta.apri();
        Seriale::Consumatore *consumatore = porta.aggiungiConsumatore(this);
        Lettura altra;
        leggiTutto(porta.aggiungiConsumatore(this), &altra);
        QByteArray visti;
        bool attesaRiuscita = false;
        connect(consumatore, &Seriale::Consumatore::datiDisponibili, this, [&](int) {
            const bool prima = visti.isEmpty();
            visti += consumatore->leggiTutto();
            if (prima) {
                pty.scrivi("F?");
                attesaRiuscita = AttendiCondizione(3000, [&] { return visti.contains("F?"); });
            }
        });
        QVERIFY(pty.scrivi("->1<-"));
        QTRY_VERIFY(altra.dati.contains("F?"));
        QVERIFY(attesaRiuscita);
        QCOMPARE(visti, QByteArray("->1<-F?"));
        // The consumer told later still sees the bytes in their order.
        QCOMPARE(altra.dati, QByteArray("->1<-F?"));
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
        Framer framer(&porta, this);
        framer.setStartString(QStringLiteral("->"));
        framer.setEndCond(Framer::ecString);
        framer.setEndString(QStringLiteral("<-"));
        framer.setEnabled(true);
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

        // The device is back (a new pseudo-terminal here): the next open works.
        pty = std::make_unique<Pty>();
        QVERIFY(pty->isValido());
        porta.setDispositivo(pty->nome());
        porta.apri();
        QVERIFY(porta.isOpen());
        QSignalSpy pacchetti(&framer, &Framer::stringPacket);
        QVERIFY(pty->scrivi("->42<-"));
        QVERIFY(pacchetti.wait(5000));
        QCOMPARE(pacchetti.at(0).at(0).toString(), QStringLiteral("->42<-"));
    }
};

QTEST_GUILESS_MAIN(TestSeriale)
#include "tst_seriale.moc"
