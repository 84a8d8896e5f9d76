#include "core/Messaggi.h"
#include "link/ErroreFramer.h"
#include "link/Framer.h"
#include "link/GestoreFramer.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

// The framers' matching, fed straight into a manager with no port behind it.
class TestFramer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<GestoreFramer> m_gestore;

    // A framer set up as the program sets its own: start string, end "<-", on.
    Framer *framer(const QString &inizio, bool acceso = true)
    {
        auto *f = new Framer(m_gestore.get());
        f->setGestore(m_gestore.get());
        f->setStartString(inizio);
        f->setEndCond(Framer::ecString);
        f->setEndString(QStringLiteral("<-"));
        f->setTimeOut(60000);
        if (acceso) {
            f->setEnabled(true);
        }
        return f;
    }
    void ricevi(const QByteArray &dati) { m_gestore->riceviDati(dati); }
    static QStringList testi(const QSignalSpy &spia)
    {
        QStringList elenco;
        for (const auto &argomenti : spia) {
            elenco << argomenti.at(0).toString();
        }
        return elenco;
    }

private slots:
    void init()
    {
        m_gestore = std::make_unique<GestoreFramer>();
        m_gestore->portaAperta();
    }
    void cleanup() { m_gestore.reset(); }

    void rumoreAttornoAlPacchetto()
    {
        Framer *f = framer(QStringLiteral("->"));
        QSignalSpy testo(f, &Framer::stringPacket);
        QSignalSpy byte(f, &Framer::packet);
        ricevi("xy->123<-zw");
        QCOMPARE(testi(testo), QStringList{QStringLiteral("->123<-")});
        QCOMPARE(byte.size(), 1);
        QCOMPARE(byte.at(0).at(0).toByteArray(), QByteArray("->123<-"));
        // Trailing noise is dropped; AutoEnable put the framer back on.
        QCOMPARE(m_gestore->dimensioneBuffer(), 0);
        QVERIFY(f->enabled());

        // A trailing byte that may begin a start string is kept for the next chunk.
        ricevi("->4<-z-");
        QCOMPARE(m_gestore->dimensioneBuffer(), 1);
        ricevi(">5<-");
        QCOMPARE(testi(testo).last(), QStringLiteral("->5<-"));
    }

    void primoAttaccatoVince_data()
    {
        QTest::addColumn<bool>("lungoPrima");
        QTest::newRow("lungo attaccato prima") << true;
        QTest::newRow("corto attaccato prima") << false;
    }
    void primoAttaccatoVince()
    {
        QFETCH(bool, lungoPrima);
        Framer *lungo = nullptr;
        Framer *corto = nullptr;
        if (lungoPrima) {
            lungo = framer(QStringLiteral("STATO INGRESSI ->"));
            corto = framer(QStringLiteral("->"));
        } else {
            corto = framer(QStringLiteral("->"));
            lungo = framer(QStringLiteral("STATO INGRESSI ->"));
        }
        QSignalSpy daLungo(lungo, &Framer::stringPacket);
        QSignalSpy daCorto(corto, &Framer::stringPacket);
        ricevi("\r\nSTATO INGRESSI ->00000101<-\r\nF?");
        if (lungoPrima) {
            QCOMPARE(testi(daLungo), QStringList{QStringLiteral("STATO INGRESSI ->00000101<-")});
            QCOMPARE(daCorto.size(), 0);
        } else {
            // The earlier framer is the one that completes its start string first.
            QCOMPARE(testi(daCorto), QStringList{QStringLiteral("->00000101<-")});
            QCOMPARE(daLungo.size(), 0);
        }
    }

    void pacchettiDiFilaEInizioDiviso()
    {
        Framer *f = framer(QStringLiteral("->"));
        QSignalSpy spia(f, &Framer::stringPacket);
        ricevi("->1<-->2<-noise->3<-");
        QCOMPARE(testi(spia), (QStringList{"->1<-", "->2<-", "->3<-"}));

        // The start string split over two chunks, then the end split too.
        ricevi("ab-");
        ricevi(">77<");
        QCOMPARE(spia.size(), 3);
        ricevi("-");
        QCOMPARE(testi(spia).last(), QStringLiteral("->77<-"));
    }

    void maiuscoleIgnorate()
    {
        Framer *f = framer(QStringLiteral("STATO USCITE RELE ->"));
        QSignalSpy spia(f, &Framer::stringPacket);
        ricevi("stato uscite rele ->00000001<-");
        QCOMPARE(testi(spia), QStringList{QStringLiteral("stato uscite rele ->00000001<-")});

        f->setEnabled(false);
        f->setIgnoreCase(false);
        f->setEnabled(true);
        ricevi("stato uscite rele ->00000010<-");
        QCOMPARE(spia.size(), 1);
        ricevi("STATO USCITE RELE ->00000011<-");
        QCOMPARE(spia.size(), 2);
    }

    void fineRipresaDopoParziale()
    {
        Framer *f = framer(QStringLiteral("->"));
        QSignalSpy spia(f, &Framer::stringPacket);
        ricevi("->12<<-");
        QCOMPARE(testi(spia), QStringList{QStringLiteral("->12<<-")});
        ricevi("->3<");
        ricevi("<");
        ricevi("-xx");
        QCOMPARE(testi(spia).last(), QStringLiteral("->3<<-"));
        QCOMPARE(spia.size(), 2);
    }

    void caratteriJollyEEscape_data()
    {
        QTest::addColumn<QString>("inizio");
        QTest::addColumn<QByteArray>("dati");
        QTest::addColumn<QString>("atteso");
        QTest::newRow("jolly") << "A?C" << QByteArray("xxAzC1<-") << "AzC1<-";
        QTest::newRow("? letterale non jolly") << "A\\?C" << QByteArray("AzC1<-A?C2<-") << "A?C2<-";
        QTest::newRow("barra letterale") << "A\\\\B" << QByteArray("A\\B3<-") << "A\\B3<-";
        QTest::newRow("inizio sovrapposto") << "aab" << QByteArray("aaab4<-") << "aab4<-";
        const QString lungo = QString(70, QLatin1Char('A')) + QLatin1Char('B');
        QTest::newRow("oltre 64 caratteri")
            << lungo << (QByteArray(75, 'a') + "B5<-") << (QString(70, QLatin1Char('a')) + "B5<-");
    }
    void caratteriJollyEEscape()
    {
        QFETCH(QString, inizio);
        QFETCH(QByteArray, dati);
        QFETCH(QString, atteso);
        Framer *f = framer(inizio);
        QSignalSpy spia(f, &Framer::stringPacket);
        ricevi(dati);
        QCOMPARE(testi(spia), QStringList{atteso});
    }

    void altreCondizioni()
    {
        // Strings left out of the packet.
        Framer *senza = framer(QStringLiteral("->"), false);
        senza->setIncludeStrings(false);
        senza->setEnabled(true);
        QSignalSpy spiaSenza(senza, &Framer::stringPacket);
        ricevi("->123<-");
        QCOMPARE(testi(spiaSenza), QStringList{QStringLiteral("123")});
        senza->setEnabled(false);

        // A fixed size, counted from the first byte of the start string.
        Framer *misura = framer(QStringLiteral("->"), false);
        misura->setEndCond(Framer::ecPacketSize);
        misura->setPacketSize(5);
        misura->setEnabled(true);
        QSignalSpy spiaMisura(misura, &Framer::stringPacket);
        ricevi("x->1234567");
        QCOMPARE(testi(spiaMisura), QStringList{QStringLiteral("->123")});
        misura->setEnabled(false);

        // No end condition: the start string alone is the packet.
        Framer *soloInizio = framer(QStringLiteral("F?"), false);
        soloInizio->setEndCond({});
        soloInizio->setEnabled(true);
        QSignalSpy spiaInizio(soloInizio, &Framer::stringPacket);
        ricevi("abF?cdF?");
        QCOMPARE(testi(spiaInizio), (QStringList{"F?", "F?"}));
        soloInizio->setEnabled(false);

        // Any data starts a packet.
        Framer *qualsiasi = framer(QString(), false);
        qualsiasi->setStartCond(Framer::scAnyData);
        qualsiasi->setEnabled(true);
        QSignalSpy spiaQualsiasi(qualsiasi, &Framer::stringPacket);
        ricevi("abc<-de");
        ricevi("f<-");
        QCOMPARE(testi(spiaQualsiasi), (QStringList{"abc<-", "def<-"}));
    }

    void autoEnableSpentoELunghezzaFineCambiata()
    {
        Framer *f = framer(QStringLiteral("->"));
        f->setAutoEnable(false);
        QSignalSpy spia(f, &Framer::stringPacket);
        ricevi("->1<-->2<-");
        QCOMPARE(testi(spia), QStringList{QStringLiteral("->1<-")});
        QVERIFY(!f->enabled());

        // A new end string on a framer that is on takes effect at once; the switch off and
        // on restarts matching, so the half-collected packet is dropped.
        f->setEnabled(true);
        ricevi("->3");
        f->setEndString(QStringLiteral("#"));
        QVERIFY(f->enabled());
        ricevi("<-->4<-#");
        QCOMPARE(testi(spia).last(), QStringLiteral("->4<-#"));
        QCOMPARE(spia.size(), 2);
    }

    void erroriDiArmo_data()
    {
        QTest::addColumn<int>("condInizio");
        QTest::addColumn<QString>("inizio");
        QTest::addColumn<int>("condFine");
        QTest::addColumn<QString>("fine");
        QTest::addColumn<int>("dimensione");
        QTest::addColumn<int>("codice");
        const int s = Framer::ecString;
        const int p = Framer::ecPacketSize;
        QTest::newRow("5501") << int(Framer::scString) << "" << s << "<-" << 0 << 5501;
        QTest::newRow("5501 solo escape")
            << int(Framer::scString) << "\\" << s << "<-" << 0 << 5501;
        QTest::newRow("5502") << int(Framer::scString) << "ABC" << p << "" << 2 << 5502;
        QTest::newRow("5503") << int(Framer::scAnyData) << "" << 0 << "<-" << 0 << 5503;
        QTest::newRow("5504") << int(Framer::scString) << "->" << s << "" << 0 << 5504;
        QTest::newRow("5505") << int(Framer::scAnyData) << "" << p << "" << 0 << 5505;
    }
    void erroriDiArmo()
    {
        QFETCH(int, condInizio);
        QFETCH(QString, inizio);
        QFETCH(int, condFine);
        QFETCH(QString, fine);
        QFETCH(int, dimensione);
        QFETCH(int, codice);
        Framer f;
        f.setGestore(m_gestore.get());
        f.setStartCond(Framer::StartCond(condInizio));
        f.setStartString(inizio);
        f.setEndCond(Framer::EndCond(condFine));
        f.setEndString(fine);
        f.setPacketSize(dimensione);
        try {
            f.setEnabled(true);
            QFAIL("no error raised");
        } catch (const ErroreFramer &e) {
            QCOMPARE(int(e.codice()), codice);
        }
        QVERIFY(!f.enabled());
    }

    void scadenzaScartaEResta()
    {
        Framer *f = framer(QStringLiteral("->"), false);
        f->setDurataTick(5);
        f->setTimeOut(4);
        f->setEnabled(true);
        QSignalSpy pacchetti(f, &Framer::stringPacket);
        QSignalSpy scadenze(f, &Framer::timeout);
        ricevi("->12");
        QVERIFY(scadenze.wait(2000));
        QVERIFY(!f->enabled());
        QCOMPARE(m_gestore->dimensioneBuffer(), 0);
        QCOMPARE(m_gestore->proprietario(), nullptr);

        // It stays off until switched on again.
        ricevi("3<-->4<-");
        QCOMPARE(pacchetti.size(), 0);
        f->setEnabled(true);
        ricevi("->5<-");
        QCOMPARE(testi(pacchetti), QStringList{QStringLiteral("->5<-")});
        QCOMPARE(scadenze.size(), 1);
    }

    void pacchettoTroppoLungo()
    {
        Framer *f = framer(QStringLiteral("->"));
        QSignalSpy pacchetti(f, &Framer::stringPacket);
        QSignalSpy scadenze(f, &Framer::timeout);

        // 64 KiB, markers included, is the largest reply that comes through; one byte more
        // is dropped as at a timeout.
        ricevi("->" + QByteArray(65536 - 4, '0') + "<-");
        QCOMPARE(pacchetti.size(), 1);
        QCOMPARE(pacchetti.at(0).at(0).toString().size(), 65536);
        ricevi("->" + QByteArray(65536 - 3, '0') + "<-");
        QCOMPARE(pacchetti.size(), 1);
        QCOMPARE(scadenze.size(), 1);
        f->setEnabled(true);
        scadenze.clear();

        ricevi("->");
        for (int i = 0; i < 20; ++i) {
            ricevi(QByteArray(8192, 'x'));
        }
        QCOMPARE(scadenze.size(), 1);
        QVERIFY(!f->enabled());
        QVERIFY(m_gestore->dimensioneBuffer() < 8192);
        ricevi("<-");
        QCOMPARE(pacchetti.size(), 1);
    }

    void rilascioRiesaminaIlBuffer()
    {
        Framer *primo = framer(QStringLiteral("AB"));
        Framer *secondo = framer(QStringLiteral("CD"));
        QSignalSpy daPrimo(primo, &Framer::stringPacket);
        QSignalSpy daSecondo(secondo, &Framer::stringPacket);
        ricevi("ABxxCD1");
        QCOMPARE(m_gestore->proprietario(), primo);
        // The owner gives up: the other framer finds its start in what was collected.
        primo->setEnabled(false);
        QCOMPARE(m_gestore->proprietario(), secondo);
        ricevi("2<-");
        QCOMPARE(daPrimo.size(), 0);
        QCOMPARE(testi(daSecondo), QStringList{QStringLiteral("CD12<-")});
    }

    void datiArrivatiDuranteLaConsegna()
    {
        Framer *f = framer(QStringLiteral("->"));
        QStringList ricevuti;
        bool primaVolta = true;
        connect(f, &Framer::stringPacket, this, [&](const QString &testo) {
            ricevuti << testo;
            if (primaVolta) {
                primaVolta = false;
                // As if the handler let the GUI run and more bytes came in.
                ricevi("->2<-");
            }
        });
        ricevi("->1<-");
        QCOMPARE(ricevuti, (QStringList{"->1<-", "->2<-"}));
    }

    void erroreNelGestoreNonFermaIlFramer()
    {
        Framer *f = framer(QStringLiteral("->"));
        int chiamate = 0;
        connect(f, &Framer::stringPacket, this, [&](const QString &) {
            ++chiamate;
            throw std::runtime_error("handler failure");
        });
        QSignalSpy errori(m_gestore.get(), &GestoreFramer::erroreGestore);
        ricevi("->1<-->2<-");
        QCOMPARE(chiamate, 2);
        QVERIFY(f->enabled());
        QCOMPARE(errori.size(), 2);
        QCOMPARE(errori.at(1).at(0).toString(), QStringLiteral("handler failure"));
    }

    void aperturaEChiusura()
    {
        m_gestore->portaChiusa();
        Framer *f = framer(QStringLiteral("->"));
        QSignalSpy spia(f, &Framer::stringPacket);
        // Switched on while closed: stays on and is armed at the open.
        QVERIFY(f->enabled());
        ricevi("->0<-");
        QCOMPARE(spia.size(), 0);
        m_gestore->portaAperta();
        ricevi("->1");
        QCOMPARE(m_gestore->proprietario(), f);
        m_gestore->portaChiusa();
        QCOMPARE(m_gestore->dimensioneBuffer(), 0);
        m_gestore->portaAperta();
        ricevi("<-->2<-");
        QCOMPARE(testi(spia), QStringList{QStringLiteral("->2<-")});
    }

    void rumoreSenzaFineNonCresce()
    {
        // The program's seven framers, two of them on, under a flood of junk that keeps
        // beginning start strings without finishing them.
        const QStringList inizi{"STATO USCITE RELE ->",
                                "STATO INGRESSI ->",
                                "->",
                                "ANALOGICO ->",
                                "->",
                                " STATO INGRESSI ->",
                                "->"};
        QList<Framer *> framers;
        for (const auto &inizio : inizi) {
            framers << framer(inizio, false);
        }
        framers.at(0)->setEnabled(true);
        framers.at(3)->setEnabled(true);
        QByteArray rumore;
        for (int i = 0; rumore.size() < 65536; ++i) {
            rumore += "STATO USCITE RELE -" + QByteArray::number(i) + "ANALOGICO -x";
        }
        qsizetype massimo = 0;
        for (int i = 0; i < 160; ++i) { // about 10 MB
            ricevi(rumore);
            massimo = std::max(massimo, m_gestore->dimensioneBuffer());
        }
        QVERIFY(massimo <= 20);
        QVERIFY(m_gestore->capacitaBuffer() < 1024 * 1024);
        ricevi("STATO USCITE RELE ->00000001<-");
        QCOMPARE(m_gestore->proprietario(), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestFramer)
#include "tst_framer.moc"
