// Alarm thresholds to board levels, and the conversions at the edges of their number types.
#include "core/Errori.h"
#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "protocol/Conversioni.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 kMinimo64 = std::numeric_limits<qint64>::min();
constexpr qint64 kMassimo64 = std::numeric_limits<qint64>::max();

std::array<QString, 8> otto(const QString &testo)
{
    std::array<QString, 8> testi;
    testi.fill(testo);
    return testi;
}

} // namespace

class TestConversioni : public QObject
{
    Q_OBJECT

private slots:
    void livelloAllarme_data();
    void livelloAllarme();
    void livelloAllarmeSenzaRisultato();
    void arrotondamentoAgliEstremi_data();
    void arrotondamentoAgliEstremi();
    void realeFuoriDai64Bit();
    void scalaDaTestiEstremi_data();
    void scalaDaTestiEstremi();
    void allarmiTuttiSpenti();
    void allarmiAbilitati();
    void allarmiNonValidi_data();
    void allarmiNonValidi();
};

void TestConversioni::livelloAllarme_data()
{
    QTest::addColumn<double>("soglia");
    QTest::addColumn<double>("minimo");
    QTest::addColumn<double>("massimo");
    QTest::addColumn<int>("livello");
    QTest::newRow("-20..50 soglia 10") << 10.0 << -20.0 << 50.0 << 109;
    QTest::newRow("-20..50 soglia 40") << 40.0 << -20.0 << 50.0 << 219;
    QTest::newRow("0..100 soglia 50, mezzo al pari") << 50.0 << 0.0 << 100.0 << 128;
    QTest::newRow("0..10 soglia 1, 25.5") << 1.0 << 0.0 << 10.0 << 26;
    QTest::newRow("0..10 soglia 3, 76.5") << 3.0 << 0.0 << 10.0 << 76;
    QTest::newRow("soglia al minimo") << -20.0 << -20.0 << 50.0 << 0;
    QTest::newRow("soglia al massimo") << 50.0 << -20.0 << 50.0 << 255;
    // Outside the range the level stops at the range's end instead of mirroring or wrapping.
    QTest::newRow("sotto il campo") << -30.0 << -20.0 << 50.0 << 0;
    QTest::newRow("sopra il campo") << 999.0 << 0.0 << 5.0 << 255;
    QTest::newRow("campo discendente") << 10.0 << 50.0 << -20.0 << 146; // 145.71
    QTest::newRow("campo discendente, sotto") << 60.0 << 50.0 << -20.0 << 0;
    QTest::newRow("campo enorme") << 0.0 << -std::ldexp(1.0, 900) << std::ldexp(1.0, 900)
                                  << 128; // 127.5
    QTest::newRow("differenza infinita") << 1e308 << -1e308 << 1.0 << 255;
}

void TestConversioni::livelloAllarme()
{
    QFETCH(double, soglia);
    QFETCH(double, minimo);
    QFETCH(double, massimo);
    QFETCH(int, livello);
    QCOMPARE(Conversioni::livelloAllarme(soglia, minimo, massimo), livello);
}

void TestConversioni::livelloAllarmeSenzaRisultato()
{
    // An empty range has no levels; nor has one whose width overflows along with the threshold.
    QVERIFY_THROWS_EXCEPTION(ErroreProgramma, Conversioni::livelloAllarme(5, 7, 7));
    QVERIFY_THROWS_EXCEPTION(ErroreProgramma, Conversioni::livelloAllarme(1e308, -1e308, 1e308));
    QVERIFY_THROWS_EXCEPTION(ErroreProgramma, Conversioni::livelloAllarme(1e300, -1e308, 1e308));
}

void TestConversioni::arrotondamentoAgliEstremi_data()
{
    QTest::addColumn<qint64>("numeratore");
    QTest::addColumn<qint64>("denominatore");
    QTest::addColumn<qint64>("atteso");
    QTest::newRow("minimo / -1 satura") << kMinimo64 << qint64(-1) << kMassimo64;
    QTest::newRow("minimo / 1") << kMinimo64 << qint64(1) << kMinimo64;
    QTest::newRow("minimo / 3") << kMinimo64 << qint64(3) << qint64(-3074457345618258603);
    QTest::newRow("1 / minimo") << qint64(1) << kMinimo64 << qint64(0);
    QTest::newRow("minimo / minimo") << kMinimo64 << kMinimo64 << qint64(1);
    // The remainder is nearly the divisor: doubling it would overflow.
    QTest::newRow("resto grande") << kMassimo64 - 1 << kMassimo64 << qint64(1);
    QTest::newRow("mezzo grande, al pari") << kMassimo64 / 2 << kMassimo64 - 1 << qint64(0);
    QTest::newRow("mezzo negativo grande") << -(kMassimo64 / 2) << kMassimo64 - 1 << qint64(0);
    QTest::newRow("poco oltre il mezzo") << kMassimo64 / 2 + 1 << kMassimo64 << qint64(1);
}

void TestConversioni::arrotondamentoAgliEstremi()
{
    QFETCH(qint64, numeratore);
    QFETCH(qint64, denominatore);
    QFETCH(qint64, atteso);
    QCOMPARE(Conversioni::arrotondaPari(numeratore, denominatore), atteso);
}

void TestConversioni::realeFuoriDai64Bit()
{
    using Conversioni::arrotondaPari;
    QCOMPARE(arrotondaPari(-9223372036854775808.0), kMinimo64);
    QCOMPARE(arrotondaPari(9223372036854774784.0), qint64(9223372036854774784));
    QVERIFY_THROWS_EXCEPTION(ErroreProgramma, arrotondaPari(9223372036854775808.0));
    QVERIFY_THROWS_EXCEPTION(ErroreProgramma, arrotondaPari(-1e19));
    QVERIFY_THROWS_EXCEPTION(ErroreProgramma,
                             arrotondaPari(std::numeric_limits<double>::quiet_NaN()));
    QVERIFY_THROWS_EXCEPTION(ErroreProgramma,
                             arrotondaPari(std::numeric_limits<double>::infinity()));
    QVERIFY_THROWS_EXCEPTION(ErroreProgramma, arrotondaPari(qint64(1), qint64(0)));
}

void TestConversioni::scalaDaTestiEstremi_data()
{
    QTest::addColumn<QString>("grezzo");
    QTest::addColumn<QString>("minimo");
    QTest::addColumn<QString>("massimo");
    QTest::addColumn<bool>("errore");
    QTest::addColumn<qint64>("valore");
    QTest::newRow("minimo a 64 bit") << "00000"
                                     << "-9223372036854775808"
                                     << "0" << false << kMinimo64;
    QTest::newRow("1e19 oltre i 64 bit") << "65535"
                                         << "0"
                                         << "1e19" << true << qint64(0);
    QTest::newRow("1e19 al fondo zero") << "00000"
                                        << "0"
                                        << "1e19" << false << qint64(0);
    QTest::newRow("larghezza infinita") << "32768"
                                        << "-1e308"
                                        << "1e308" << true << qint64(0);
    QTest::newRow("1e400 non e' un numero") << "00000"
                                            << "1e400"
                                            << "0" << true << qint64(0);
    QTest::newRow("testo") << "00000"
                           << "ERRORE"
                           << "50" << true << qint64(0);
}

void TestConversioni::scalaDaTestiEstremi()
{
    QFETCH(QString, grezzo);
    QFETCH(QString, minimo);
    QFETCH(QString, massimo);
    QFETCH(bool, errore);
    QFETCH(qint64, valore);
    if (errore) {
        QVERIFY_THROWS_EXCEPTION(ErroreProgramma,
                                 Conversioni::scalaAnalogico(grezzo, minimo, massimo));
    } else {
        QCOMPARE(Conversioni::scalaAnalogico(grezzo, minimo, massimo), valore);
    }
}

void TestConversioni::allarmiTuttiSpenti()
{
    // Ranges that are not numbers do not matter for inputs without an alarm.
    const AllarmiAnalogici allarmi = AllarmiAnalogici::prepara(
        otto(QStringLiteral("All.:Off")), otto(QStringLiteral("ERRORE")), otto(QString()));
    QCOMPARE(allarmi.ingressoNonValido, 0);
    QCOMPARE(allarmi.abilitazioni, QStringLiteral("00000000"));
    for (int i = 0; i < 16; i += 2) {
        QCOMPARE(allarmi.soglie[i], QStringLiteral("0"));
        QCOMPARE(allarmi.soglie[i + 1], QStringLiteral("255"));
        QCOMPARE(allarmi.campi[i], QStringLiteral("000"));
        QCOMPARE(allarmi.campi[i + 1], QStringLiteral("255"));
    }
}

void TestConversioni::allarmiAbilitati()
{
    std::array<QString, 8> testi = otto(QStringLiteral("All.:Off"));
    testi[0] = QStringLiteral("All.:10 - 40");
    testi[2] = QStringLiteral("all.:-30 - 999"); // the letter after ":" counts, not its case
    testi[7] = QStringLiteral("All.:1 - 3");
    std::array<QString, 8> minimi = otto(QStringLiteral("0"));
    std::array<QString, 8> massimi = otto(QStringLiteral("100"));
    minimi[0] = QStringLiteral("-20");
    massimi[0] = QStringLiteral("50");
    minimi[2] = QStringLiteral("-20,0"); // a comma is a decimal separator too
    massimi[2] = QStringLiteral(" 50 ");
    massimi[7] = QStringLiteral("10");

    const AllarmiAnalogici allarmi = AllarmiAnalogici::prepara(testi, minimi, massimi);
    QCOMPARE(allarmi.ingressoNonValido, 0);
    QCOMPARE(allarmi.abilitazioni, QStringLiteral("10100001"));
    QCOMPARE(allarmi.soglie[0], QStringLiteral("10"));
    QCOMPARE(allarmi.soglie[1], QStringLiteral("40"));
    QCOMPARE(allarmi.soglie[4], QStringLiteral("-30"));
    QCOMPARE(allarmi.soglie[5], QStringLiteral("999"));
    const QStringList campi(allarmi.campi.begin(), allarmi.campi.end());
    QCOMPARE(campi.join(QLatin1Char(' ')),
             QStringLiteral("109 219 000 255 000 255 000 255 000 255 000 255 000 255 026 076"));
}

void TestConversioni::allarmiNonValidi_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QString>("minimo");
    QTest::addColumn<QString>("massimo");
    QTest::newRow("soglia vuota") << "All.: - 40"
                                  << "0"
                                  << "100";
    QTest::newRow("solo il segno") << "All.:10 - -"
                                   << "0"
                                   << "100";
    QTest::newRow("senza separatore") << "All.:10"
                                      << "0"
                                      << "100";
    QTest::newRow("soglia ERRORE") << "All.:ERRORE - ERRORE"
                                   << "0"
                                   << "100";
    QTest::newRow("minimo del campo") << "All.:10 - 40"
                                      << "ERRORE"
                                      << "100";
    QTest::newRow("massimo del campo") << "All.:10 - 40"
                                       << "0"
                                       << "";
    QTest::newRow("campo vuoto") << "All.:10 - 40"
                                 << "5"
                                 << "5,0";
    QTest::newRow("testo vuoto") << ""
                                 << "0"
                                 << "100";
}

void TestConversioni::allarmiNonValidi()
{
    QFETCH(QString, testo);
    QFETCH(QString, minimo);
    QFETCH(QString, massimo);
    std::array<QString, 8> testi = otto(QStringLiteral("All.:Off"));
    testi[5] = testo;
    std::array<QString, 8> minimi = otto(QStringLiteral("0"));
    std::array<QString, 8> massimi = otto(QStringLiteral("100"));
    minimi[5] = minimo;
    massimi[5] = massimo;
    // Input 7 is also wrong, but the operator is told about the first one.
    testi[6] = QStringLiteral("All.:x - 1");
    QCOMPARE(AllarmiAnalogici::prepara(testi, minimi, massimi).ingressoNonValido, 6);
}

QTEST_GUILESS_MAIN(TestConversioni)
#include "tst_conversioni.moc"
