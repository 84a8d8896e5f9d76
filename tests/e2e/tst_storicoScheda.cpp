// The panel against the simulated board keeps what it receives in "Storico.sqlite": analog
// readings raw and scaled with their unit, relays switched and by whom, an alarm raised and
// cleared, and the file still there, whole, for the next start.
#include "ProvaScheda.h"
#include "SimulatoreScheda.h"
#include "Supporto.h"
#include "app/TfrmMain.h"
#include "settings/Ini.h"
#include "storico/PuntoStorico.h"
#include "storico/RegistrazioneScheda.h"
#include "storico/Storico.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace {

using Tipo = EventoStorico::Tipo;
using Origine = EventoStorico::Origine;
using Famiglia = PuntoStorico::Famiglia;

const int kRele5 = PuntoStorico{Famiglia::UsciteDigitali, -1, 5}.codice();
const int kRele3 = PuntoStorico{Famiglia::UsciteDigitali, -1, 3}.codice();
const int kAnalogico1 = PuntoStorico{Famiglia::IngressiAnalogici, -1, 1}.codice();
const int kDigitale2 = PuntoStorico{Famiglia::IngressiDigitali, -1, 2}.codice();

} // namespace

class TestStoricoScheda : public ProvaScheda
{
    Q_OBJECT

private slots:
    void init();
    void letturePulsantiEAllarmi();

private:
    QList<EventoStorico> eventi(int punto = 0) const
    {
        return m_finestra->archivio().eventi({0, std::numeric_limits<qint64>::max(), punto, 0});
    }
};

void TestStoricoScheda::init()
{
    ProvaScheda::init();
    setTempi(tempiBrevi());
    m_scheda->setIntervallo(150);
}

void TestStoricoScheda::letturePulsantiEAllarmi()
{
    const QString impostazioni = file(QStringLiteral("Impostazioni.INI"));
    const QString sezione = QStringLiteral("Impostazioni");
    // Input 1 (-20..50 °C) in alarm outside 10..40; digital input 2 in alarm when set.
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("AllarmeA"), "10000000"));
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("StatoAMin01"), "10"));
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("StatoAMax01"), "40"));
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("Allarme"), "01000000"));
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("Stato"), "00000000"));
    avviaTcp();
    QSignalSpy allarmi(&m_finestra->registrazione(), &RegistrazioneScheda::allarme);

    QCOMPARE(m_scheda->imposta(QStringLiteral("analogico 1 32768")), QString());
    clicca(QStringLiteral("lbIA"));
    QVERIFY(attendiInvii());
    // Written within a second or so, on the store's own timer.
    QTRY_VERIFY_WITH_TIMEOUT(
        !m_finestra->archivio().letture(1, 0, std::numeric_limits<qint64>::max()).isEmpty(),
        15000);
    const auto letture = m_finestra->archivio().letture(1, 0, std::numeric_limits<qint64>::max());
    QCOMPARE(letture.constFirst().grezzo, 32768);
    QCOMPARE(letture.constFirst().valore, 15);
    const auto etichette = m_finestra->archivio().etichette();
    QVERIFY(!etichette.isEmpty());
    QCOMPARE(etichette.constFirst().unita, QStringLiteral("°C"));
    QCOMPARE(etichette.constFirst().nome, QStringLiteral("TEMPERATURA INTERNA"));

    // Out of range and back: raised, then cleared, in the logbook and told.
    QCOMPARE(m_scheda->imposta(QStringLiteral("analogico 1 65535")), QString());
    clicca(QStringLiteral("sbIARich"));
    QTRY_COMPARE_WITH_TIMEOUT(allarmi.size(), 1, 15000);
    QVERIFY(m_finestra->registrazione().isInAllarme({Famiglia::IngressiAnalogici, -1, 1}));
    QVERIFY(allarmi.at(0).at(2).toString().contains(QStringLiteral("sopra 40")));
    // Marked on the page in words, and told in the status bar.
    auto *segno = controllo<QLabel>(QStringLiteral("lbAllarmeIA01"));
    QVERIFY(segno);
    QVERIFY(segno->isVisible());
    QCOMPARE(segno->text(), QStringLiteral("\u26A0 ALLARME"));
    QVERIFY(pannello(1).contains(QStringLiteral("Allarme")));
    QVERIFY(!controllo<QLabel>(QStringLiteral("lbAllarmeIA02")));
    QVERIFY(attendiInvii());
    QCOMPARE(m_scheda->imposta(QStringLiteral("analogico 1 32768")), QString());
    clicca(QStringLiteral("sbIARich"));
    QTRY_COMPARE_WITH_TIMEOUT(allarmi.size(), 2, 15000);
    QCOMPARE(allarmi.at(1).at(1).toBool(), false);
    QVERIFY(!segno->isVisible());
    QVERIFY(attendiInvii());

    // Relay 5 from this panel, relay 3 by someone else on the same board.
    clicca(QStringLiteral("SpeedButton3"));
    clicca(QStringLiteral("lbUD"));
    QVERIFY(attendiInvii());
    clicca(QStringLiteral("sbUD5"));
    QTRY_VERIFY(m_scheda->stato().rele[4]);
    QVERIFY(attendiInvii());
    m_scheda->stato().rele[2] = true;
    clicca(QStringLiteral("sbUDRich"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE_WITH_TIMEOUT(eventi(kRele3).size(), 1, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(eventi(kAnalogico1).size(), 2, 15000);

    const auto rele5 = eventi(kRele5);
    QCOMPARE(rele5.size(), 1);
    QCOMPARE(rele5.at(0).tipo, Tipo::ReleCommutato);
    QCOMPARE(rele5.at(0).valore, 1);
    QCOMPARE(rele5.at(0).origine, Origine::Pannello);
    QVERIFY(rele5.at(0).testo.contains(QStringLiteral("Sirena")));
    QCOMPARE(eventi(kRele3).at(0).origine, Origine::AltroPannello);
    const auto analogico = eventi(kAnalogico1);
    QCOMPARE(analogico.size(), 2);
    QCOMPARE(analogico.at(0).tipo, Tipo::AllarmeAttivo);
    QCOMPARE(analogico.at(1).tipo, Tipo::AllarmeRientrato);
    QVERIFY(analogico.at(0).ms <= analogico.at(1).ms);
    // The relay states are kept beside the events.
    const auto stati = m_finestra->archivio().stati(0, std::numeric_limits<qint64>::max());
    QVERIFY(std::any_of(stati.cbegin(), stati.cend(),
                        [](const CambioStato &c) { return c.punto == kRele5 && c.valore == 1; }));

    // A new window on the same folder reads the same history.
    m_finestra.reset();
    crea();
    QCOMPARE(eventi(kRele5).size(), 1);
    QVERIFY(!m_finestra->archivio().letture(1, 0, std::numeric_limits<qint64>::max()).isEmpty());
    QVERIFY(eventi(kDigitale2).isEmpty());
}

QTEST_MAIN(TestStoricoScheda)
#include "tst_storicoScheda.moc"
