// The one reader of what the board sends: bytes in any chunking, typed replies out, the
// continuous output's rounds, the buffer limit and the strict rule.
#include "protocol/LettoreRisposte.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QByteArray kRele = "\r\nSTATO USCITE RELE ->00010001<-\r\n";
const QByteArray kGiro = "\r\nSTATO INGRESSI ->00000101<-\r\n"
                         "INGRESSO 1 ANALOGICO ->00010<-\r\nINGRESSO 2 ANALOGICO ->65535<-\r\n";

QString descrivi(const Risposta &r)
{
    QString stati;
    for (const bool acceso : r.stati) {
        stati += acceso ? QLatin1Char('1') : QLatin1Char('0');
    }
    QStringList valori;
    for (const int valore : r.valori) {
        valori << QString::number(valore);
    }
    return QStringLiteral("%1/%2 %3 [%4]%5%6")
        .arg(r.frameTrovati)
        .arg(r.frameAttesi)
        .arg(stati, valori.join(QLatin1Char(' ')),
             r.rigorosa ? QString() : QStringLiteral(" lasco"),
             r.errore.isEmpty() ? QString() : QStringLiteral(" errore: ") + r.errore);
}

// A reader armed for `tipo` (none: Nessuna), and what came out of it in order.
class Registro
{
public:
    explicit Registro(TipoRisposta tipo)
    {
        if (tipo != TipoRisposta::Nessuna) {
            m_lettore.arma(tipo, 2, [this](const Risposta &r) {
                QVERIFY(r.unita == 2);
                m_eventi << QStringLiteral("risposta ") + descrivi(r);
            });
        }
        QObject::connect(&m_lettore, &LettoreRisposte::pronto, [this](bool continuo) {
            m_eventi << (continuo ? QStringLiteral("pronto continuo") : QStringLiteral("pronto"));
        });
        QObject::connect(&m_lettore, &LettoreRisposte::giroContinuo, [this](const GiroContinuo &g) {
            m_eventi << QStringLiteral("giro ") + descrivi(g.ingressi) + QStringLiteral(" | ") +
                            descrivi(g.analogici);
        });
        QObject::connect(&m_lettore, &LettoreRisposte::rispostaIncompleta,
                         [this] { m_eventi << QStringLiteral("incompleta"); });
        QObject::connect(&m_lettore, &LettoreRisposte::rispostaMancante,
                         [this] { m_eventi << QStringLiteral("mancante"); });
        QObject::connect(&m_lettore, &LettoreRisposte::rigaLog,
                         [this](const QString &riga) { m_log << riga; });
    }

    LettoreRisposte &lettore() { return m_lettore; }
    const QStringList &eventi() const { return m_eventi; }
    const QStringList &log() const { return m_log; }

private:
    LettoreRisposte m_lettore;
    QStringList m_eventi;
    QStringList m_log;
};

// The ways a stream may come in reads: whole, a byte at a time, cut once at every place, and
// a few random cuttings.
QList<QList<QByteArray>> spezzature(const QByteArray &flusso)
{
    QList<QList<QByteArray>> tutte{{flusso}};
    QList<QByteArray> byte;
    for (const char c : flusso) {
        byte << QByteArray(1, c);
    }
    tutte << byte;
    for (qsizetype taglio = 1; taglio < flusso.size(); ++taglio) {
        tutte << QList<QByteArray>{flusso.left(taglio), flusso.mid(taglio)};
    }
    QRandomGenerator caso(20261208);
    for (int volta = 0; volta < 20; ++volta) {
        QList<QByteArray> pezzi;
        for (qsizetype da = 0; da < flusso.size();) {
            const qsizetype lungo = caso.bounded(1, 8);
            pezzi << flusso.mid(da, lungo);
            da += lungo;
        }
        tutte << pezzi;
    }
    return tutte;
}

} // namespace

class TestLettoreRisposte : public QObject
{
    Q_OBJECT

private slots:
    void spezzettatura_data();
    void spezzettatura();
    void leggi_data();
    void leggi();
    void rigaDiLog();
    void limiteDelBuffer();
    void azzeraDimenticaLaRispostaAttesa();
    void fineDellAttesa();
};

void TestLettoreRisposte::spezzettatura_data()
{
    QTest::addColumn<QByteArray>("flusso");
    QTest::addColumn<TipoRisposta>("tipo");
    QTest::addColumn<QStringList>("eventi");

    const QString giro = QStringLiteral("giro 1/1 10100000 [] | 2/8 00000000 [10 65535]");
    QTest::newRow("risposta ai relè")
        << kRele + "F?" << TipoRisposta::Rele << QStringList{"risposta 1/1 10001000 []", "pronto"};
    // A prompt alone was sent by the idle board before the command reached it: the reply is
    // the response after it.
    QTest::newRow("il pronto incrociato non è la risposta")
        << "F?\r\nF?" + kRele + "F?" << TipoRisposta::Rele
        << QStringList{"pronto", "pronto", "risposta 1/1 10001000 []", "pronto"};
    // A reply that never comes is given up, and told, at the fourth prompt alone.
    QTest::newRow("quattro pronti senza risposta")
        << "F?F?\r\nF?F?" + kRele + "F?" << TipoRisposta::Rele
        << QStringList{"pronto",   "pronto", "pronto", "risposta 0/1 00000000 []",
                       "mancante", "pronto", "pronto"};
    // Anything else the board says is its answer, with the frame or without.
    QTest::newRow("risposta senza frame")
        << "COMANDO ERRATO\r\nF?" + kRele + "F?" << TipoRisposta::Rele
        << QStringList{"risposta 0/1 00000000 []", "mancante", "pronto", "pronto"};
    QTest::newRow("nessuna risposta attesa") << kRele + "F?F?\r\nF?" << TipoRisposta::Nessuna
                                             << QStringList{"pronto", "pronto", "pronto"};
    QTest::newRow("marcatore in minuscolo, rumore attorno")
        << QByteArray("x\x01stato uscite rele ->10000000<-yy\xffz\r\nF?") << TipoRisposta::Rele
        << QStringList{"risposta 1/1 00000001 []", "pronto"};
    // A round of continuous output between the command and its reply goes to its listeners.
    QTest::newRow("giro prima della risposta")
        << kGiro + "F?" + kRele + "F?" << TipoRisposta::Rele
        << QStringList{giro, "pronto continuo", "risposta 1/1 10001000 []", "pronto"};
    QTest::newRow("il giro è la risposta chiesta")
        << kGiro + "F?" << TipoRisposta::Ingressi
        << QStringList{"risposta 1/1 10100000 []", giro, "pronto continuo"};
    // A reply that never comes is given up after three rounds.
    QTest::newRow("quattro giri senza risposta")
        << kGiro + "F?" + kGiro + "F?" + kGiro + "F?" + kGiro + "F?" << TipoRisposta::Rele
        << QStringList{giro,
                       "pronto continuo",
                       giro,
                       "pronto continuo",
                       giro,
                       "pronto continuo",
                       "risposta 0/1 00000000 []",
                       "mancante",
                       giro,
                       "pronto continuo"};
    QTest::newRow("un segno del giro solo non basta")
        << QByteArray("STATO INGRESSI ->00000001<-\r\nF?INGRESSO 1 ANALOGICO ->00001<-F?")
        << TipoRisposta::Ingressi << QStringList{"risposta 1/1 10000000 []", "pronto", "pronto"};
    QTest::newRow("otto letture")
        << QByteArray("ANALOGICO ->00001<-ANALOGICO ->00002<-ANALOGICO ->00003<-ANALOGICO "
                      "->00004<-ANALOGICO ->00005<-ANALOGICO ->00006<-ANALOGICO ->00007<-"
                      "ANALOGICO ->65535<-ANALOGICO ->00009<-\r\nF?")
        << TipoRisposta::IngressiAnalogici
        << QStringList{"risposta 8/8 00000000 [1 2 3 4 5 6 7 65535]", "pronto"};
    QTest::newRow("valore che non è un numero")
        << QByteArray("->128<-\r\n->1X8<-\r\nF?") << TipoRisposta::UsciteAnalogiche
        << QStringList{"risposta 2/2 00000000 [128] lasco errore: '1X8' is not a valid integer "
                       "value",
                       "pronto"};
}

void TestLettoreRisposte::spezzettatura()
{
    QFETCH(QByteArray, flusso);
    QFETCH(TipoRisposta, tipo);
    QFETCH(QStringList, eventi);
    for (const QList<QByteArray> &letture : spezzature(flusso)) {
        Registro registro(tipo);
        for (const QByteArray &lettura : letture) {
            registro.lettore().ricevi(lettura);
        }
        const QString come = QStringLiteral("%1 letture").arg(letture.size());
        QVERIFY2(registro.eventi() == eventi,
                 qPrintable(come + QStringLiteral(": ") + registro.eventi().join(" ; ")));
        // One log line per response, each exactly its text up to its prompt.
        QCOMPARE(registro.log().join(QString()), QString::fromLatin1(flusso));
        for (const QString &riga : registro.log()) {
            QVERIFY2(riga.endsWith(QLatin1String("F?")) && riga.count(QStringLiteral("F?")) == 1,
                     qPrintable(come + QStringLiteral(": ") + riga));
        }
    }
}

void TestLettoreRisposte::leggi_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<TipoRisposta>("tipo");
    QTest::addColumn<QString>("atteso");
    QTest::addColumn<bool>("completa");

    QTest::newRow("relè") << "STATO USCITE RELE ->00000001<-F?" << TipoRisposta::Rele
                          << "1/1 10000000 []" << true;
    // Short bodies are left-filled, long ones keep their last eight: both found, not strict.
    QTest::newRow("relè, corpo corto")
        << "STATO USCITE RELE ->101<-F?" << TipoRisposta::Rele << "1/1 10100000 [] lasco" << true;
    QTest::newRow("relè, corpo lungo")
        << "STATO USCITE RELE ->1100000001<-F?" << TipoRisposta::Rele << "1/1 10000000 []" << true;
    QTest::newRow("relè senza la fine")
        << "STATO USCITE RELE ->00000001F?" << TipoRisposta::Rele << "0/1 00000000 []" << false;
    QTest::newRow("ingressi: il primo frame intero")
        << "STATO INGRESSI ->0000STATO INGRESSI ->00000010<-F?" << TipoRisposta::Ingressi
        << "1/1 01000000 []" << true;
    QTest::newRow("uscite analogiche")
        << "USCITA 1 ->128<-\r\nUSCITA 2 ->051<-F?" << TipoRisposta::UsciteAnalogiche
        << "2/2 00000000 [128 51]" << true;
    QTest::newRow("uscite analogiche, corpi lunghi")
        << "->5<-->00255<-F?" << TipoRisposta::UsciteAnalogiche << "2/2 00000000 [5 255] lasco"
        << true;
    QTest::newRow("uscite analogiche, una sola")
        << "->255<-F?" << TipoRisposta::UsciteAnalogiche << "1/2 00000000 [255]" << false;
    // Frames of a named kind are never taken for an analog output.
    QTest::newRow("relè e ingressi non sono uscite")
        << "STATO USCITE RELE ->00000001<-STATO INGRESSI ->00000011<-->077<-F?"
        << TipoRisposta::UsciteAnalogiche << "1/2 00000000 [77]" << false;
    QTest::newRow("lettura con sei cifre")
        << "ANALOGICO ->123456<-F?" << TipoRisposta::IngressiAnalogici
        << "1/8 00000000 [23456] lasco" << false;
    QTest::newRow("corpo vuoto") << "->128<-\r\n-><-F?" << TipoRisposta::UsciteAnalogiche
                                 << "2/2 00000000 [128 0] lasco" << true;
    QTest::newRow("non un numero") << "ANALOGICO ->00007<-ANALOGICO ->1X345<-ANALOGICO ->00009<-F?"
                                   << TipoRisposta::IngressiAnalogici
                                   << "3/8 00000000 [7] lasco errore: '1X345' is not a valid "
                                      "integer value"
                                   << false;
    QTest::newRow("uscite di un'unità") << "UNITA 100 USCITE ->00000110<-\r\nF?"
                                        << TipoRisposta::UsciteUnita << "1/1 01100000 []" << true;
    // The board's own inputs frame lacks the unit frame's leading blank.
    QTest::newRow("ingressi di un'unità")
        << "\r\nSTATO INGRESSI ->11<-\r\n STATO INGRESSI ->01<-F?" << TipoRisposta::IngressiUnita
        << "1/1 10000000 [] lasco" << true;
    QTest::newRow("ingressi della scheda non sono di un'unità")
        << "\r\nSTATO INGRESSI ->11111111<-\r\nF?" << TipoRisposta::IngressiUnita
        << "0/1 00000000 []" << false;
    QTest::newRow("canali di un'unità")
        << "U ->063<-U ->000<-U ->1<-F?" << TipoRisposta::CanaliUnita << "3/8 00000000 [63 0 1]"
        << false;
    QTest::newRow("nessuna risposta")
        << "STATO USCITE RELE ->00000001<-F?" << TipoRisposta::Nessuna << "0/0 00000000 []" << true;
}

void TestLettoreRisposte::leggi()
{
    QFETCH(QString, testo);
    QFETCH(TipoRisposta, tipo);
    QFETCH(QString, atteso);
    QFETCH(bool, completa);
    const Risposta r = LettoreRisposte::leggi(testo, tipo, 5);
    QCOMPARE(descrivi(r), atteso);
    QCOMPARE(r.completa(), completa);
    QCOMPARE(r.tipo, tipo);
    QCOMPARE(r.unita, 5);
}

void TestLettoreRisposte::rigaDiLog()
{
    // A link that logs every read: each time with all the response so far.
    Registro perLettura(TipoRisposta::Nessuna);
    perLettura.lettore().setLogPerLettura(true);
    for (const QByteArray &lettura :
         {kRele, QByteArray("F?"), QByteArray("F?\r\n"), QByteArray("x")}) {
        perLettura.lettore().ricevi(lettura);
    }
    QCOMPARE(perLettura.log(),
             (QStringList{QString::fromLatin1(kRele), QString::fromLatin1(kRele + "F?"),
                          QStringLiteral("F?\r\n"), QStringLiteral("\r\nx")}));
    QCOMPARE(perLettura.eventi(), (QStringList{"pronto", "pronto"}));
}

void TestLettoreRisposte::limiteDelBuffer()
{
    Registro registro(TipoRisposta::Rele);
    QByteArray rumore(70000, 'x');
    rumore.append("FINE");
    registro.lettore().ricevi(rumore);
    QVERIFY(registro.eventi().isEmpty());
    // The prompt split between two reads of a full buffer is still found.
    registro.lettore().ricevi("F");
    QVERIFY(registro.eventi().isEmpty());
    registro.lettore().ricevi("?");
    // Told incomplete, not also missing.
    QCOMPARE(registro.eventi(), (QStringList{"incompleta", "risposta 0/1 00000000 []", "pronto"}));
    QCOMPARE(registro.log().size(), 1);
    QCOMPARE(registro.log().first().size(), LettoreRisposte::MassimoBuffer);
    QVERIFY(registro.log().first().endsWith(QLatin1String("xxxFINEF?")));

    // Told once: the next response is whole again.
    registro.lettore().ricevi(kRele + "F?");
    QCOMPARE(registro.eventi().size(), 4);
    QCOMPARE(registro.eventi().last(), QStringLiteral("pronto"));

    // One read larger than the limit, its prompt at the end.
    registro.lettore().ricevi(QByteArray(LettoreRisposte::MassimoBuffer + 10, 'y') + kRele + "F?");
    QCOMPARE(registro.eventi().mid(4), (QStringList{"incompleta", "pronto"}));
    QCOMPARE(registro.log().last().size(), LettoreRisposte::MassimoBuffer);
    QVERIFY(registro.log().last().endsWith(QString::fromLatin1(kRele + "F?")));
}

void TestLettoreRisposte::azzeraDimenticaLaRispostaAttesa()
{
    Registro registro(TipoRisposta::Rele);
    registro.lettore().ricevi("STATO USCITE RELE ->0000");
    // A new link: what came before belongs to no response of it.
    registro.lettore().azzera();
    registro.lettore().ricevi("0001<-\r\nF?");
    QCOMPARE(registro.eventi(), QStringList{"pronto"});
    QCOMPARE(registro.log(), QStringList{"0001<-\r\nF?"});
}

void TestLettoreRisposte::fineDellAttesa()
{
    // A command with no reply of its own, for whoever waits all the same: the prompt alone
    // answers it, and nothing is missing.
    Registro registro(TipoRisposta::Nessuna);
    LettoreRisposte &lettore = registro.lettore();
    QStringList risposte;
    const auto annota = [&risposte](const Risposta &r) { risposte << descrivi(r); };
    lettore.arma(TipoRisposta::Nessuna, -1, annota);
    QVERIFY(lettore.isInAttesa());
    lettore.ricevi("F?");
    QVERIFY(!lettore.isInAttesa());
    QCOMPARE(risposte, QStringList{"0/0 00000000 []"});
    QCOMPARE(registro.eventi(), QStringList{"pronto"});

    // Armed again while a reply is awaited: the first is given up and told.
    lettore.arma(TipoRisposta::Rele, -1, annota);
    lettore.ricevi("F?");
    QVERIFY(lettore.isInAttesa());
    lettore.arma(TipoRisposta::Ingressi, -1, annota);
    QCOMPARE(registro.eventi(), (QStringList{"pronto", "pronto", "mancante"}));
    // A link lost or new is told on its own.
    lettore.azzera();
    QVERIFY(!lettore.isInAttesa());
    QCOMPARE(registro.eventi().size(), 3);
    QCOMPARE(risposte.size(), 1);
}

QTEST_GUILESS_MAIN(TestLettoreRisposte)
#include "tst_lettoreRisposte.moc"
