// The simulated board without transport: command cutting and replies.
#include "LettoreComandi.h"
#include "SchedaSimulata.h"

#include "protocol/LettoreRisposte.h"
#include "protocol/Protocollo.h"

#include <QTest>

using namespace Protocollo;

namespace {

QList<Comando> tuttiIComandi()
{
    return {continuo(),
            statoRele(),
            operaRele(3),
            resetRele(),
            statoIngressi(),
            letturaAnalogici(),
            statoUsciteAnalogiche(),
            impostaUscitaAnalogica(2, 230),
            resetUsciteAnalogiche(),
            statoUsciteUnita(5),
            operaUscitaUnita(1, 8),
            resetUsciteUnita(7),
            resetUsciteTutteUnita(),
            statoIngressiUnita(6),
            statoAnalogicheUnita(3),
            impostaAnalogicaUnita(4, 2, 63),
            resetAnalogicheUnita(2),
            resetAnalogicheTutteUnita(),
            abilitazioniAllarmiDigitali(QStringLiteral("10101010")),
            livelliAllarmiDigitali(QStringLiteral("11110000")),
            abilitazioniAllarmiAnalogici(QStringLiteral("00000001")),
            tempoRele(QStringLiteral("9"))};
}

QByteArray byte(const QString &testo)
{
    return testo.toLatin1();
}

// The eight states of a digital reply, channel 1 first.
std::array<bool, 8> stati(const char *otto)
{
    std::array<bool, 8> esito{};
    for (int i = 0; i < 8; ++i) {
        esito[i] = otto[i] == '1';
    }
    return esito;
}

// The board's answer to `comando` as the panel's reader takes it; every frame must be whole.
Risposta leggi(SchedaSimulata &scheda, const QString &comando, TipoRisposta tipo, int unita = -1)
{
    const Risposta risposta = LettoreRisposte::leggi(scheda.esegui(comando), tipo, unita);
    if (!risposta.completa() || !risposta.rigorosa) {
        QTest::qFail(qPrintable(QStringLiteral("reply to %1 not whole").arg(comando)), __FILE__,
                     __LINE__);
    }
    return risposta;
}

} // namespace

class TestSimulatoreComandi : public QObject
{
    Q_OBJECT

private slots:
    void ogniComandoSiChiudeDaSolo();
    void risincronizzazione();
    void soglieInPezzi();
    void rele();
    void usciteAnalogiche();
    void unita();
    void allarmiETempo();
    void risposteNonSembranoContinue();
    void bloccoContinuo();
    void corpoNonNumerico();
};

void TestSimulatoreComandi::ogniComandoSiChiudeDaSolo()
{
    // TCP: one character at a time with line ends; serial: the pieces, no line end. Each must
    // be recognised exactly when its last character arrives.
    for (const Comando &comando : tuttiIComandi()) {
        const QString atteso = comando.pezziSeriale.join(QString());
        LettoreComandi tcp;
        QStringList trovati;
        for (const QChar c : comando.tcp) {
            const QStringList nuovi = tcp.aggiungi(byte(QString(c)));
            if (!nuovi.isEmpty()) {
                QVERIFY2(trovati.isEmpty(), qPrintable(atteso));
                trovati << nuovi;
            }
        }
        QCOMPARE(trovati, QStringList{atteso});
        QVERIFY(!tcp.isInCorso());

        LettoreComandi seriale;
        for (int i = 0; i < comando.pezziSeriale.size(); ++i) {
            const QStringList nuovi = seriale.aggiungi(byte(comando.pezziSeriale.at(i)));
            const bool ultimo = i == comando.pezziSeriale.size() - 1;
            QCOMPARE(nuovi, ultimo ? QStringList{atteso} : QStringList());
        }
    }
    // Back to back in one write, as a fast writer would send them.
    LettoreComandi insieme;
    QCOMPARE(insieme.aggiungi("*/EA000Z*/R5*/ERZ\r\n*/I"),
             QStringList({"*/EA000Z", "*/R5", "*/ERZ", "*/I"}));
}

void TestSimulatoreComandi::risincronizzazione()
{
    LettoreComandi lettore;
    QCOMPARE(lettore.aggiungi("rumore*/Q*/R9*/X"), QStringList());
    QVERIFY(lettore.isInCorso() == false);
    QCOMPARE(lettore.aggiungi("**/R3"), QStringList{"*/R3"});
    // A command cut short by the start of another is dropped.
    QCOMPARE(lettore.aggiungi("*/ER10*/RS"), QStringList{"*/RS"});
    QCOMPARE(lettore.aggiungi("*/P1"), QStringList());
    QVERIFY(lettore.isInCorso());
    QCOMPARE(lettore.aggiungi("2"), QStringList());
    QCOMPARE(lettore.aggiungi("5\r\n5"), QStringList{"*/P1255"});
    lettore.aggiungi("*/HDC0101");
    lettore.azzera();
    QCOMPARE(lettore.aggiungi("0101"), QStringList());
}

void TestSimulatoreComandi::soglieInPezzi()
{
    LettoreComandi lettore;
    QStringList trovati = lettore.aggiungi("*/H");
    trovati << lettore.aggiungi("A") << lettore.aggiungi("S");
    for (int i = 0; i < 16; ++i) {
        QVERIFY(trovati.isEmpty());
        trovati << lettore.aggiungi(byte(campoTreCifre(i * 10)));
    }
    QCOMPARE(trovati.size(), 1);
    QVERIFY(trovati.first().startsWith(QLatin1String("*/HAS000010020")));
    QCOMPARE(trovati.first().size(), 5 + 48);
}

void TestSimulatoreComandi::rele()
{
    SchedaSimulata scheda;
    QCOMPARE(scheda.esegui("*/R1"), QString());
    QCOMPARE(scheda.esegui("*/R8"), QString());
    QCOMPARE(scheda.esegui("*/RS"), QStringLiteral("STATO USCITE RELE ->10000001<-"));
    QCOMPARE(leggi(scheda, "*/RS", TipoRisposta::Rele).stati, stati("10000001"));
    // Operating toggles, reset clears them all.
    scheda.esegui("*/R1");
    QCOMPARE(leggi(scheda, "*/RS", TipoRisposta::Rele).stati, stati("00000001"));
    scheda.esegui("*/R0");
    QCOMPARE(leggi(scheda, "*/RS", TipoRisposta::Rele).stati, stati("00000000"));
}

void TestSimulatoreComandi::usciteAnalogiche()
{
    SchedaSimulata scheda;
    scheda.esegui("*/P1128");
    scheda.esegui("*/P2999");
    const Risposta uscite = leggi(scheda, "*/PS", TipoRisposta::UsciteAnalogiche);
    QCOMPARE(uscite.frameTrovati, 2);
    QCOMPARE(uscite.valori, (QList<int>{128, 255}));
    scheda.esegui("*/P0");
    QCOMPARE(scheda.stato().usciteAnalogiche, (std::array<int, 2>{0, 0}));
}

void TestSimulatoreComandi::unita()
{
    SchedaSimulata scheda;
    scheda.esegui(operaUscitaUnita(4, 2).pezziSeriale.join(QString()));
    QVERIFY(scheda.stato().unita[4].uscite[1]);
    const QString stato = statoUsciteUnita(4).pezziSeriale.join(QString());
    QCOMPARE(leggi(scheda, stato, TipoRisposta::UsciteUnita, 4).stati, stati("01000000"));
    scheda.esegui(operaUscitaUnita(1, 1).pezziSeriale.join(QString()));
    scheda.esegui("*/ER0010");
    QVERIFY(!scheda.stato().unita[4].uscite[1]);
    QVERIFY(scheda.stato().unita[1].uscite[0]);
    scheda.esegui("*/ERZ");
    QVERIFY(!scheda.stato().unita[1].uscite[0]);

    scheda.stato().unita[6].ingressi = {true, false, false, false, false, false, false, true};
    QVERIFY(scheda.esegui("*/EI011").startsWith(InizioIngressiUnita));
    QCOMPARE(leggi(scheda, "*/EI011", TipoRisposta::IngressiUnita, 6).stati, stati("10000001"));

    scheda.esegui("*/EA1003063");
    scheda.esegui("*/EA1008070");
    const Risposta canali = leggi(scheda, "*/EA100S", TipoRisposta::CanaliUnita, 1);
    QCOMPARE(canali.frameTrovati, 8);
    QCOMPARE(canali.valori.at(2), 63);
    QCOMPARE(canali.valori.at(7), 63); // kept within 0..63
    scheda.esegui("*/EA000Z");
    QCOMPARE(scheda.stato().unita[1].analogiche[2], 0);
}

void TestSimulatoreComandi::allarmiETempo()
{
    SchedaSimulata scheda;
    scheda.esegui("*/HDC10000001");
    scheda.esegui("*/HDS01111110");
    scheda.esegui("*/HAC00000011");
    QString soglie;
    for (int i = 0; i < 16; ++i) {
        soglie += campoTreCifre(i % 2 == 0 ? i : 255 - i);
    }
    QCOMPARE(scheda.esegui("*/HAS" + soglie), QString());
    scheda.esegui("*/T4");
    const StatoScheda &stato = scheda.stato();
    QCOMPARE(stato.abilitazioniDigitali, QStringLiteral("10000001"));
    QCOMPARE(stato.livelliDigitali, QStringLiteral("01111110"));
    QCOMPARE(stato.abilitazioniAnalogiche, QStringLiteral("00000011"));
    QCOMPARE(stato.soglieAnalogiche.size(), 16);
    QCOMPARE(stato.soglieAnalogiche.first(), QStringLiteral("000"));
    QCOMPARE(stato.soglieAnalogiche.at(1), QStringLiteral("254"));
    QCOMPARE(stato.soglieAnalogiche.last(), QStringLiteral("240"));
    QCOMPARE(stato.tempoRele, QStringLiteral("4"));
}

void TestSimulatoreComandi::risposteNonSembranoContinue()
{
    // Every reply between two prompts must read as normal mode to the panel.
    SchedaSimulata scheda;
    for (const Comando &comando : tuttiIComandi()) {
        const QString risposta = scheda.esegui(comando.pezziSeriale.join(QString()));
        QVERIFY2(!LettoreRisposte::isGiroContinuo(risposta + Pronto), qPrintable(risposta));
    }
    // The analog inputs reply: eight frames that the panel reads in order.
    scheda.stato().ingressiAnalogici = {0, 1, 2, 3, 4, 5, 6, 65535};
    const Risposta letture = leggi(scheda, "*/A", TipoRisposta::IngressiAnalogici);
    QCOMPARE(letture.frameTrovati, 8);
    QCOMPARE(letture.valori, (QList<int>{0, 1, 2, 3, 4, 5, 6, 65535}));
}

void TestSimulatoreComandi::bloccoContinuo()
{
    SchedaSimulata scheda;
    scheda.stato().ingressi = {false, true, false, false, false, false, false, false};
    scheda.stato().ingressiAnalogici[0] = 4321;
    const QString blocco = scheda.bloccoContinuo();
    QVERIFY(LettoreRisposte::isGiroContinuo(blocco));
    // The inputs frame first, then the eight readings.
    QVERIFY(blocco.startsWith(InizioIngressi));
    const GiroContinuo giro = LettoreRisposte::leggiGiro(blocco);
    QVERIFY(giro.ingressi.completa() && giro.ingressi.rigorosa);
    QCOMPARE(giro.ingressi.stati, stati("01000000"));
    QVERIFY(giro.analogici.completa() && giro.analogici.rigorosa);
    QCOMPARE(giro.analogici.valori.size(), 8);
    QCOMPARE(giro.analogici.valori.first(), 4321);

    QCOMPARE(scheda.esegui("*/C"), QString());
    QVERIFY(scheda.stato().continuo);
    scheda.esegui("*/C");
    QVERIFY(!scheda.stato().continuo);
}

void TestSimulatoreComandi::corpoNonNumerico()
{
    SchedaSimulata scheda;
    scheda.setCorpoNonNumerico(true);
    // The panel's reader finds the frames and finds them not numbers.
    const auto nonNumerico = [&scheda](const QString &comando, TipoRisposta tipo) {
        const Risposta r = LettoreRisposte::leggi(scheda.esegui(comando), tipo, 0);
        return r.trovata() && !r.errore.isEmpty();
    };
    QVERIFY(nonNumerico(QStringLiteral("*/A"), TipoRisposta::IngressiAnalogici));
    QVERIFY(nonNumerico(QStringLiteral("*/PS"), TipoRisposta::UsciteAnalogiche));
    QVERIFY(nonNumerico(QStringLiteral("*/EA000S"), TipoRisposta::CanaliUnita));
    // Digital bodies stay as they are.
    const Risposta rele = leggi(scheda, "*/RS", TipoRisposta::Rele);
    QVERIFY(rele.completa() && rele.rigorosa);
    QCOMPARE(rele.stati, stati("00000000"));
}

QTEST_GUILESS_MAIN(TestSimulatoreComandi)
#include "tst_simulatore_comandi.moc"
