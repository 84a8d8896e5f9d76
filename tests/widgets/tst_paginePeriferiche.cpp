// The three peripheral unit pages without a link: replies from the serial framers and from
// complete TCP responses, the unit selector, the value boxes; in the main window, the focus and
// the navigation.
#include "BancoFinestra.h"
#include "BancoPagina.h"
#include "Colori.h"
#include "app/NavigazionePagine.h"
#include "core/Errori.h"
#include "link/Framer.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/GruppoRadio.h"
#include "pages/periferiche/PaginaPerifIngressiDigitali.h"
#include "pages/periferiche/PaginaPerifUsciteAnalogiche.h"
#include "pages/periferiche/PaginaPerifUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/FramerPagine.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include <memory>

namespace {

// The eight displays, channel 1 first, "" when blank.
QStringList displays(const PaginaPerifUsciteAnalogiche &pagina)
{
    QStringList testi;
    for (int n = 1; n <= 8; ++n) {
        testi << pagina.display(n)->testo();
    }
    return testi;
}

QList<int> spinner(const PaginaPerifUsciteAnalogiche &pagina)
{
    QList<int> valori;
    for (int n = 1; n <= 8; ++n) {
        valori << pagina.spinner(n)->value();
    }
    return valori;
}

QString frameCanale(int n, const QString &corpo)
{
    return QStringLiteral("UNITA 000 CANALE %1 ->%2<-").arg(n).arg(corpo);
}

} // namespace

class TestPaginePeriferiche : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_banco = std::make_unique<BancoPagina>(); }
    void cleanup();

    void statiDigitali_data();
    void statiDigitali();
    void rispostaTcpSenzaFrame();
    void canaliDaPacchettiSeriali();
    void canaliDaRispostaTcp();
    void altraUnitaAzzeraIPunti();
    void aperturaETornoDelFuoco();
    void tastiESpinner();
    void navigazione();

private:
    PaginaPerifUsciteDigitali &uscite() const
    {
        return m_banco->pagina<PaginaPerifUsciteDigitali>();
    }
    PaginaPerifIngressiDigitali &ingressi() const
    {
        return m_banco->pagina<PaginaPerifIngressiDigitali>();
    }
    PaginaPerifUsciteAnalogiche &analogiche() const
    {
        return m_banco->pagina<PaginaPerifUsciteAnalogiche>();
    }
    ValoriProgramma &valori() const { return m_banco->valori(); }
    // The window on screen and active: the page entry follows the input focus, which only an
    // active window has.
    static bool attiva(BancoFinestra &banco)
    {
        banco.mostra();
        banco.finestra().activateWindow();
        return QTest::qWaitForWindowActive(&banco.finestra());
    }
    static void nessunMessaggio(MessaggiRegistrati &messaggi)
    {
        QVERIFY2(messaggi.voci().isEmpty(),
                 qPrintable(messaggi.voci().isEmpty() ? QString() : messaggi.voci().first().testo));
    }

    std::unique_ptr<BancoPagina> m_banco;
};

void TestPaginePeriferiche::cleanup()
{
    nessunMessaggio(m_banco->messaggi());
    m_banco.reset();
}

void TestPaginePeriferiche::statiDigitali_data()
{
    QTest::addColumn<QString>("stato");
    QTest::addColumn<QString>("attesi");
    QTest::newRow("punto 1") << "00000001"
                             << "RGGGGGGG";
    QTest::newRow("punto 8") << "10000000"
                             << "GGGGGGGR";
    QTest::newRow("corto, riempito a sinistra") << "101"
                                                << "RGRGGGGG";
    QTest::newRow("lungo, contano gli ultimi otto") << "1100000000"
                                                    << "GGGGGGGG";
    QTest::newRow("vuoto") << ""
                           << "GGGGGGGG";
    QTest::newRow("altri caratteri") << "1x 2-0a1"
                                     << "RGGGGGGR";
}

// Outputs and inputs read their frames alike, from the framer and from a TCP response.
void TestPaginePeriferiche::statiDigitali()
{
    QFETCH(QString, stato);
    QFETCH(QString, attesi);
    const QString uscite = QStringLiteral("UNITA 100 USCITE ->%1<-").arg(stato);
    const QString ingressi = QStringLiteral(" STATO INGRESSI ->%1<-").arg(stato);
    const QString opposto = QStringLiteral("->01010101<-");

    this->uscite().adpUDPStringPacket(opposto);
    this->uscite().adpUDPStringPacket(uscite);
    QCOMPARE(colori(this->uscite()), attesi);
    this->uscite().analizzaRispostaTcp(opposto);
    this->uscite().analizzaRispostaTcp(QStringLiteral("\r\n") + uscite + QStringLiteral("\r\nF?"));
    QCOMPARE(colori(this->uscite()), attesi);

    this->ingressi().adpIDPStringPacket(QStringLiteral(" STATO INGRESSI ") + opposto);
    this->ingressi().adpIDPStringPacket(ingressi);
    QCOMPARE(colori(this->ingressi()), attesi);
    this->ingressi().analizzaRispostaTcp(QStringLiteral(" STATO INGRESSI ") + opposto);
    this->ingressi().analizzaRispostaTcp(ingressi + QStringLiteral("\r\nF?"));
    QCOMPARE(colori(this->ingressi()), attesi);
}

void TestPaginePeriferiche::rispostaTcpSenzaFrame()
{
    QCOMPARE(colori(uscite()), QStringLiteral("--------"));
    uscite().analizzaRispostaTcp(QStringLiteral("F?"));
    QCOMPARE(colori(uscite()), QStringLiteral("--------"));
    uscite().analizzaRispostaTcp(QStringLiteral("->00000110<-\r\nF?"));
    ingressi().analizzaRispostaTcp(QStringLiteral(" STATO INGRESSI ->00000011<-F?"));
    // An unfinished frame or the prompt alone changes nothing.
    for (const QString &risposta :
         {QStringLiteral("UNITA 100 USCITE ->111F?"), QStringLiteral("\r\nF?")}) {
        uscite().analizzaRispostaTcp(risposta);
        ingressi().analizzaRispostaTcp(risposta);
        QCOMPARE(colori(uscite()), QStringLiteral("GRRGGGGG"));
        QCOMPARE(colori(ingressi()), QStringLiteral("RRGGGGGG"));
    }
    // The board's own inputs frame lacks the unit frame's leading blank.
    ingressi().analizzaRispostaTcp(QStringLiteral("\r\nSTATO INGRESSI ->11111111<-\r\nF?"));
    QCOMPARE(colori(ingressi()), QStringLiteral("RRGGGGGG"));
}

void TestPaginePeriferiche::canaliDaPacchettiSeriali()
{
    valori().contatoreUAP = 1;
    // Levels 63, 25, 32, 0, 1, 62, 16, 40; a ninth packet changes nothing.
    const QList<int> livelli{63, 25, 32, 0, 1, 62, 16, 40, 10};
    for (int i = 0; i < livelli.size(); ++i) {
        analogiche().adpUAPStringPacket(
            frameCanale(i + 1, QStringLiteral("%1").arg(livelli[i], 3, 10, QLatin1Char('0'))));
    }
    QCOMPARE(displays(analogiche()), (QStringList{"100", "40", "51", "0", "2", "98", "25", "63"}));
    QCOMPARE(spinner(analogiche()), (QList<int>{100, 40, 51, 0, 2, 98, 25, 63}));
    QCOMPARE(valori().contatoreUAP, 10);

    // A level above 63 shows above 100; the spinner stops at its maximum.
    valori().contatoreUAP = 2;
    analogiche().adpUAPStringPacket(frameCanale(2, QStringLiteral("126")));
    QCOMPARE(analogiche().display(2)->testo(), QStringLiteral("200"));
    QCOMPARE(analogiche().spinner(2)->value(), 100);
    QCOMPARE(valori().contatoreUAP, 3);

    // A value that is not a number is not counted.
    QVERIFY_THROWS_EXCEPTION(ErroreConversione,
                             analogiche().adpUAPStringPacket(frameCanale(3, "0X1")));
    QCOMPARE(valori().contatoreUAP, 3);
    QCOMPARE(analogiche().display(3)->testo(), QStringLiteral("51"));
}

void TestPaginePeriferiche::canaliDaRispostaTcp()
{
    QString risposta;
    for (int n = 1; n <= 8; ++n) {
        risposta += frameCanale(n, QString::number(n * 7)) + QStringLiteral("\r\n");
    }
    risposta += QStringLiteral("F?");
    analogiche().analizzaRispostaTcp(risposta);
    QCOMPARE(displays(analogiche()), (QStringList{"11", "22", "33", "44", "56", "67", "78", "89"}));
    QCOMPARE(spinner(analogiche()), (QList<int>{11, 22, 33, 44, 56, 67, 78, 89}));

    // Three frames: the other five channels keep what they show.
    QString corta = frameCanale(1, "063") + frameCanale(2, "000") + frameCanale(3, "032") + "F?";
    analogiche().analizzaRispostaTcp(corta);
    QCOMPARE(displays(analogiche()), (QStringList{"100", "0", "51", "44", "56", "67", "78", "89"}));
    QString nessuno = QStringLiteral("F?");
    analogiche().analizzaRispostaTcp(nessuno);
    QCOMPARE(displays(analogiche()).first(), QStringLiteral("100"));
}

// The mended fault: another unit's states never stay on screen under the new selection.
void TestPaginePeriferiche::altraUnitaAzzeraIPunti()
{
    uscite().adpUDPStringPacket(QStringLiteral("->00000101<-"));
    ingressi().adpIDPStringPacket(QStringLiteral(" STATO INGRESSI ->10000000<-"));
    valori().contatoreUAP = 1;
    analogiche().adpUAPStringPacket(frameCanale(1, QStringLiteral("063")));
    analogiche().spinner(2)->setValue(30);

    uscite().gruppoUnita()->voce(2)->click();
    QCOMPARE(uscite().unitaSelezionata(), 2);
    QCOMPARE(colori(uscite()), QStringLiteral("--------"));
    QCOMPARE(colori(ingressi()), QStringLiteral("GGGGGGGR"));

    ingressi().gruppoUnita()->setItemIndex(5);
    QCOMPARE(colori(ingressi()), QStringLiteral("--------"));

    analogiche().gruppoUnita()->voce(7)->click();
    QCOMPARE(displays(analogiche()), QStringList(8, QString()));
    // The spinners are what a send uses: they keep the operator's values.
    QCOMPARE(analogiche().spinner(1)->value(), 100);
    QCOMPARE(analogiche().spinner(2)->value(), 30);
}

// Opening selects "Unità 1" at once; focus coming back from the log does not change the unit.
void TestPaginePeriferiche::aperturaETornoDelFuoco()
{
    BancoFinestra banco;
    QVERIFY(attiva(banco));
    TfrmMain &finestra = banco.finestra();
    PaginaPerifUsciteDigitali &uscite = *finestra.navigazione().paginaPerifUsciteDigitali();
    PaginaPerifIngressiDigitali &ingressi = *finestra.navigazione().paginaPerifIngressiDigitali();
    PaginaPerifUsciteAnalogiche &analogiche =
        *finestra.navigazione().paginaPerifUsciteAnalogiche();
    uscite.gruppoUnita()->setItemIndex(3);
    uscite.adpUDPStringPacket(QStringLiteral("->00000001<-"));
    uscite.sbPUDClick();
    QCOMPARE(banco.pagina(), 5);
    QCOMPARE(uscite.unitaSelezionata(), 0);
    QCOMPARE(colori(uscite), QStringLiteral("--------"));

    banco.clicca(QStringLiteral("rgUDP_3"));
    QCOMPARE(uscite.unitaSelezionata(), 3);
    finestra.mVisioneLogClick();
    auto *log = banco.controllo<QPlainTextEdit>(QStringLiteral("mmLog"));
    log->setFocus();
    QTRY_VERIFY(log->hasFocus());
    uscite.pannello(2)->setFocus();
    QTRY_VERIFY(uscite.pannello(2)->hasFocus());
    QCOMPARE(uscite.unitaSelezionata(), 3);

    // The focus handler itself puts "Unità 1" back.
    finestra.navigazione().TabSheet6Enter();
    QCOMPARE(uscite.unitaSelezionata(), 0);

    for (auto *pagina : std::initializer_list<PaginaPeriferica *>{&ingressi, &analogiche}) {
        pagina->gruppoUnita()->setItemIndex(6);
    }
    ingressi.sbPIDClick();
    QCOMPARE(banco.pagina(), 6);
    QCOMPARE(ingressi.unitaSelezionata(), 0);
    analogiche.sbPUAClick();
    QCOMPARE(banco.pagina(), 7);
    QCOMPARE(analogiche.unitaSelezionata(), 0);
    nessunMessaggio(banco.messaggi());
}

void TestPaginePeriferiche::tastiESpinner()
{
    QVERIFY(BancoPagina::mostra(analogiche()));
    analogiche().sbPUAClick();
    QCOMPARE(m_banco->pagineMostrate(), QList<int>{7});
    QLineEdit *casella = analogiche().casella(4);
    QSpinBox *spinner4 = analogiche().spinner(4);
    casella->setFocus();
    QTest::keyClicks(casella, QStringLiteral("1a-5x09"));
    QCOMPARE(casella->text(), QStringLiteral("150"));
    QTest::keyClick(casella, Qt::Key_Return);
    // Capped at 100; the send that follows writes the spinner as three digits.
    QCOMPARE(spinner4->value(), 100);
    QCOMPARE(analogiche().display(4)->testo(), QStringLiteral("100"));

    casella->clear();
    QTest::keyClick(casella, Qt::Key_Enter);
    QCOMPARE(spinner4->value(), 0);
    QCOMPARE(analogiche().display(4)->testo(), QStringLiteral("000"));

    // Releasing the mouse on the spinner copies its position to the display and the box.
    spinner4->setValue(7);
    QTest::mouseRelease(spinner4, Qt::LeftButton);
    QCOMPARE(analogiche().display(4)->testo(), QStringLiteral("007"));
    QCOMPARE(casella->text(), QStringLiteral("007"));
    QCOMPARE(analogiche().display(5)->testo(), QString());
}

void TestPaginePeriferiche::navigazione()
{
    BancoFinestra banco;
    QVERIFY(attiva(banco));
    FramerPagine &framer = banco.finestra().framer();
    struct Percorso
    {
        const char *periferiche;
        int pagina;
        const char *ritorno;
        int paginaScheda;
        Framer *scheda;
        Framer *periferica;
    };
    const Percorso percorsi[] = {
        {"sbPUD", 5, "sbUD", 1, framer.adpUD(), framer.adpUDP()},
        {"sbPID", 6, "sbID", 2, framer.adpID(), framer.adpIDP()},
        {"sbPUA", 7, "sbUA", 3, framer.adpUA(), framer.adpUAP()},
    };
    for (const Percorso &percorso : percorsi) {
        auto *pulsante = banco.controllo<QPushButton>(QLatin1String(percorso.periferiche));
        QVERIFY(pulsante->isEnabled());
        // With no connection kind the page opens and the framers stay as they were.
        pulsante->click();
        QCOMPARE(banco.pagina(), percorso.pagina);
        QVERIFY(!percorso.scheda->enabled());
        QVERIFY(!percorso.periferica->enabled());
        banco.clicca(QLatin1String(percorso.ritorno));
        QCOMPARE(banco.pagina(), percorso.paginaScheda);
        QVERIFY(percorso.scheda->enabled());
        QVERIFY(!percorso.periferica->enabled());
    }
    nessunMessaggio(banco.messaggi());
}

QTEST_MAIN(TestPaginePeriferiche)
#include "tst_paginePeriferiche.moc"
