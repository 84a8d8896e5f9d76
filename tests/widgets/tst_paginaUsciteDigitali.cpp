// The digital outputs page reading relay replies: from the serial framer and from a complete
// TCP response, painted on the eight panels of the main window.
#include "Colori.h"
#include "core/Messaggi.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QString frameRele(const QString &stato)
{
    return QStringLiteral("STATO USCITE RELE ->") + stato + QStringLiteral("<-");
}

} // namespace

class TestPaginaUsciteDigitali : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statiDalFramer_data();
    void statiDalFramer();
    void statiDallaRispostaTcp_data();
    void statiDallaRispostaTcp();
    void coloreDellaFinestraFinoAllaPrimaRisposta();
    void rispostaTcpSenzaFrameRele();
    void coloreDipinto();
    void aperturaSenzaCollegamento_data();
    void aperturaSenzaCollegamento();

private:
    void datiStati();
    PaginaUsciteDigitali &pagina() const { return *m_finestra->navigazione().paginaUsciteDigitali(); }

    std::unique_ptr<QTemporaryDir> m_cartella;
    MessaggiRegistrati m_messaggi;
    std::unique_ptr<TfrmMain> m_finestra;
};

void TestPaginaUsciteDigitali::init()
{
    m_cartella = std::make_unique<QTemporaryDir>();
    QVERIFY(m_cartella->isValid());
    m_messaggi.svuota();
    m_finestra = std::make_unique<TfrmMain>(&m_messaggi, m_cartella->path());
}

void TestPaginaUsciteDigitali::cleanup()
{
    m_finestra.reset();
    m_cartella.reset();
}

void TestPaginaUsciteDigitali::datiStati()
{
    QTest::addColumn<QString>("stato");
    QTest::addColumn<QString>("attesi");
    QTest::newRow("rele 1") << "00000001"
                            << "RGGGGGGG";
    QTest::newRow("rele 8") << "10000000"
                            << "GGGGGGGR";
    QTest::newRow("corto, riempito a sinistra") << "101"
                                                << "RGRGGGGG";
    QTest::newRow("lungo, contano gli ultimi otto") << "1100000000"
                                                    << "GGGGGGGG";
    QTest::newRow("tutti") << "11111111"
                           << "RRRRRRRR";
    QTest::newRow("vuoto") << ""
                           << "GGGGGGGG";
    QTest::newRow("altri caratteri") << "1x 2-0a1"
                                     << "RGGGGGGR";
}

void TestPaginaUsciteDigitali::statiDalFramer_data()
{
    datiStati();
}

void TestPaginaUsciteDigitali::statiDalFramer()
{
    QFETCH(QString, stato);
    QFETCH(QString, attesi);
    // Paint the opposite first, so every panel has to change.
    pagina().adpUDStringPacket(frameRele(QStringLiteral("01010101")));
    pagina().adpUDStringPacket(frameRele(stato));
    QCOMPARE(colori(pagina()), attesi);
}

void TestPaginaUsciteDigitali::statiDallaRispostaTcp_data()
{
    datiStati();
}

void TestPaginaUsciteDigitali::statiDallaRispostaTcp()
{
    QFETCH(QString, stato);
    QFETCH(QString, attesi);
    pagina().analizzaRispostaTcp(frameRele(QStringLiteral("10101010")) + QStringLiteral("\r\nF?"));
    pagina().analizzaRispostaTcp(frameRele(stato) + QStringLiteral("\r\nF?"));
    QCOMPARE(colori(pagina()), attesi);
}

void TestPaginaUsciteDigitali::coloreDellaFinestraFinoAllaPrimaRisposta()
{
    const QColor finestra = QPushButton().palette().color(QPalette::Button);
    QCOMPARE(colori(pagina()), QStringLiteral("????????"));
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(pagina().pannello(n)->colore(), finestra);
    }
    // A response for another page does not count as the first reply.
    pagina().analizzaRispostaTcp(QStringLiteral("F?"));
    QCOMPARE(colori(pagina()), QStringLiteral("????????"));
}

void TestPaginaUsciteDigitali::rispostaTcpSenzaFrameRele()
{
    pagina().analizzaRispostaTcp(frameRele(QStringLiteral("00000101")) + QStringLiteral("\r\nF?"));
    QCOMPARE(colori(pagina()), QStringLiteral("RGRGGGGG"));

    // Switching a relay is answered by the prompt alone; continuous output brings other frames.
    for (const QString &risposta :
         {QStringLiteral("F?"), QStringLiteral("\r\nF?"),
          QStringLiteral("STATO INGRESSI ->11111111<-\r\nINGRESSO 1 ANALOGICO ->00000<-\r\nF?")}) {
        pagina().analizzaRispostaTcp(risposta);
        QCOMPARE(colori(pagina()), QStringLiteral("RGRGGGGG"));
    }
    QVERIFY(m_messaggi.voci().isEmpty());
}

// The operator sees the state as the panel's face, not only in its palette.
void TestPaginaUsciteDigitali::coloreDipinto()
{
    m_finestra->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_finestra.get()));
    pagina().adpUDStringPacket(frameRele(QStringLiteral("00000010")));
    for (int n : {1, 2}) {
        PannelloPunto *pannello = pagina().pannello(n);
        const QImage immagine = pannello->grab().toImage();
        QVERIFY(!immagine.isNull());
        // Away from the border and from the centred caption.
        const QPoint punto(immagine.width() / 10, immagine.height() / 2);
        const QColor atteso = n == 2 ? QColor(255, 89, 89) : QColor(0, 255, 64);
        QCOMPARE(immagine.pixelColor(punto).rgb(), atteso.rgb());
    }
}

void TestPaginaUsciteDigitali::aperturaSenzaCollegamento_data()
{
    QTest::addColumn<QString>("voce");
    QTest::newRow("etichetta") << QStringLiteral("lbUD");
    QTest::newRow("cerchio") << QStringLiteral("shUD");
}

void TestPaginaUsciteDigitali::aperturaSenzaCollegamento()
{
    QFETCH(QString, voce);
    m_finestra->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_finestra.get()));
    pagina().adpUDStringPacket(frameRele(QStringLiteral("00000011")));
    auto *controllo = m_finestra->findChild<QWidget *>(voce);
    QVERIFY(controllo && controllo->isVisible());

    QTest::mouseClick(controllo, Qt::LeftButton);
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso),
             QStringList{QStringLiteral("Attenzione non e' stato definito il collegamento")});
    QCOMPARE(m_messaggi.voci().size(), 1);
    QCOMPARE(m_finestra->paginaAttiva(), 0);
    // The reload ran before the check: the panels already carry their names.
    QCOMPARE(pagina().pannello(8)->nome(), QStringLiteral("Accensione PC"));
    QCOMPARE(colori(pagina()), QStringLiteral("RRGGGGGG"));
}

QTEST_MAIN(TestPaginaUsciteDigitali)
#include "tst_paginaUsciteDigitali.moc"
