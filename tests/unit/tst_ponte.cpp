// The bridge's pure parts: topics, command payloads, reply frames, publication deadband,
// settings.
#include "ponte/AnnunciHomeAssistant.h"
#include "ponte/ArgomentiMqtt.h"
#include "ponte/ComandoMqtt.h"
#include "ponte/ImpostazioniPonte.h"
#include "ponte/LatoScheda.h"
#include "ponte/RichiestaPannello.h"
#include "ponte/StatiPubblicati.h"
#include "ponte/ValoreAnalogico.h"
#include "protocol/LettoreRisposte.h"

#include <QFile>
#include <QJsonDocument>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(std::optional<Punto>)

class TestPonte : public QObject
{
    Q_OBJECT

private slots:
    void comandoDaArgomento_data();
    void comandoDaArgomento();
    void payload_data();
    void payload();
    void frameDigitali();
    void frameNumerici();
    void bloccoContinuo();
    void bandaAnalogica();
    void impostazioni();
    void filePassword();
    void richiesteUnite_data();
    void richiesteUnite();
    void interiAscii_data();
    void interiAscii();
    void nomeTagliato_data();
    void nomeTagliato();
    void valoriAnalogici_data();
    void valoriAnalogici();
    void unitaHomeAssistant();
    void richiestaPannello_data();
    void richiestaPannello();
};

void TestPonte::comandoDaArgomento_data()
{
    using T = Punto::Tipo;
    QTest::addColumn<QString>("argomento");
    QTest::addColumn<std::optional<Punto>>("atteso");
    const std::optional<Punto> nessuno;
    QTest::newRow("rele 5") << "brivola/s1/rele/5/set" << std::optional(Punto{T::Rele, 0, 5});
    QTest::newRow("uscita analogica 2")
        << "brivola/s1/uscita_analogica/2/set" << std::optional(Punto{T::UscitaAnalogica, 0, 2});
    QTest::newRow("uscita unita 8")
        << "brivola/s1/unita/8/uscita/1/set" << std::optional(Punto{T::UscitaUnita, 8, 1});
    QTest::newRow("canale unita") << "brivola/s1/unita/2/canale/8/set"
                                  << std::optional(Punto{T::CanaleUnita, 2, 8});
    QTest::newRow("rele 0") << "brivola/s1/rele/0/set" << nessuno;
    QTest::newRow("rele 9") << "brivola/s1/rele/9/set" << nessuno;
    QTest::newRow("rele 05") << "brivola/s1/rele/05/set" << nessuno;
    QTest::newRow("rele 5 arabo") << QStringLiteral("brivola/s1/rele/\u0665/set") << nessuno;
    QTest::newRow("unita 2 arabo")
        << QStringLiteral("brivola/s1/unita/\u0662/uscita/1/set") << nessuno;
    QTest::newRow("uscita analogica 3") << "brivola/s1/uscita_analogica/3/set" << nessuno;
    QTest::newRow("ingresso") << "brivola/s1/ingresso/1/set" << nessuno;
    QTest::newRow("ingresso unita") << "brivola/s1/unita/2/ingresso/1/set" << nessuno;
    QTest::newRow("unita 9") << "brivola/s1/unita/9/uscita/1/set" << nessuno;
    QTest::newRow("altro id") << "brivola/s2/rele/5/set" << nessuno;
    QTest::newRow("stato") << "brivola/s1/rele/5" << nessuno;
    QTest::newRow("livello in piu") << "brivola/s1/rele/5/x/set" << nessuno;
}

void TestPonte::comandoDaArgomento()
{
    QFETCH(QString, argomento);
    QFETCH(std::optional<Punto>, atteso);
    const ArgomentiMqtt argomenti(QStringLiteral("brivola"), QStringLiteral("s1"),
                                  QStringLiteral("homeassistant"));
    const std::optional<Punto> punto = argomenti.puntoDaComando(argomento);
    QCOMPARE(punto.has_value(), atteso.has_value());
    if (atteso) {
        QVERIFY(*punto == *atteso);
        // The state topic is the command topic without its "/set".
        QCOMPARE(argomenti.comando(*punto), argomento);
    }
}

void TestPonte::payload_data()
{
    using A = RichiestaComando::Azione;
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("azione"); // -1: refused
    QTest::addColumn<int>("percentuale");
    QTest::newRow("ON") << int(Punto::Tipo::Rele) << QByteArray("ON") << int(A::Accendi) << 0;
    QTest::newRow("off con spazi")
        << int(Punto::Tipo::Rele) << QByteArray(" off\n") << int(A::Spegni) << 0;
    QTest::newRow("TOGGLE") << int(Punto::Tipo::Rele) << QByteArray("TOGGLE") << int(A::Commuta)
                            << 0;
    QTest::newRow("1 su un rele") << int(Punto::Tipo::Rele) << QByteArray("1") << -1 << 0;
    QTest::newRow("vuoto") << int(Punto::Tipo::Rele) << QByteArray() << -1 << 0;
    QTest::newRow("1 MB") << int(Punto::Tipo::Rele) << QByteArray(1 << 20, 'O') << -1 << 0;
    QTest::newRow("UTF-8 non valido")
        << int(Punto::Tipo::Rele) << QByteArray("O\xff\xfeN") << -1 << 0;
    QTest::newRow("0") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("0") << int(A::Valore)
                       << 0;
    QTest::newRow("100") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("100") << int(A::Valore)
                         << 100;
    QTest::newRow("50.5 al pari") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("50.5")
                                  << int(A::Valore) << 50;
    QTest::newRow("51.5 al pari") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("51.5")
                                  << int(A::Valore) << 52;
    QTest::newRow("-1") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("-1") << -1 << 0;
    QTest::newRow("101") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("101") << -1 << 0;
    QTest::newRow("100.4") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("100.4") << -1 << 0;
    QTest::newRow("1e309") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("1e309") << -1 << 0;
    QTest::newRow("nan") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("nan") << -1 << 0;
    QTest::newRow("ON su un analogico")
        << int(Punto::Tipo::UscitaAnalogica) << QByteArray("ON") << -1 << 0;
    QTest::newRow("UTF-8 non valido numerico")
        << int(Punto::Tipo::UscitaAnalogica) << QByteArray("5\xc0") << -1 << 0;
    QTest::newRow("esadecimale") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("0x10") << -1
                                 << 0;
    QTest::newRow("cifra araba") << int(Punto::Tipo::UscitaAnalogica) << QByteArray("\xd9\xa5")
                                 << -1 << 0;
    const int canale = int(Punto::Tipo::CanaleUnita);
    QTest::newRow("canale 63") << canale << QByteArray("63") << int(A::Valore) << 63;
    QTest::newRow("canale 7") << canale << QByteArray("7") << int(A::Valore) << 7;
    QTest::newRow("canale 62.5 al pari") << canale << QByteArray("62.5") << int(A::Valore) << 62;
    QTest::newRow("canale 63.4") << canale << QByteArray("63.4") << -1 << 0;
    QTest::newRow("canale 64") << canale << QByteArray("64") << -1 << 0;
    QTest::newRow("canale 100") << canale << QByteArray("100") << -1 << 0;
}

void TestPonte::payload()
{
    QFETCH(int, tipo);
    QFETCH(QByteArray, payload);
    QFETCH(int, azione);
    QFETCH(int, percentuale);
    const Punto punto{Punto::Tipo(tipo), 1, 1};
    const InterpretazioneComando esito = interpretaComando(punto, payload);
    if (azione < 0) {
        QVERIFY(!esito.richiesta);
        QVERIFY2(!esito.motivo.isEmpty(), "a refusal always says why");
        return;
    }
    QVERIFY2(esito.richiesta, qPrintable(esito.motivo));
    QCOMPARE(int(esito.richiesta->azione), azione);
    QCOMPARE(esito.richiesta->valore, percentuale);
}

void TestPonte::frameDigitali()
{
    const auto rele = [](const QString &testo) {
        return LettoreRisposte::leggi(testo, TipoRisposta::Rele);
    };
    const Risposta stati = rele(QStringLiteral("\r\nSTATO USCITE RELE ->00010001<-\r\n"));
    QVERIFY(LatoScheda::isPubblicabile(stati));
    // Relay 1 is the rightmost character.
    QCOMPARE(stati.stati,
             (std::array<bool, 8>{true, false, false, false, true, false, false, false}));
    // The panel would read a short body as zero-filled; the bridge publishes nothing.
    QVERIFY(!LatoScheda::isPubblicabile(rele(QStringLiteral("STATO USCITE RELE ->101<-"))));
    QVERIFY(!LatoScheda::isPubblicabile(rele(QStringLiteral("STATO USCITE RELE ->00010001"))));
    // A peripheral inputs reply is not the board's relays.
    QVERIFY(!LatoScheda::isPubblicabile(rele(QStringLiteral(" STATO INGRESSI ->00000001<-"))));
    // Only the last eight characters count.
    const Risposta unita =
        LettoreRisposte::leggi(QStringLiteral("->x10000000<-"), TipoRisposta::UsciteUnita, 1);
    QVERIFY(LatoScheda::isPubblicabile(unita));
    QCOMPARE(unita.stati.at(7), true);
}

void TestPonte::frameNumerici()
{
    const auto uscite = [](const QString &testo) {
        return LettoreRisposte::leggi(testo, TipoRisposta::UsciteAnalogiche);
    };
    const Risposta due = uscite(QStringLiteral("USCITA 1 ->128<-\r\nUSCITA 2 ->255<-\r\n"));
    QVERIFY(LatoScheda::isPubblicabile(due));
    QCOMPARE(due.valori, (QList<int>{128, 255}));
    QVERIFY2(!LatoScheda::isPubblicabile(uscite(QStringLiteral("USCITA 1 ->128<-\r\n"))),
             "a missing frame gives nothing, not a zero");
    QVERIFY(!LatoScheda::isPubblicabile(uscite(QStringLiteral("->12X<-->001<-"))));
    QVERIFY(!LatoScheda::isPubblicabile(uscite(QStringLiteral("-><-->001<-"))));
    QVERIFY2(!LatoScheda::isPubblicabile(uscite(QStringLiteral("->1234<-->001<-"))),
             "more digits than the field holds");
    QCOMPARE(uscite(QStringLiteral("->7<-->0<-")).valori, (QList<int>{7, 0}));
    QVERIFY(LatoScheda::isPubblicabile(uscite(QStringLiteral("->7<-->0<-"))));

    // A number the field holds but the board never sends: each kind up to its own maximum.
    QVERIFY(!LatoScheda::isPubblicabile(uscite(QStringLiteral("->256<-->0<-"))));
    const auto otto = [](TipoRisposta tipo, const QString &marcatore, int valore) {
        QString testo;
        for (int i = 0; i < 8; ++i) {
            testo += marcatore + QString::number(i == 7 ? valore : 0) + QStringLiteral("<-\r\n");
        }
        return LatoScheda::isPubblicabile(LettoreRisposte::leggi(testo, tipo, 0));
    };
    const QString analogico = QStringLiteral("INGRESSO ANALOGICO ->");
    QVERIFY(otto(TipoRisposta::IngressiAnalogici, analogico, 65535));
    QVERIFY(!otto(TipoRisposta::IngressiAnalogici, analogico, 65536));
    QVERIFY(otto(TipoRisposta::CanaliUnita, QStringLiteral("->"), 63));
    QVERIFY(!otto(TipoRisposta::CanaliUnita, QStringLiteral("->"), 64));
}

void TestPonte::bloccoContinuo()
{
    QString testo = QStringLiteral("STATO INGRESSI ->10000001<-\r\n");
    for (int i = 1; i <= 8; ++i) {
        testo += QStringLiteral("INGRESSO %1 ANALOGICO ->%2<-\r\n")
                     .arg(i)
                     .arg(i * 1000, 5, 10, QLatin1Char('0'));
    }
    QVERIFY(LettoreRisposte::isGiroContinuo(testo));
    const GiroContinuo giro = LettoreRisposte::leggiGiro(testo);
    QVERIFY(LatoScheda::isPubblicabile(giro));
    QVERIFY(giro.ingressi.stati[0] && giro.ingressi.stati[7] && !giro.ingressi.stati[1]);
    QCOMPARE(giro.analogici.valori.value(0), 1000);
    QCOMPARE(giro.analogici.valori.value(7), 8000);
    // One analog frame short: nothing, though the text reads as continuous output.
    testo.truncate(testo.lastIndexOf(QStringLiteral("INGRESSO 8")));
    QVERIFY(LettoreRisposte::isGiroContinuo(testo));
    QVERIFY(!LatoScheda::isPubblicabile(LettoreRisposte::leggiGiro(testo)));
    // A plain digital inputs reply is no continuous output.
    QVERIFY(!LettoreRisposte::isGiroContinuo(QStringLiteral("STATO INGRESSI ->10000001<-")));
}

void TestPonte::bandaAnalogica()
{
    StatiPubblicati stati;
    const int banda = StatiPubblicati::BandaAnalogica;
    const QString a = QStringLiteral("x/analogico/1");
    QVERIFY(stati.aggiorna(a, QStringLiteral("20"), 30000, banda));
    QVERIFY2(!stati.aggiorna(a, QStringLiteral("20"), 40000, banda), "same value: nothing new");
    // The shown value flickers on noise: within the band it is not published.
    QVERIFY(!stati.aggiorna(a, QStringLiteral("21"), 30000 + banda - 1, banda));
    QVERIFY(stati.aggiorna(a, QStringLiteral("21"), 30000 + banda, banda));
    // The band counts from the last publication, downwards too.
    QVERIFY(!stati.aggiorna(a, QStringLiteral("20"), 30000 + 1, banda));
    QVERIFY(stati.aggiorna(a, QStringLiteral("20"), 30000, banda));
    // Digital states have no band.
    QVERIFY(stati.aggiorna(QStringLiteral("x/rele/1"), QStringLiteral("ON")));
    QVERIFY(!stati.aggiorna(QStringLiteral("x/rele/1"), QStringLiteral("ON")));
    QVERIFY(stati.aggiorna(QStringLiteral("x/rele/1"), QStringLiteral("OFF")));
    stati.dimentica(a);
    QVERIFY(stati.aggiorna(a, QStringLiteral("20"), 30000, banda));
    QCOMPARE(stati.tutti().size(), 2);
}

namespace {

void scrivi(const QString &percorso, const QByteArray &testo)
{
    QFile file(percorso);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(testo);
}

} // namespace

void TestPonte::impostazioni()
{
    QTemporaryDir cartella;
    // No file: every default.
    LetturaImpostazioniPonte lettura = leggiImpostazioniPonte(cartella.path());
    QVERIFY(lettura.errore.isEmpty());
    QCOMPARE(lettura.impostazioni.host, QStringLiteral("127.0.0.1"));
    QCOMPARE(lettura.impostazioni.porta, 1883);
    QCOMPARE(lettura.impostazioni.idClient(), QStringLiteral("brivola-scheda1"));
    QCOMPARE(lettura.impostazioni.periodoS, 30);
    QCOMPARE(lettura.impostazioni.silenzioS, 10);
    QVERIFY(lettura.impostazioni.continuo && lettura.impostazioni.discovery);
    QVERIFY(lettura.impostazioni.unita.isEmpty());

    const QString file = cartella.filePath(QStringLiteral("Ponte.INI"));
    scrivi(file, "[mqtt]\nhost=broker.lan\nPorta=8883\nId=cantina-2\nUnita= 3, 1,3\n"
                 "Continuo=0\nPeriodo=5\n");
    lettura = leggiImpostazioniPonte(cartella.path());
    QVERIFY2(lettura.errore.isEmpty(), qPrintable(lettura.errore));
    QCOMPARE(lettura.impostazioni.host, QStringLiteral("broker.lan"));
    QCOMPARE(lettura.impostazioni.porta, 8883);
    QCOMPARE(lettura.impostazioni.idClient(), QStringLiteral("brivola-cantina-2"));
    QCOMPARE(lettura.impostazioni.unita, (QList<int>{1, 3}));
    QVERIFY(!lettura.impostazioni.continuo);
    QCOMPARE(lettura.impostazioni.periodoS, 5);

    // Each of these makes the settings unusable, and the error names the key.
    const QList<QPair<QByteArray, QString>> sbagliati = {
        {"[MQTT]\nPorta=0\n", QStringLiteral("Porta")},
        {"[MQTT]\nPorta=http\n", QStringLiteral("Porta")},
        {"[MQTT]\nId=scheda/1\n", QStringLiteral("Id")},
        {"[MQTT]\nPrefisso=a+b\n", QStringLiteral("Prefisso")},
        {"[MQTT]\nId=scheda\xc3\xa8\n", QStringLiteral("Id")},
        {"[MQTT]\nUnita=0,2\n", QStringLiteral("Unita")},
        {"[MQTT]\nDiscovery=si\n", QStringLiteral("Discovery")},
        {"[MQTT]\nPeriodo=0\n", QStringLiteral("Periodo")},
    };
    for (const auto &[testo, chiave] : sbagliati) {
        scrivi(file, testo);
        lettura = leggiImpostazioniPonte(cartella.path());
        QVERIFY2(lettura.errore.contains(chiave), testo.constData());
    }
}

void TestPonte::filePassword()
{
    QTemporaryDir cartella;
    const QString password = cartella.filePath(QStringLiteral("password"));
    scrivi(password, "segreta\n");
    scrivi(cartella.filePath(QStringLiteral("Ponte.INI")),
           "[MQTT]\nUtente=ponte\nFilePassword=" + password.toUtf8() + "\n");

    QFile::setPermissions(password, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    LetturaImpostazioniPonte lettura = leggiImpostazioniPonte(cartella.path());
    QVERIFY(lettura.errore.contains(QStringLiteral("leggibile da altri")));
    QVERIFY(lettura.impostazioni.password.isEmpty());

    QFile::setPermissions(password, QFile::ReadOwner | QFile::WriteOwner);
    lettura = leggiImpostazioniPonte(cartella.path());
    QVERIFY2(lettura.errore.isEmpty(), qPrintable(lettura.errore));
    QCOMPARE(lettura.impostazioni.password, QStringLiteral("segreta"));

    QFile::remove(password);
    QVERIFY(
        leggiImpostazioniPonte(cartella.path()).errore.contains(QStringLiteral("FilePassword")));
}

void TestPonte::richiesteUnite_data()
{
    using A = RichiestaComando::Azione;
    QTest::addColumn<int>("prima");
    QTest::addColumn<int>("poi");
    QTest::addColumn<int>("atteso");
    QTest::newRow("ON poi OFF") << int(A::Accendi) << int(A::Spegni) << int(A::Spegni);
    QTest::newRow("TOGGLE poi ON") << int(A::Commuta) << int(A::Accendi) << int(A::Accendi);
    QTest::newRow("ON poi TOGGLE") << int(A::Accendi) << int(A::Commuta) << int(A::Spegni);
    QTest::newRow("OFF poi TOGGLE") << int(A::Spegni) << int(A::Commuta) << int(A::Accendi);
    QTest::newRow("TOGGLE poi TOGGLE") << int(A::Commuta) << int(A::Commuta) << int(A::Lascia);
    QTest::newRow("tre TOGGLE") << int(A::Lascia) << int(A::Commuta) << int(A::Commuta);
}

void TestPonte::richiesteUnite()
{
    QFETCH(int, prima);
    QFETCH(int, poi);
    QFETCH(int, atteso);
    using A = RichiestaComando::Azione;
    const RichiestaComando unita =
        unisciRichieste(RichiestaComando{A(prima), 0}, RichiestaComando{A(poi), 0});
    QCOMPARE(int(unita.azione), atteso);
    // A level: the latest wins.
    QCOMPARE(unisciRichieste({A::Valore, 20}, {A::Valore, 70}).valore, 70);
}

void TestPonte::interiAscii_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<int>("atteso"); // -1: refused
    QTest::newRow("1883") << "1883" << 1883;
    QTest::newRow("65535") << "65535" << 65535;
    QTest::newRow("65536") << "65536" << -1;
    QTest::newRow("99999") << "99999" << -1;
    QTest::newRow("0") << "0" << -1;
    QTest::newRow("abc") << "abc" << -1;
    QTest::newRow("segno") << "+80" << -1;
    QTest::newRow("spazio") << "8 0" << -1;
    QTest::newRow("vuoto") << "" << -1;
    QTest::newRow("cifra araba") << QStringLiteral("\u0665") << -1;
    QTest::newRow("cifre a tutta larghezza") << QStringLiteral("\uff18\uff10") << -1;
    QTest::newRow("troppe cifre") << "00000000001883" << -1;
}

void TestPonte::interiAscii()
{
    QFETCH(QString, testo);
    QFETCH(int, atteso);
    const std::optional<int> letto = interoAscii(testo, 1, 65535);
    QCOMPARE(letto.value_or(-1), atteso);
}

void TestPonte::nomeTagliato_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("atteso");
    const QString a99(99, QLatin1Char('a'));
    QTest::newRow("emoji sul taglio") << a99 + QStringLiteral("\U0001F600") << a99;
    QTest::newRow("accento combinato sul taglio") << a99 + QStringLiteral("e\u0301") << a99;
    QTest::newRow("bandiera sul taglio")
        << QString(98, QLatin1Char('a')) + QStringLiteral("\U0001F1EE\U0001F1F9")
        << QString(98, QLatin1Char('a'));
    QTest::newRow("cento lettere e una") << a99 + QStringLiteral("bc") << a99 + QStringLiteral("b");
    QString emoji;
    for (int i = 0; i < 50; ++i) {
        emoji += QStringLiteral("\U0001F600");
    }
    QTest::newRow("cinquanta emoji intere") << emoji << emoji;
}

void TestPonte::nomeTagliato()
{
    QFETCH(QString, nome);
    QFETCH(QString, atteso);
    const ArgomentiMqtt argomenti(QStringLiteral("brivola"), QStringLiteral("s1"),
                                  QStringLiteral("homeassistant"));
    const AnnunciHomeAssistant annunci(argomenti, QStringLiteral("1"));
    ValoriConfigurazione configurazione;
    configurazione.nomiUD[0] = nome;
    const QByteArray payload = annunci.annunci(configurazione, {}).at(0).payload;
    // Valid UTF-8 throughout, as strict JSON readers want it.
    QStringDecoder decodifica(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString testo = decodifica(payload);
    QVERIFY(!decodifica.hasError());
    QVERIFY(!testo.contains(QChar::ReplacementCharacter));
    QJsonParseError errore;
    const QJsonDocument documento = QJsonDocument::fromJson(payload, &errore);
    QCOMPARE(errore.error, QJsonParseError::NoError);
    const QString letto =
        documento[QStringLiteral("components")][QStringLiteral("rele_1")][QStringLiteral("name")]
            .toString();
    QCOMPARE(letto, atteso);
}

void TestPonte::valoriAnalogici_data()
{
    QTest::addColumn<int>("grezzo");
    QTest::addColumn<double>("minimo");
    QTest::addColumn<double>("massimo");
    QTest::addColumn<QString>("atteso");
    QTest::newRow("0..5 V a meta") << 32768 << 0.0 << 5.0 << "2.5000";
    QTest::newRow("0..5 V un conteggio") << 1 << 0.0 << 5.0 << "0.0001";
    QTest::newRow("-20..50 in fondo") << 0 << -20.0 << 50.0 << "-20.00";
    QTest::newRow("-20..50 zero senza segno") << 18724 << -20.0 << 50.0 << "0.00";
    QTest::newRow("0..100 in cima") << 65535 << 0.0 << 100.0 << "100.00";
    QTest::newRow("0..65535 intero") << 1234 << 0.0 << 65535.0 << "1234";
    QTest::newRow("0..1000000 intero") << 65535 << 0.0 << 1e6 << "1000000";
    QTest::newRow("al contrario 100..0") << 65535 << 100.0 << 0.0 << "0.00";
    QTest::newRow("intervallo nullo") << 500 << 7.0 << 7.0 << "7";
}

void TestPonte::valoriAnalogici()
{
    QFETCH(int, grezzo);
    QFETCH(double, minimo);
    QFETCH(double, massimo);
    QFETCH(QString, atteso);
    QCOMPARE(ValoreAnalogico::testo(grezzo, minimo, massimo), atteso);
}

void TestPonte::unitaHomeAssistant()
{
    using ValoreAnalogico::unitaHomeAssistant;
    const QList<std::tuple<QString, QString, QString>> casi = {
        {QStringLiteral("°C"), QStringLiteral("°C"), QStringLiteral("temperature")},
        {QStringLiteral("Km/h"), QStringLiteral("km/h"), QStringLiteral("speed")},
        {QStringLiteral("VDC"), QStringLiteral("V"), QStringLiteral("voltage")},
        {QStringLiteral("%"), QStringLiteral("%"), QString()},
        {QStringLiteral("ATM"), QStringLiteral("atm"), QString()},
    };
    for (const auto &[pannello, unita, classe] : casi) {
        QCOMPARE(unitaHomeAssistant(pannello).unita, unita);
        QCOMPARE(unitaHomeAssistant(pannello).classe, classe);
    }
}


void TestPonte::richiestaPannello_data()
{
    QTest::addColumn<QByteArray>("payload");
    // "C" continuous output, "-" refused, otherwise the reply kind asked for and the unit.
    QTest::addColumn<QString>("esito");
    QTest::addColumn<int>("attesa");
    QTest::addColumn<int>("unita");
    QTest::addColumn<QStringList>("pezziSeriale");

    const int nessuna = int(TipoRisposta::Nessuna);
    QTest::newRow("relays read") << QByteArray("*/RS\r\n") << "" << int(TipoRisposta::Rele) << -1
                                 << QStringList{"*/R", "S"};
    QTest::newRow("unit 3 channels read")
        << QByteArray("*/EA110S\r\n") << "" << int(TipoRisposta::CanaliUnita) << 3
        << QStringList{"*/E", "A", "110", "S"};
    QTest::newRow("relay toggled") << QByteArray("*/R5\r\n") << "" << nessuna << -1
                                   << QStringList{"*/R", "5"};
    QTest::newRow("analog output set") << QByteArray("*/P1128\r\n") << "" << nessuna << -1
                                       << QStringList{"*/P", "1", "1", "2", "8"};
    QTest::newRow("continuous output") << QByteArray("*/C\r\n") << "C" << nessuna << -1
                                       << QStringList{"*/C"};
    QTest::newRow("threshold head with its sixteen fields")
        << QByteArray("*/HAS") + QByteArray("001002003004005006007008009010011012013014015016")
        << "S" << nessuna << -1 << QStringList{"*/H", "A", "S"};
    QTest::newRow("threshold head with a field short")
        << QByteArray("*/HAS") + QByteArray("00100200300400500600700800901001101201301401501")
        << "-" << nessuna << -1 << QStringList{};
    QTest::newRow("threshold head without its fields")
        << QByteArray("*/HAS") << "-" << nessuna << -1 << QStringList{};
    QTest::newRow("not a command") << QByteArray("R5\r\n") << "-" << nessuna << -1
                                   << QStringList{};
    QTest::newRow("bare head") << QByteArray("*/\r\n") << "-" << nessuna << -1
                               << QStringList{};
    QTest::newRow("two commands in one") << QByteArray("*/R5\r\n*/RS\r\n") << "-" << nessuna
                                         << -1 << QStringList{};
    QTest::newRow("control character") << QByteArray("*/R\0" "5\r\n", 7) << "-" << nessuna
                                       << -1 << QStringList{};
    QTest::newRow("not ASCII") << QByteArray("*/R\xc3\xa8" "5\r\n") << "-" << nessuna << -1
                               << QStringList{};
    QTest::newRow("too long") << QByteArray("*/") + QByteArray(70, 'R') + "\r\n" << "-"
                              << nessuna << -1 << QStringList{};
}

void TestPonte::richiestaPannello()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, esito);
    QFETCH(int, attesa);
    QFETCH(int, unita);
    QFETCH(QStringList, pezziSeriale);

    const RichiestaPannello r = RichiestaPannello::leggi(payload);
    if (esito == QLatin1String("-")) {
        QCOMPARE(r.tipo, RichiestaPannello::Tipo::Non_valida);
        QVERIFY(!r.motivo.isEmpty());
        return;
    }
    QCOMPARE(r.tipo, esito == QLatin1String("C") ? RichiestaPannello::Tipo::Continuo
                                                 : RichiestaPannello::Tipo::Comando);
    QVERIFY(r.motivo.isEmpty());
    if (esito == QLatin1String("S")) {
        // The head written after its prompt, the fields after it without one.
        QCOMPARE(r.comando.tcp, QStringLiteral("*/HAS"));
        QCOMPARE(r.diretti.size(), 16);
        QCOMPARE(r.diretti.first(), QStringLiteral("001"));
        QCOMPARE(r.diretti.last(), QStringLiteral("016"));
        QCOMPARE(r.comando.pezziSeriale, pezziSeriale);
        return;
    }
    QVERIFY(r.diretti.isEmpty());
    // Written to the board exactly as the panel would have written it over TCP.
    QCOMPARE(r.comando.tcp, QString::fromLatin1(payload));
    QCOMPARE(int(r.comando.attesa), attesa);
    QCOMPARE(r.comando.unita, unita);
    QCOMPARE(r.comando.pezziSeriale, pezziSeriale);
}

QTEST_GUILESS_MAIN(TestPonte)
#include "tst_ponte.moc"
