// The digital outputs page reading relay replies, as the reply reader hands them over, painted
// on its eight panels.
#include "BancoFinestra.h"
#include "BancoPagina.h"
#include "Colori.h"
#include "app/NavigazionePagine.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/LettoreRisposte.h"

#include <QImage>
#include <QtTest>

#include <memory>

namespace {

QString frameRele(const QString &stato)
{
    return QStringLiteral("STATO USCITE RELE ->") + stato + QStringLiteral("<-");
}

// A response to "*/RS" as the reader types it.
Risposta rele(const QString &testo)
{
    return LettoreRisposte::leggi(testo, TipoRisposta::Rele);
}

} // namespace

class TestPaginaUsciteDigitali : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_banco = std::make_unique<BancoPagina>(); }
    void cleanup() { m_banco.reset(); }

    void statiDallaRisposta_data();
    void statiDallaRisposta();
    void coloreDellaFinestraFinoAllaPrimaRisposta();
    void rispostaSenzaFrameRele();
    void coloreDipinto();
    void aperturaSenzaCollegamento_data();
    void aperturaSenzaCollegamento();

private:
    PaginaUsciteDigitali &pagina() const { return m_banco->pagina<PaginaUsciteDigitali>(); }

    std::unique_ptr<BancoPagina> m_banco;
};

void TestPaginaUsciteDigitali::statiDallaRisposta_data()
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

void TestPaginaUsciteDigitali::statiDallaRisposta()
{
    QFETCH(QString, stato);
    QFETCH(QString, attesi);
    // Paint the opposite first, so every panel has to change.
    pagina().mostraStati(rele(frameRele(QStringLiteral("01010101")) + QStringLiteral("\r\nF?")));
    pagina().mostraStati(rele(frameRele(stato) + QStringLiteral("\r\nF?")));
    QCOMPARE(colori(pagina()), attesi);
}

void TestPaginaUsciteDigitali::coloreDellaFinestraFinoAllaPrimaRisposta()
{
    const QColor finestra = QPushButton().palette().color(QPalette::Button);
    QCOMPARE(colori(pagina()), QStringLiteral("--------"));
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(pagina().pannello(n)->colore(), finestra);
    }
    // A response for another page does not count as the first reply.
    pagina().mostraStati(rele(QStringLiteral("F?")));
    QCOMPARE(colori(pagina()), QStringLiteral("--------"));
}

void TestPaginaUsciteDigitali::rispostaSenzaFrameRele()
{
    pagina().mostraStati(rele(frameRele(QStringLiteral("00000101")) + QStringLiteral("\r\nF?")));
    QCOMPARE(colori(pagina()), QStringLiteral("RGRGGGGG"));

    // Switching a relay is answered by the prompt alone; continuous output brings other frames.
    for (const QString &risposta :
         {QStringLiteral("F?"), QStringLiteral("\r\nF?"),
          QStringLiteral("STATO INGRESSI ->11111111<-\r\nINGRESSO 1 ANALOGICO ->00000<-\r\nF?")}) {
        pagina().mostraStati(rele(risposta));
        QCOMPARE(colori(pagina()), QStringLiteral("RGRGGGGG"));
    }
    QVERIFY(m_banco->messaggi().voci().isEmpty());
}

// The operator sees the state as the panel's face, not only in its palette.
void TestPaginaUsciteDigitali::coloreDipinto()
{
    QVERIFY(BancoPagina::mostra(pagina()));
    pagina().mostraStati(rele(frameRele(QStringLiteral("00000010"))));
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
    // From the home page: the window's page control leads there.
    BancoFinestra banco;
    QVERIFY(banco.mostra());
    PaginaUsciteDigitali &pagina = *banco.finestra().navigazione().paginaUsciteDigitali();
    pagina.mostraStati(rele(frameRele(QStringLiteral("00000011"))));
    banco.clicca(voce);
    QCOMPARE(banco.messaggi().testi(MessaggiRegistrati::Tipo::Avviso),
             QStringList{QStringLiteral("Attenzione non e' stato definito il collegamento")});
    QCOMPARE(banco.messaggi().voci().size(), 1);
    QCOMPARE(banco.pagina(), 0);
    // The reload ran before the check: the panels already carry their names.
    QCOMPARE(pagina.pannello(8)->nome(), QStringLiteral("Accensione PC"));
    QCOMPARE(colori(pagina), QStringLiteral("RRGGGGGG"));
}

QTEST_MAIN(TestPaginaUsciteDigitali)
#include "tst_paginaUsciteDigitali.moc"
