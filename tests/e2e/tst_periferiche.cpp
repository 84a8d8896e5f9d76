// The peripheral unit pages against the simulated board over loopback TCP and over a
// pseudo-terminal, and against a board played by the test on a pseudo-terminal.
#include "Colori.h"
#include "Pty.h"
#include "Blocchi.h"
#include "ProvaScheda.h"
#include "Supporto.h"
#include "SimulatoreScheda.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/GruppoRadio.h"
#include "pages/periferiche/PaginaPerifIngressiDigitali.h"
#include "pages/periferiche/PaginaPerifUsciteAnalogiche.h"
#include "pages/periferiche/PaginaPerifUsciteDigitali.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/scheda/PaginaUsciteAnalogiche.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"

#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr qint64 kScarto = 20;
// The simulator's idle prompt period: short, as only one pause is timed here.
constexpr int kIntervallo = 150;

using Blocco = SimulatoreScheda::Blocco;

QStringList displays(const PaginaPerifUsciteAnalogiche &pagina)
{
    QStringList testi;
    for (int n = 1; n <= 8; ++n) {
        testi << pagina.display(n)->testo();
    }
    return testi;
}

} // namespace

class TestPeriferiche : public ProvaScheda
{
    Q_OBJECT

private slots:
    void init();

    void tcpUsciteDigitali();
    void tcpIngressiDigitali();
    void tcpUsciteAnalogiche();
    void serialeUsciteEIngressi();
    void serialeNovePacchetti();

private:
    void creaFinestra() override;
    // What reached the board since the last call, once the sender is idle and the board has
    // read all it wrote.
    QList<Blocco> nuovi();
    PaginaPerifUsciteDigitali &uscite() const
    {
        return *m_finestra->navigazione().paginaPerifUsciteDigitali();
    }
    PaginaPerifIngressiDigitali &ingressi() const
    {
        return *m_finestra->navigazione().paginaPerifIngressiDigitali();
    }
    PaginaPerifUsciteAnalogiche &analogiche() const
    {
        return *m_finestra->navigazione().paginaPerifUsciteAnalogiche();
    }

    qsizetype m_letti = 0;
    // Bytes the panel wrote.
    qsizetype m_scritti = 0;
};

void TestPeriferiche::init()
{
    ProvaScheda::init();
    setTempi(tempiBrevi());
    m_scheda->setIntervallo(kIntervallo);
    m_letti = 0;
    m_scritti = 0;
}

void TestPeriferiche::creaFinestra()
{
    ProvaScheda::creaFinestra();
    connect(&m_finestra->sessione(), &SessioneScheda::datiScritti, this,
            [this](const QString &, const QByteArray &dati) { m_scritti += dati.size(); });
    // The page entry follows the input focus, which only an active window has.
    m_finestra->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_finestra.get()));
}

QList<Blocco> TestPeriferiche::nuovi()
{
    [this] {
        QVERIFY(attendiInvii());
        QTRY_COMPARE(uniti(m_scheda->ricevuti()).size(), m_scritti);
    }();
    const QList<Blocco> tutti = m_scheda->ricevuti();
    const QList<Blocco> esito = tutti.mid(m_letti);
    m_letti = tutti.size();
    return esito;
}

void TestPeriferiche::tcpUsciteDigitali()
{
    avviaTcp();
    QVERIFY(m_scheda->imposta("unita 1 uscita 8 1").isEmpty());
    QVERIFY(m_scheda->imposta("unita 2 uscita 1 1").isEmpty());
    PaginaUsciteDigitali &rele = *m_finestra->navigazione().paginaUsciteDigitali();

    clicca("lbUD");
    QCOMPARE(uniti(nuovi()), QByteArray("*/RS\r\n"));
    QTRY_COMPARE(colori(rele), QStringLiteral("GGGGGGGG"));
    clicca("sbPUD");
    QCOMPARE(m_finestra->paginaAttiva(), 5);
    QCOMPARE(uniti(nuovi()), QByteArray("*/ER000S\r\n"));
    // The unit's reply is read for the unit page alone.
    QTRY_COMPARE(colori(uscite()), QStringLiteral("GGGGGGGR"));
    QCOMPARE(colori(rele), QStringLiteral("GGGGGGGG"));

    clicca("rgUDP_4");
    QCOMPARE(uniti(nuovi()), QByteArray("*/ER001S\r\n"));
    QTRY_COMPARE(colori(uscite()), QStringLiteral("GGGGGGGG"));

    clicca("rgUDP_1");
    QCOMPARE(uniti(nuovi()), QByteArray("*/ER100S\r\n"));
    QTRY_COMPARE(colori(uscite()), QStringLiteral("RGGGGGGG"));
    clicca("sbUDP3");
    QCOMPARE(uniti(nuovi()), QByteArray("*/ER1003\r\n*/ER100S\r\n"));
    QVERIFY(m_scheda->stato().unita[1].uscite[2]);
    QTRY_COMPARE(colori(uscite()), QStringLiteral("RGRGGGGG"));

    // The board gets half a second to reset every unit before it is asked again.
    clicca("sbUDPResetTotale");
    const QList<Blocco> reset = nuovi();
    QCOMPARE(uniti(reset), QByteArray("*/ERZ\r\n*/ER100S\r\n"));
    const qint64 pausa = reset.at(7).ms - reset.at(6).ms;
    QVERIFY2(pausa >= 500 + tempiBrevi().carattereTcpMs - kScarto,
             qPrintable(QString::number(pausa)));
    QVERIFY(!m_scheda->stato().unita[0].uscite[7]);
    QTRY_COMPARE(colori(uscite()), QStringLiteral("GGGGGGGG"));

    // Left on "Unità 4", the page opens again on "Unità 1" with one request for it.
    clicca("rgUDP_3");
    QCOMPARE(uniti(nuovi()), QByteArray("*/ER110S\r\n"));
    QTRY_COMPARE(colori(uscite()), QStringLiteral("GGGGGGGG"));
    clicca("sbUD");
    QCOMPARE(m_finestra->paginaAttiva(), 1);
    QVERIFY(nuovi().isEmpty());
    // Back on the relay page, the relay reply paints it and not the unit page.
    m_scheda->stato().rele[0] = true;
    clicca("sbUDRich");
    QCOMPARE(uniti(nuovi()), QByteArray("*/RS\r\n"));
    QTRY_COMPARE(colori(rele), QStringLiteral("RGGGGGGG"));
    QCOMPARE(colori(uscite()), QStringLiteral("GGGGGGGG"));
    QVERIFY(m_scheda->imposta("unita 1 uscita 2 1").isEmpty());
    clicca("sbPUD");
    QCOMPARE(uscite().unitaSelezionata(), 0);
    QCOMPARE(uniti(nuovi()), QByteArray("*/ER000S\r\n"));
    QTRY_COMPARE(colori(uscite()), QStringLiteral("GRGGGGGG"));
    QCOMPARE(uscite().unitaSelezionata(), 0);
}

void TestPeriferiche::tcpIngressiDigitali()
{
    avviaTcp();
    m_scheda->stato().unita[0].ingressi = {true, true, false, false, false, false, false, false};
    m_scheda->stato().unita[2].ingressi = {false, false, false, false, false, false, true, true};
    m_scheda->stato().ingressi.fill(false);
    PaginaIngressiDigitali &scheda = *m_finestra->navigazione().paginaIngressiDigitali();

    clicca("lbID");
    QTRY_COMPARE(colori(scheda), QStringLiteral("GGGGGGGG"));
    ingressi().gruppoUnita()->setItemIndex(5);
    nuovi();
    clicca("sbPID");
    QCOMPARE(m_finestra->paginaAttiva(), 6);
    QCOMPARE(uniti(nuovi()), QByteArray("*/EI000\r\n"));
    QTRY_COMPARE(colori(ingressi()), QStringLiteral("RRGGGGGG"));
    QCOMPARE(colori(scheda), QStringLiteral("GGGGGGGG"));

    clicca("rgIDP_2");
    QCOMPARE(uniti(nuovi()), QByteArray("*/EI010\r\n"));
    QTRY_COMPARE(colori(ingressi()), QStringLiteral("GGGGGGRR"));

    // Clicking an input asks nothing; "Richiesta" asks again for the same unit.
    clicca("sbIDP7");
    clicca("sbIDPRich");
    QCOMPARE(uniti(nuovi()), QByteArray("*/EI010\r\n"));

    clicca("sbID");
    QCOMPARE(m_finestra->paginaAttiva(), 2);
    QVERIFY(nuovi().isEmpty());
    // Back on the board's inputs page, its reply paints it and not the unit page.
    m_scheda->stato().ingressi[0] = true;
    clicca("sbIDRich");
    QCOMPARE(uniti(nuovi()), QByteArray("*/I\r\n"));
    QTRY_COMPARE(colori(scheda), QStringLiteral("RGGGGGGG"));
    QCOMPARE(colori(ingressi()), QStringLiteral("GGGGGGRR"));
}

void TestPeriferiche::tcpUsciteAnalogiche()
{
    avviaTcp();
    m_scheda->stato().unita[0].analogiche = {63, 0, 32, 16, 1, 62, 25, 40};
    m_scheda->stato().unita[5].analogiche = {10, 20, 30, 40, 50, 60, 63, 0};
    PaginaUsciteAnalogiche &scheda = *m_finestra->navigazione().paginaUsciteAnalogiche();
    const auto livelliScheda = [&scheda] {
        return QStringList{scheda.display(1)->testo(), scheda.display(2)->testo()};
    };

    clicca("lbUA");
    QTRY_COMPARE(livelliScheda(), (QStringList{"0", "0"}));
    nuovi();
    clicca("sbPUA");
    QCOMPARE(m_finestra->paginaAttiva(), 7);
    QCOMPARE(uniti(nuovi()), QByteArray("*/EA000S\r\n"));
    QTRY_COMPARE(displays(analogiche()),
                 (QStringList{"100", "0", "51", "25", "2", "98", "40", "63"}));
    QCOMPARE(livelliScheda(), (QStringList{"0", "0"}));

    clicca("rgUAP_5");
    QCOMPARE(uniti(nuovi()), QByteArray("*/EA101S\r\n"));
    QTRY_COMPARE(displays(analogiche()),
                 (QStringList{"16", "32", "48", "63", "79", "95", "100", "0"}));

    analogiche().spinner(3)->setValue(40);
    clicca("sbUAPInvio3");
    QCOMPARE(uniti(nuovi()), QByteArray("*/EA1013025\r\n*/EA101S\r\n"));
    QCOMPARE(m_scheda->stato().unita[5].analogiche[2], 25);
    QTRY_COMPARE(analogiche().display(3)->testo(), QStringLiteral("40"));
    QCOMPARE(analogiche().spinner(3)->value(), 40);

    // "Richiesta" asks twice; the reset of every unit goes without a line end.
    clicca("sbUAPRich");
    QCOMPARE(uniti(nuovi()), QByteArray("*/EA101S\r\n*/EA101S\r\n"));
    clicca("sbUAPResTotale");
    QCOMPARE(uniti(nuovi()), QByteArray("*/EA000Z*/EA101S\r\n"));
    QCOMPARE(m_scheda->stato().unita[0].analogiche[0], 0);
    QTRY_COMPARE(displays(analogiche()), QStringList(8, QStringLiteral("0")));

    clicca("sbUA");
    QCOMPARE(m_finestra->paginaAttiva(), 3);
    QVERIFY(nuovi().isEmpty());
    // Back on the board's outputs page, its reply paints it and not the unit page.
    m_scheda->stato().usciteAnalogiche = {255, 128};
    clicca("sbUARich");
    QCOMPARE(uniti(nuovi()), QByteArray("*/PS\r\n"));
    QTRY_COMPARE(livelliScheda(), (QStringList{"100", "50"}));
    QCOMPARE(displays(analogiche()), QStringList(8, QStringLiteral("0")));
}

void TestPeriferiche::serialeUsciteEIngressi()
{
    avviaSeriale(kIntervallo);
    QVERIFY(m_scheda->imposta("unita 2 uscita 8 1").isEmpty());
    m_scheda->stato().unita[0].ingressi = {false, false, false, true, false, false, false, false};

    clicca("lbUD");
    nuovi();
    clicca("sbPUD");
    QCOMPARE(pezzi(nuovi()), (QList<QByteArray>{"*/E", "R", "000", "S"}));
    clicca("rgUDP_1");
    QCOMPARE(pezzi(nuovi()), (QList<QByteArray>{"*/E", "R", "100", "S"}));
    QTRY_COMPARE(colori(uscite()), QStringLiteral("GGGGGGGR"));
    clicca("sbUDP3");
    QCOMPARE(pezzi(nuovi()), (QList<QByteArray>{"*/E", "R", "100", "3", "*/E", "R", "100", "S"}));
    QTRY_COMPARE(colori(uscite()), QStringLiteral("GGRGGGGR"));

    clicca("sbUD");
    clicca("sbHome1");
    clicca("lbID");
    nuovi();
    clicca("sbPID");
    QCOMPARE(pezzi(nuovi()), (QList<QByteArray>{"*/E", "I", "000"}));
    QTRY_COMPARE(colori(ingressi()), QStringLiteral("GGGRGGGG"));
}

// A board that answers one request with nine channel frames: the ninth is not shown.
void TestPeriferiche::serialeNovePacchetti()
{
    Pty scheda;
    QVERIFY(scheda.isValido());
    QTimer pronto;
    connect(&pronto, &QTimer::timeout, this, [&scheda] { scheda.scrivi("F?"); });
    pronto.start(150);
    QVERIFY(scriviPorteSeriale(m_cartella->path(), scheda.nome()));
    creaFinestra();

    clicca("lbUA");
    clicca("sbPUA");
    QTRY_VERIFY(scheda.letti().endsWith("*/EA000S"));
    QByteArray risposta;
    const int livelli[] = {0, 1, 16, 25, 32, 62, 63, 40, 20};
    for (int i = 0; i < 9; ++i) {
        risposta += QStringLiteral("UNITA 000 CANALE %1 ->%2<-\r\n")
                        .arg(i + 1)
                        .arg(livelli[i], 3, 10, QLatin1Char('0'))
                        .toLatin1();
    }
    QVERIFY(scheda.scrivi(risposta + "F?"));
    QTRY_COMPARE(displays(analogiche()),
                 (QStringList{"0", "2", "25", "40", "51", "98", "100", "63"}));
    QCOMPARE(analogiche().spinner(8)->value(), 63);
}

QTEST_MAIN(TestPeriferiche)
#include "tst_periferiche.moc"
