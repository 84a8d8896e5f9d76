// The analog pages against the simulated board, over loopback TCP and over a pseudo-terminal:
// outputs set and read back, inputs scaled, the alarm thresholds as one uninterrupted
// transmission, and continuous output on the analog inputs page.
#include "Blocchi.h"
#include "DialogoModale.h"
#include "ProvaScheda.h"
#include "SimulatoreScheda.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "link/Invio.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "pages/scheda/PaginaUsciteAnalogiche.h"
#include "pages/scheda/TfrmStatoAnalogici.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"
#include "Supporto.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

using Blocco = SimulatoreScheda::Blocco;

// Raw readings of inputs 1..8 and what they show on the default ranges.
const std::array<int, 8> kGrezzi{32768, 0, 13107, 32767, 65535, 45875, 65535, 9830};
const QString kMostrati = QStringLiteral("15 -20 20 50 100 4 50 1");

// Input 1 on -20..50 from 10 to 40, input 8 on 0..10 from 1 to 3, the others off.
const QByteArray kCampi = "109219" + QByteArray("000255").repeated(6) + "026076";

// The simulator's idle prompt period where nothing is timed.
constexpr int kIntervallo = 150;

} // namespace

class TestAnalogici : public ProvaScheda
{
    Q_OBJECT

private slots:
    void init();

    void tcpUsciteAnalogiche();
    void tcpIngressiEModoContinuo();
    void tcpAllarmiSenzaInterruzioni();
    void serialeUsciteEIngressi();
    void serialeAllarmi();

private:
    void impostaIngressi(const std::array<int, 8> &grezzi);
    void scriviAllarmi();
    QString mostrati() const;
    qsizetype ricevuti() const { return m_scheda->ricevuti().size(); }
    QList<Blocco> ricevutiDa(qsizetype da) const { return m_scheda->ricevuti().mid(da); }
    PaginaUsciteAnalogiche &uscite() const
    {
        return *m_finestra->navigazione().paginaUsciteAnalogiche();
    }
    PaginaIngressiAnalogici &ingressi() const
    {
        return *m_finestra->navigazione().paginaIngressiAnalogici();
    }
};

void TestAnalogici::init()
{
    ProvaScheda::init();
    setTempi(tempiBrevi());
    m_scheda->setIntervallo(kIntervallo);
}

void TestAnalogici::impostaIngressi(const std::array<int, 8> &grezzi)
{
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(m_scheda->imposta(QStringLiteral("analogico %1 %2").arg(n).arg(grezzi[n - 1])),
                 QString());
    }
}

void TestAnalogici::scriviAllarmi()
{
    const QString impostazioni = file(QStringLiteral("Impostazioni.INI"));
    const QString sezione = QStringLiteral("Impostazioni");
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("AllarmeA"), "10000001"));
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("StatoAMin01"), "10"));
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("StatoAMax01"), "40"));
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("StatoAMin08"), "1"));
    QVERIFY(ScriviIni(impostazioni, sezione, QStringLiteral("StatoAMax08"), "3"));
}

QString TestAnalogici::mostrati() const
{
    QStringList testi;
    for (int n = 1; n <= 8; ++n) {
        testi << ingressi().display(n)->testo();
    }
    return testi.join(QLatin1Char(' '));
}

void TestAnalogici::tcpUsciteAnalogiche()
{
    avviaTcp();
    m_scheda->stato().usciteAnalogiche = {128, 51};
    clicca(QStringLiteral("lbUA"));
    QCOMPARE(m_finestra->paginaAttiva(), 3);
    QTRY_COMPARE(uscite().display(2)->testo(), QStringLiteral("20"));
    QCOMPARE(uscite().display(1)->testo(), QStringLiteral("50"));
    QCOMPARE(uscite().spinner(1)->value(), 50);
    QCOMPARE(uscite().titolo(1)->text(), QStringLiteral("LUMINOSITA' (OUT 1)"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/PS\r\n"));

    // 150 typed and Enter: shown as 100 and sent as the full level.
    qsizetype da = ricevuti();
    QTest::keyClicks(uscite().casella(1), QStringLiteral("150"));
    QTest::keyClick(uscite().casella(1), Qt::Key_Return);
    QCOMPARE(uscite().display(1)->testo(), QStringLiteral("100"));
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/P1255\r\n"));
    QCOMPARE(m_scheda->stato().usciteAnalogiche[0], 255);

    da = ricevuti();
    uscite().spinner(2)->setValue(7);
    clicca(QStringLiteral("sbUAInvio2"));
    QCOMPARE(uscite().display(2)->testo(), QStringLiteral("007"));
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/P2018\r\n"));
    QCOMPARE(m_scheda->stato().usciteAnalogiche[1], 18);

    // Read back: 18 is 7 percent, without the leading zeros.
    QVERIFY(attendiInvii());
    da = ricevuti();
    uscite().display(1)->svuota();
    clicca(QStringLiteral("sbUARich"));
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/PS\r\n"));
    QTRY_COMPARE(uscite().display(1)->testo(), QStringLiteral("100"));
    QTRY_COMPARE(uscite().display(2)->testo(), QStringLiteral("7"));
}

void TestAnalogici::tcpIngressiEModoContinuo()
{
    avviaTcp();
    impostaIngressi(kGrezzi);
    clicca(QStringLiteral("lbIA"));
    QCOMPARE(m_finestra->paginaAttiva(), 4);
    QTRY_COMPARE(mostrati(), kMostrati);
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/A\r\n"));
    QCOMPARE(ingressi().unita(8)->text(), QStringLiteral("ATM"));
    QCOMPARE(ingressi().allarme(1)->text(), QStringLiteral("All.:Off"));

    // Continuous output: every round updates all eight displays.
    qsizetype da = ricevuti();
    clicca(QStringLiteral("sbIAContinua"));
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/C\r\n"));
    QVERIFY(m_scheda->stato().continuo);
    impostaIngressi({65535, 65535, 0, 0, 0, 0, 0, 65535});
    QTRY_COMPARE(mostrati(), QStringLiteral("50 50 0 0 0 0 -20 10"));
    QTRY_VERIFY(m_finestra->sessione().isContinuo());
    auto *continua = m_finestra->findChild<QPushButton *>(QStringLiteral("sbIAContinua"));
    QVERIFY(continua->isChecked());
    impostaIngressi({0, 32768, 65535, 65535, 65535, 65535, 65535, 0});
    QTRY_COMPARE(mostrati(), QStringLiteral("-20 15 100 100 100 5 50 0"));

    // Off again: the displays keep the last round.
    da = ricevuti();
    clicca(QStringLiteral("sbIAContinua"));
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/C\r\n"));
    QVERIFY(!m_scheda->stato().continuo);
    QTRY_VERIFY(!continua->isChecked());
    impostaIngressi(kGrezzi);
    // Three more of the board's idle prompts arrive and are read; nothing is painted.
    QSignalSpy pronti(&m_finestra->sessione(), &SessioneScheda::pronto);
    QTRY_VERIFY(pronti.count() >= 3);
    QCOMPARE(mostrati(), QStringLiteral("-20 15 100 100 100 5 50 0"));
}

void TestAnalogici::tcpAllarmiSenzaInterruzioni()
{
    // The board's own pacing: this is what is timed here.
    setTempi(Temporizzazioni{});
    avviaTcp();
    scriviAllarmi();
    clicca(QStringLiteral("lbIA"));
    QTRY_VERIFY(!ingressi().display(8)->testo().isEmpty());
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/A\r\n"));
    QCOMPARE(ingressi().allarme(1)->text(), QStringLiteral("All.:10 - 40"));
    QCOMPARE(ingressi().allarme(8)->text(), QStringLiteral("All.:1 - 3"));

    // The dialog opens with the alarm ticked.
    suDialogoModale([](QDialog &modale) {
        auto *dialogo = qobject_cast<TfrmStatoAnalogici *>(&modale);
        QVERIFY(dialogo);
        QVERIFY(dialogo->findChild<QCheckBox *>(QStringLiteral("cbAl"))->isChecked());
        dialogo->reject();
    });
    clicca(QStringLiteral("SpeedButton14"));

    // "Richiesta" pressed in the pause after the enables, when the board is idle and prompting,
    // and again while the fields go out: neither gets in between nor holds the fields up; both
    // wait their turn and go out once the fields are through.
    const qsizetype da = ricevuti();
    int richieste = 0;
    connect(m_scheda.get(), &SimulatoreScheda::datiRicevuti, this,
            [this, &richieste](const QByteArray &dati) {
                if ((richieste == 0 && dati == "\n") || (richieste == 1 && dati == "5")) {
                    ++richieste;
                    QTimer::singleShot(0, this, [this] { clicca(QStringLiteral("sbIARich")); });
                }
            });
    clicca(QStringLiteral("sbIAImp"));
    const QByteArray gruppo = "*/HAC10000001\r\n*/HAS" + kCampi;
    QTRY_COMPARE_WITH_TIMEOUT(uniti(ricevutiDa(da)), gruppo + "*/A\r\n*/A\r\n", 20000);
    QCOMPARE(richieste, 2);
    const QList<Blocco> blocchi = ricevutiDa(da);
    QCOMPARE(m_scheda->stato().abilitazioniAnalogiche, QStringLiteral("10000001"));
    QCOMPARE(m_scheda->stato().soglieAnalogiche.join(QString()).toLatin1(), kCampi);
    // 200 ms after every field, one character every 50 ms within it.
    // One character per write: block i is byte i.
    QCOMPARE(blocchi.size(), uniti(blocchi).size());
    const qsizetype primoCampo = gruppo.size() - kCampi.size();
    const qint64 durata = blocchi.at(gruppo.size() - 1).ms - blocchi.at(primoCampo).ms;
    QVERIFY2(durata >= 15 * 350 + 2 * 50 - 20 && durata < 15 * 350 + 2 * 50 + 2000,
             qPrintable(QString::number(durata)));
    const qint64 pausaHas = blocchi.at(primoCampo).ms - blocchi.at(primoCampo - 1).ms;
    QVERIFY2(pausaHas >= 250 - 20, qPrintable(QString::number(pausaHas)));
    // Nothing is left waiting: the sender is idle once the last request is out, and the next
    // one goes out alone.
    QVERIFY(attendiInvii(1000));
    QCOMPARE(m_finestra->invio().inCoda(), 0);
    const qsizetype dopo = ricevuti();
    clicca(QStringLiteral("sbIARich"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(ricevutiDa(dopo)), QByteArray("*/A\r\n"));

    const QString impostazioni = file(QStringLiteral("Impostazioni.INI"));
    QCOMPARE(LeggiIni(impostazioni, "Impostazioni", "StatoAMax08"), QStringLiteral("3"));
    QCOMPARE(LeggiIni(impostazioni, "Impostazioni", "StatoAMax02"), QStringLiteral("255"));
}

void TestAnalogici::serialeUsciteEIngressi()
{
    avviaSeriale(kIntervallo);
    m_scheda->stato().usciteAnalogiche = {255, 0};
    clicca(QStringLiteral("lbUA"));
    QTRY_COMPARE(uscite().display(1)->testo(), QStringLiteral("100"));
    QTRY_COMPARE(uscite().display(2)->testo(), QStringLiteral("0"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(pezzi(m_scheda->ricevuti()), (QList<QByteArray>{"*/P", "S"}));

    qsizetype da = ricevuti();
    uscite().spinner(1)->setValue(50);
    clicca(QStringLiteral("sbUAInvio1"));
    QCOMPARE(uscite().display(1)->testo(), QStringLiteral("050"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(pezzi(ricevutiDa(da)), (QList<QByteArray>{"*/P", "1", "128"}));
    QCOMPARE(m_scheda->stato().usciteAnalogiche[0], 128);
    QCOMPARE(uscite().display(1)->testo(), QStringLiteral("050"));

    // The replies after a request land on their own outputs.
    uscite().display(1)->svuota();
    da = ricevuti();
    clicca(QStringLiteral("sbUARich"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(pezzi(ricevutiDa(da)), (QList<QByteArray>{"*/P", "S"}));
    QTRY_COMPARE(uscite().display(1)->testo(), QStringLiteral("50"));
    QCOMPARE(uscite().display(2)->testo(), QStringLiteral("0"));

    clicca(QStringLiteral("SpeedButton2"));
    QCOMPARE(m_finestra->paginaAttiva(), 0);
    impostaIngressi(kGrezzi);
    da = ricevuti();
    clicca(QStringLiteral("lbIA"));
    QTRY_COMPARE(mostrati(), kMostrati);
    QVERIFY(attendiInvii());
    QTRY_COMPARE(pezzi(ricevutiDa(da)), (QList<QByteArray>{"*/A"}));
    // The readings are read for the page that asked: the outputs page keeps its values.
    QCOMPARE(uscite().display(1)->testo(), QStringLiteral("50"));
    QCOMPARE(uscite().display(2)->testo(), QStringLiteral("0"));
}

void TestAnalogici::serialeAllarmi()
{
    // A piece's pause long enough to be measured, far shorter than a wait for a prompt.
    Temporizzazioni tempi = tempiBrevi();
    tempi.pezzoMs = 100;
    setTempi(tempi);
    avviaSeriale(kIntervallo);
    scriviAllarmi();
    clicca(QStringLiteral("lbIA"));
    QTRY_VERIFY(!ingressi().display(8)->testo().isEmpty());
    QVERIFY(attendiInvii());
    QTRY_COMPARE(pezzi(m_scheda->ricevuti()), QList<QByteArray>{"*/A"});
    const qsizetype da = ricevuti();
    clicca(QStringLiteral("sbIAImp"));
    QList<QByteArray> attesi{"*/H", "A", "C", "10000001", "*/H", "A", "S"};
    for (qsizetype i = 0; i < kCampi.size(); i += 3) {
        attesi << kCampi.mid(i, 3);
    }
    QVERIFY(attendiInvii());
    QTRY_COMPARE(pezzi(ricevutiDa(da)), attesi);
    const QList<Blocco> blocchi = ricevutiDa(da);
    QCOMPARE(m_scheda->stato().soglieAnalogiche.join(QString()).toLatin1(), kCampi);
    // A piece's pause after each field, written without waiting for the board.
    for (qsizetype i = 8; i < blocchi.size(); ++i) {
        const qint64 passo = blocchi.at(i).ms - blocchi.at(i - 1).ms;
        QVERIFY2(passo >= tempi.pezzoMs - 20 && passo < tempi.pezzoMs + 700,
                 qPrintable(QString::number(passo)));
    }

    // Continuous output over serial: each round's eight readings land on their own inputs.
    clicca(QStringLiteral("sbIAContinua"));
    QTRY_VERIFY(m_scheda->stato().continuo);
    impostaIngressi({65535, 0, 65535, 0, 65535, 0, 65535, 0});
    QTRY_COMPARE(mostrati(), QStringLiteral("50 -20 100 0 100 0 50 0"));
    impostaIngressi(kGrezzi);
    QTRY_COMPARE(mostrati(), kMostrati);
}

QTEST_MAIN(TestAnalogici)
#include "tst_analogici.moc"
