#include "protocol/Conversioni.h"
#include "protocol/Protocollo.h"

#include "core/Errori.h"

#include <QTest>

using namespace Protocollo;

class TestProtocollo : public QObject
{
    Q_OBJECT

private slots:
    void comandi_data();
    void comandi();
    void campoUnita_data();
    void campoUnita();
    void campoTreCifre();
    void stringaFlag();
    void valoreFrame_data();
    void valoreFrame();
    void trovaFrame_data();
    void trovaFrame();
    void statiCanali_data();
    void statiCanali();
    void modoContinuo();
    void arrotondamentoRazionale();
    void conversioniScheda();
    void conversioniPeriferica();
    void scalaAnalogico_data();
    void scalaAnalogico();
    void scalaAnalogicoDaTesto();
};

void TestProtocollo::comandi_data()
{
    QTest::addColumn<Comando>("comando");
    QTest::addColumn<QStringList>("pezzi");
    QTest::addColumn<QString>("tcp");

    const auto riga = [](const char *nome, const Comando &c, const QStringList &pezzi,
                         const QString &tcp) { QTest::newRow(nome) << c << pezzi << tcp; };
    riga("continuo", continuo(), {"*/C"}, "*/C\r\n");
    riga("statoRele", statoRele(), {"*/R", "S"}, "*/RS\r\n");
    riga("operaRele 1", operaRele(1), {"*/R", "1"}, "*/R1\r\n");
    riga("operaRele 8", operaRele(8), {"*/R", "8"}, "*/R8\r\n");
    riga("resetRele", resetRele(), {"*/R", "0"}, "*/R0\r\n");
    riga("statoIngressi", statoIngressi(), {"*/I"}, "*/I\r\n");
    riga("letturaAnalogici", letturaAnalogici(), {"*/A"}, "*/A\r\n");
    riga("statoUsciteAnalogiche", statoUsciteAnalogiche(), {"*/P", "S"}, "*/PS\r\n");
    riga("uscita 1 a 128", impostaUscitaAnalogica(1, 128), {"*/P", "1", "128"}, "*/P1128\r\n");
    riga("uscita 2 a 5", impostaUscitaAnalogica(2, 5), {"*/P", "2", "005"}, "*/P2005\r\n");
    riga("resetUsciteAnalogiche", resetUsciteAnalogiche(), {"*/P", "0"}, "*/P0\r\n");
    riga("statoUsciteUnita 2", statoUsciteUnita(1), {"*/E", "R", "100", "S"}, "*/ER100S\r\n");
    riga("operaUscitaUnita 5/3", operaUscitaUnita(4, 3), {"*/E", "R", "001", "3"}, "*/ER0013\r\n");
    riga("resetUsciteUnita 8", resetUsciteUnita(7), {"*/E", "R", "111", "0"}, "*/ER1110\r\n");
    riga("resetUsciteTutteUnita", resetUsciteTutteUnita(), {"*/E", "R", "Z"}, "*/ERZ\r\n");
    riga("statoIngressiUnita 4", statoIngressiUnita(3), {"*/E", "I", "110"}, "*/EI110\r\n");
    riga("statoAnalogicheUnita 1", statoAnalogicheUnita(0), {"*/E", "A", "000", "S"},
         "*/EA000S\r\n");
    riga("impostaAnalogicaUnita 3/8", impostaAnalogicaUnita(2, 8, 32),
         {"*/E", "A", "010", "8", "032"}, "*/EA0108032\r\n");
    riga("resetAnalogicheUnita 6", resetAnalogicheUnita(5), {"*/E", "A", "101", "0"},
         "*/EA1010\r\n");
    // The three forms the board takes without a line end.
    riga("resetAnalogicheTutteUnita", resetAnalogicheTutteUnita(), {"*/E", "A", "000", "Z"},
         "*/EA000Z");
    riga("soglieAllarmiAnalogici", soglieAllarmiAnalogici(), {"*/H", "A", "S"}, "*/HAS");
    riga("abilitazioniAllarmiDigitali", abilitazioniAllarmiDigitali("10000001"),
         {"*/H", "DC", "10000001"}, "*/HDC10000001\r\n");
    riga("livelliAllarmiDigitali", livelliAllarmiDigitali("01111110"), {"*/H", "DS", "01111110"},
         "*/HDS01111110\r\n");
    riga("abilitazioniAllarmiAnalogici", abilitazioniAllarmiAnalogici("00000011"),
         {"*/H", "A", "C", "00000011"}, "*/HAC00000011\r\n");
    riga("tempoRele", tempoRele("7"), {"*/T", "7"}, "*/T7\r\n");
}

void TestProtocollo::comandi()
{
    QFETCH(Comando, comando);
    QFETCH(QStringList, pezzi);
    QFETCH(QString, tcp);
    QCOMPARE(comando.pezziSeriale, pezzi);
    QCOMPARE(comando.tcp, tcp);
    // The serial bytes are the TCP bytes without the line end.
    QString senzaFineRiga = tcp;
    senzaFineRiga.remove(QStringLiteral("\r\n"));
    QCOMPARE(comando.pezziSeriale.join(QString()), senzaFineRiga);
}

void TestProtocollo::campoUnita_data()
{
    QTest::addColumn<int>("unita");
    QTest::addColumn<QString>("campo");
    const char *const campi[] = {"000", "100", "010", "110", "001", "101", "011", "111"};
    for (int unita = 0; unita < 8; ++unita) {
        QTest::addRow("Unità %d", unita + 1) << unita << QString::fromLatin1(campi[unita]);
    }
}

void TestProtocollo::campoUnita()
{
    QFETCH(int, unita);
    QFETCH(QString, campo);
    QCOMPARE(Protocollo::campoUnita(unita), campo);
    QCOMPARE(unitaDaCampo(campo), unita);
}

void TestProtocollo::campoTreCifre()
{
    QCOMPARE(Protocollo::campoTreCifre(0), QStringLiteral("000"));
    QCOMPARE(Protocollo::campoTreCifre(26), QStringLiteral("026"));
    QCOMPARE(Protocollo::campoTreCifre(255), QStringLiteral("255"));
    // Too many digits: only the last three travel.
    QCOMPARE(Protocollo::campoTreCifre(50949), QStringLiteral("949"));
    QCOMPARE(Protocollo::campoTreCifre(QStringLiteral("7")), QStringLiteral("007"));
    QCOMPARE(unitaDaCampo(QStringLiteral("1x0")), -1);
    QCOMPARE(unitaDaCampo(QStringLiteral("10")), -1);
}

void TestProtocollo::stringaFlag()
{
    QCOMPARE(Protocollo::stringaFlag({true, false, false, false, false, false, true, true}),
             QStringLiteral("10000011"));
}

void TestProtocollo::valoreFrame_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("valore");
    QTest::newRow("rele") << "STATO USCITE RELE ->00000001<-" << 8 << "00000001";
    QTest::newRow("corto riempito") << "->101<-" << 8 << "00000101";
    QTest::newRow("lungo: ultimi n") << "->9876543210<-" << 5 << "43210";
    QTest::newRow("analogico") << "CANALE 1 ANALOGICO ->123<-\r\n" << 5 << "00123";
    QTest::newRow("senza segni") << "F?" << 8 << "00000000";
    QTest::newRow("senza fine") << "->255" << 3 << "000";
    QTest::newRow("vuoto") << "" << 3 << "000";
    QTest::newRow("primo frame") << "->011<-\r\n->200<-F?" << 3 << "011";
    // The panel's frame cutting leaves the "-" of a consumed end marker in front.
    QTest::newRow("resto di fine") << "-\r\nUSCITA 2 ->200<-F?" << 3 << "200";
    QTest::newRow("corpo non numerico") << "->X1<-" << 3 << "0X1";
}

void TestProtocollo::valoreFrame()
{
    QFETCH(QString, testo);
    QFETCH(int, n);
    QFETCH(QString, valore);
    QCOMPARE(Protocollo::valoreFrame(testo, n), valore);
}

void TestProtocollo::trovaFrame_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QString>("marcatore");
    QTest::addColumn<QStringList>("frame");
    const QString rele = QStringLiteral("STATO USCITE RELE ->");
    const QString nudo = QStringLiteral("->");
    QTest::newRow("relè") << "\r\nSTATO USCITE RELE ->00010000<-\r\nF?" << rele
                          << QStringList{"STATO USCITE RELE ->00010000<-"};
    // Cut short: the relays must not all read "off".
    QTest::newRow("relè senza fine") << "STATO USCITE RELE ->0001" << rele << QStringList{};
    QTest::newRow("relè troncato, poi un altro")
        << "STATO USCITE RELE ->00STATO USCITE RELE ->11000000<-" << rele
        << QStringList{"STATO USCITE RELE ->11000000<-"};
    QTest::newRow("minuscolo") << "stato uscite rele ->1<-" << rele
                               << QStringList{"stato uscite rele ->1<-"};
    // The bare marker of the analog outputs and the units never takes a frame of a named kind.
    QTest::newRow("nudo: relè, ingressi, analogico saltati")
        << "STATO USCITE RELE ->00010000<- STATO INGRESSI ->10000000<- 1 ANALOGICO ->01234<-"
           " UNITA 02 STATO INGRESSI ->1<- USCITA 1 ->128<-USCITA 2 ->064<-"
        << nudo << QStringList{"->128<-", "->064<-"};
    QTest::newRow("nudo: inizio interrotto") << "-> 12 ->034<-" << nudo
                                             << QStringList{"->034<-"};
    QTest::newRow("nudo: solo continuo") << "STATO INGRESSI ->01010101<-INGRESSO 1 ANALOGICO "
                                            "->00012<-\r\nF?"
                                         << nudo << QStringList{};
}

void TestProtocollo::trovaFrame()
{
    QFETCH(QString, testo);
    QFETCH(QString, marcatore);
    QFETCH(QStringList, frame);
    const QByteArray latino = marcatore.toLatin1();
    QCOMPARE(Protocollo::trovaFrame(testo, QLatin1String(latino), 8), frame);
}

void TestProtocollo::statiCanali_data()
{
    using Stati = std::array<bool, 8>;
    QTest::addColumn<QString>("stato8");
    QTest::addColumn<Stati>("stati");
    QTest::newRow("canale 1") << "00000001" << Stati{true};
    QTest::newRow("canale 8") << "10000000"
                              << Stati{false, false, false, false, false, false, false, true};
    QTest::newRow("zero-filled 101")
        << Protocollo::valoreFrame("->101<-", 8) << Stati{true, false, true};
    QTest::newRow("solo 1 vale") << "2x0a1?01" << Stati{true, false, false, true};
    QTest::newRow("tutti") << "11111111" << Stati{true, true, true, true, true, true, true, true};
}

void TestProtocollo::statiCanali()
{
    using Stati = std::array<bool, 8>;
    QFETCH(QString, stato8);
    QFETCH(Stati, stati);
    QVERIFY(Protocollo::statiCanali(stato8) == stati);
}

void TestProtocollo::modoContinuo()
{
    QVERIFY(
        testoModoContinuo("STATO INGRESSI ->00000000<-\r\nINGRESSO 1 ANALOGICO ->01234<-\r\nF?"));
    QVERIFY(!testoModoContinuo("STATO INGRESSI ->00000000<-\r\nF?"));
    QVERIFY(!testoModoContinuo("CANALE 1 ANALOGICO ->01234<-\r\nF?"));
    // The peripheral inputs frame alone is not continuous output either.
    QVERIFY(!testoModoContinuo(" STATO INGRESSI ->00000000<-\r\nF?"));
}

void TestProtocollo::arrotondamentoRazionale()
{
    using Conversioni::arrotondaPari;
    QCOMPARE(arrotondaPari(5, 2), 2); // 2.5
    QCOMPARE(arrotondaPari(7, 2), 4); // 3.5
    QCOMPARE(arrotondaPari(-5, 2), -2);
    QCOMPARE(arrotondaPari(-7, 2), -4);
    QCOMPARE(arrotondaPari(-4, 3), -1);
    QCOMPARE(arrotondaPari(5, -3), -2);
    QCOMPARE(arrotondaPari(2.5), 2);
    QCOMPARE(arrotondaPari(3.5), 4);
    QCOMPARE(arrotondaPari(-2.5), -2);
    QCOMPARE(arrotondaPari(127.5), 128);
    QCOMPARE(arrotondaPari(2.4999), 2);
}

void TestProtocollo::conversioniScheda()
{
    using namespace Conversioni;
    QCOMPARE(percentualeALivello(50), 128); // 127.5, halves to even
    QCOMPARE(percentualeALivello(90), 230); // 229.5
    QCOMPARE(percentualeALivello(10), 26);  // 25.5
    QCOMPARE(percentualeALivello(20), 51);
    QCOMPARE(percentualeALivello(7), 18); // 17.85
    QCOMPARE(percentualeALivello(100), 255);
    QCOMPARE(percentualeALivello(0), 0);
    QCOMPARE(livelloAPercentuale(255), 100);
    QCOMPARE(livelloAPercentuale(128), 50);
    QCOMPARE(livelloAPercentuale(0), 0);
    // Every percentage survives the round trip through the board level.
    for (int p = 0; p <= 100; ++p) {
        QCOMPARE(livelloAPercentuale(percentualeALivello(p)), p);
    }
    QCOMPARE(impostaUscitaAnalogica(1, percentualeALivello(10)).tcp, QStringLiteral("*/P1026\r\n"));
}

void TestProtocollo::conversioniPeriferica()
{
    using namespace Conversioni;
    QCOMPARE(percentualeALivelloPeriferica(50), 32); // 31.5, the only half
    QCOMPARE(percentualeALivelloPeriferica(100), 63);
    QCOMPARE(percentualeALivelloPeriferica(40), 25); // 25.2
    QCOMPARE(percentualeALivelloPeriferica(7), 4);   // 4.41
    QCOMPARE(percentualeALivelloPeriferica(30), 19); // 18.9
    QCOMPARE(livelloPerifericaAPercentuale(63), 100);
    QCOMPARE(livelloPerifericaAPercentuale(32), 51); // 50.79
    QCOMPARE(livelloPerifericaAPercentuale(0), 0);
    QCOMPARE(impostaAnalogicaUnita(0, 1, percentualeALivelloPeriferica(50)).pezziSeriale.last(),
             QStringLiteral("032"));
}

void TestProtocollo::scalaAnalogico_data()
{
    QTest::addColumn<int>("grezzo");
    QTest::addColumn<double>("minimo");
    QTest::addColumn<double>("massimo");
    QTest::addColumn<qint64>("valore");
    QTest::newRow("-20..50 zero") << 0 << -20.0 << 50.0 << qint64(-20);
    QTest::newRow("-20..50 fondo") << 65535 << -20.0 << 50.0 << qint64(50);
    QTest::newRow("-20..50 meta") << 32768 << -20.0 << 50.0 << qint64(15); // 15.0005
    QTest::newRow("0..100 13107") << 13107 << 0.0 << 100.0 << qint64(20);
    QTest::newRow("0..100 32767") << 32767 << 0.0 << 100.0 << qint64(50); // 49.9992
    QTest::newRow("0..10 9830") << 9830 << 0.0 << 10.0 << qint64(1);      // 1.49996
    QTest::newRow("0..5 45875") << 45875 << 0.0 << 5.0 << qint64(4);      // 3.50004
    QTest::newRow("mezzo pari") << 5 << 0.0 << 32767.5 << qint64(2);      // 2.5 exactly
    QTest::newRow("min uguale max") << 40000 << 7.0 << 7.0 << qint64(7);
    QTest::newRow("scala discendente") << 65535 << 100.0 << 0.0 << qint64(0);
}

void TestProtocollo::scalaAnalogico()
{
    QFETCH(int, grezzo);
    QFETCH(double, minimo);
    QFETCH(double, massimo);
    QFETCH(qint64, valore);
    QCOMPARE(Conversioni::scalaAnalogico(grezzo, minimo, massimo), valore);
}

void TestProtocollo::scalaAnalogicoDaTesto()
{
    const QString corpo =
        Protocollo::valoreFrame(QStringLiteral("CANALE 1 ANALOGICO ->32768<-"), 5);
    QCOMPARE(Conversioni::scalaAnalogico(corpo, QStringLiteral("-20"), QStringLiteral("50")), 15);
    QCOMPARE(Conversioni::scalaAnalogico(QStringLiteral("00000"), QStringLiteral("1,5"),
                                         QStringLiteral("3")),
             2); // 1.5 halves to even
    QVERIFY_THROWS_EXCEPTION(ErroreConversione,
                             Conversioni::scalaAnalogico(QStringLiteral("XXXXX"),
                                                         QStringLiteral("0"), QStringLiteral("1")));
    try {
        Conversioni::scalaAnalogico(QStringLiteral("00001"), QStringLiteral("ERRORE"),
                                    QStringLiteral("1"));
        QFAIL("a range that is not a number must not convert");
    } catch (const ErroreProgramma &errore) {
        QCOMPARE(errore.messaggio(),
                 QStringLiteral("'ERRORE' is not a valid floating point value"));
    }
}

QTEST_GUILESS_MAIN(TestProtocollo)
#include "tst_protocollo.moc"
