// The analog outputs page: typed values and the spinner, the send buttons' display, and the
// level replies as the reply reader hands them over.
#include "BancoPagina.h"
#include "core/Errori.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/scheda/PaginaUsciteAnalogiche.h"
#include "protocol/LettoreRisposte.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

// A response to "*/PS" as the reader types it.
Risposta livelli(const QString &testo)
{
    return LettoreRisposte::leggi(testo, TipoRisposta::UsciteAnalogiche);
}

} // namespace

class TestPaginaUsciteAnalogiche : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_banco = std::make_unique<BancoPagina>(); }
    void cleanup() { m_banco.reset(); }

    void tastiValore_data();
    void tastiValore();
    void spinnerRilasciato();
    void invioMostraTreCifre();
    void risposta_data();
    void risposta();
    void controlliDellaPagina();
    void valoriNonAttuali();

private:
    PaginaUsciteAnalogiche &pagina() const { return m_banco->pagina<PaginaUsciteAnalogiche>(); }
    QToolButton *invio(int n) const
    {
        return pagina().findChild<QToolButton *>(QStringLiteral("sbUAInvio%1").arg(n));
    }
    void mostra() { QVERIFY(BancoPagina::mostra(pagina())); }

    std::unique_ptr<BancoPagina> m_banco;
};

void TestPaginaUsciteAnalogiche::tastiValore_data()
{
    // Keys: '\n' Enter, '\b' Backspace, '<' Home, '#' Delete; anything else is typed.
    QTest::addColumn<int>("uscita");
    QTest::addColumn<QString>("tasti");
    QTest::addColumn<QString>("casella");
    QTest::addColumn<QString>("display");
    QTest::addColumn<int>("spinner");
    QTest::addColumn<int>("invii");

    QTest::newRow("150 e Invio: 100") << 1 << "150\n"
                                      << "150"
                                      << "100" << 100 << 1;
    QTest::newRow("vuota e Invio: 000") << 1 << "\n"
                                        << ""
                                        << "000" << 0 << 1;
    QTest::newRow("7 e Invio") << 2 << "7\n"
                               << "7"
                               << "007" << 7 << 1;
    QTest::newRow("lettere e segno rifiutati") << 1 << "a-5+.x"
                                               << "5"
                                               << "" << 0 << 0;
    QTest::newRow("tre cifre al massimo") << 1 << "1234"
                                          << "123"
                                          << "" << 0 << 0;
    // The second box holds three digits too, and Backspace still works after them.
    QTest::newRow("seconda casella, tre cifre") << 2 << "9876\b"
                                                << "98"
                                                << "" << 0 << 0;
    QTest::newRow("cancella e riscrivi") << 1 << "123\b\b9\n"
                                         << "19"
                                         << "019" << 19 << 1;
    QTest::newRow("Inizio e Canc") << 2 << "45<#\n"
                                   << "5"
                                   << "005" << 5 << 1;
}

void TestPaginaUsciteAnalogiche::tastiValore()
{
    QFETCH(int, uscita);
    QFETCH(QString, tasti);
    QFETCH(QString, casella);
    QFETCH(QString, display);
    QFETCH(int, spinner);
    QFETCH(int, invii);
    mostra();
    QLineEdit *edit = pagina().casella(uscita);
    QCOMPARE(edit->objectName(), QStringLiteral("eVal%1").arg(uscita));
    QSignalSpy clic(invio(uscita), &QToolButton::clicked);
    for (const QChar c : tasti) {
        if (c == QLatin1Char('\n')) {
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (c == QLatin1Char('\b')) {
            QTest::keyClick(edit, Qt::Key_Backspace);
        } else if (c == QLatin1Char('<')) {
            QTest::keyClick(edit, Qt::Key_Home);
        } else if (c == QLatin1Char('#')) {
            QTest::keyClick(edit, Qt::Key_Delete);
        } else {
            QTest::keyClicks(edit, QString(c));
        }
    }
    QCOMPARE(edit->text(), casella);
    QCOMPARE(pagina().display(uscita)->testo(), display);
    QCOMPARE(pagina().spinner(uscita)->value(), spinner);
    QCOMPARE(clic.count(), invii);
    // The other output is untouched.
    QCOMPARE(pagina().display(3 - uscita)->testo(), QString());
    QVERIFY(m_banco->messaggi().voci().isEmpty());
}

void TestPaginaUsciteAnalogiche::spinnerRilasciato()
{
    mostra();
    QSpinBox *spinner = pagina().spinner(2);
    spinner->setValue(49);
    QCOMPARE(pagina().display(2)->testo(), QString());
    // The up arrow sits at the top right of the box.
    QTest::mouseClick(spinner, Qt::LeftButton, {}, QPoint(spinner->width() - 4, 3));
    QCOMPARE(spinner->value(), 50);
    QCOMPARE(pagina().display(2)->testo(), QStringLiteral("050"));
    QCOMPARE(pagina().casella(2)->text(), QStringLiteral("050"));
    QCOMPARE(pagina().display(1)->testo(), QString());
}

void TestPaginaUsciteAnalogiche::invioMostraTreCifre()
{
    mostra();
    pagina().spinner(2)->setValue(7);
    QTest::mouseClick(invio(2), Qt::LeftButton);
    QCOMPARE(pagina().display(2)->testo(), QStringLiteral("007"));
    QCOMPARE(pagina().casella(2)->text(), QString());
    QVERIFY(m_banco->messaggi().voci().isEmpty());
}

void TestPaginaUsciteAnalogiche::risposta_data()
{
    QTest::addColumn<QString>("risposta");
    QTest::addColumn<QString>("uscita1");
    QTest::addColumn<QString>("uscita2");
    QTest::newRow("due frame") << "USCITA 1 ->128<-\r\nUSCITA 2 ->051<-\r\nF?"
                               << "50"
                               << "20";
    QTest::newRow("corpi corti e lunghi") << "->5<-->00255<-F?"
                                          << "2"
                                          << "100";
    QTest::newRow("zero") << "->0<-\r\n->51<-\r\nF?"
                          << "0"
                          << "20";
    // Frames that are missing leave their outputs as they were.
    QTest::newRow("solo il primo") << "->255<-\r\nF?"
                                   << "100"
                                   << "x";
    QTest::newRow("nessun frame") << "F?"
                                  << "x"
                                  << "x";
    // A value that is not a number shows nothing, nor anything after it.
    QTest::newRow("non un numero") << "->1X8<-\r\n->255<-\r\nF?"
                                   << "x"
                                   << "x";
    QTest::newRow("relè e ingressi non sono uscite")
        << "STATO USCITE RELE ->00000001<-\r\nSTATO INGRESSI ->00000011<-\r\nF?"
        << "x"
        << "x";
}

void TestPaginaUsciteAnalogiche::risposta()
{
    QFETCH(QString, risposta);
    QFETCH(QString, uscita1);
    QFETCH(QString, uscita2);
    pagina().display(1)->mostra(QStringLiteral("x"));
    pagina().display(2)->mostra(QStringLiteral("x"));
    pagina().spinner(1)->setValue(33);
    pagina().spinner(2)->setValue(33);
    pagina().mostraLivelli(livelli(risposta));
    QCOMPARE(pagina().display(1)->testo(), uscita1);
    QCOMPARE(pagina().display(2)->testo(), uscita2);
    // The spinner follows the level shown, and only it.
    QCOMPARE(pagina().spinner(1)->value(), uscita1 == QLatin1String("x") ? 33 : uscita1.toInt());
    QCOMPARE(pagina().spinner(2)->value(), uscita2 == QLatin1String("x") ? 33 : uscita2.toInt());
}

void TestPaginaUsciteAnalogiche::controlliDellaPagina()
{
    mostra();
    m_banco->contesto().caricaConfIni();
    QCOMPARE(pagina().titolo(1)->text(), QStringLiteral("LUMINOSITA' (OUT 1)"));
    QCOMPARE(pagina().titolo(2)->text(), QStringLiteral("VENTILAZIONE (OUT 2)"));
    // Until the peripheral pages exist the button leads nowhere and cannot be pressed.
    QVERIFY(pagina().pulsantePeriferiche()->isEnabled());
    QVERIFY(
        !pagina().findChild<QPushButton *>(QStringLiteral("sbUARes"))->isVisibleTo(&pagina()));
    QVERIFY(
        pagina().findChild<QPushButton *>(QStringLiteral("sbUARich"))->isVisibleTo(&pagina()));
}

// The page's not-current look: both displays dim, a blank one shows "---"; a reply for one
// output lights that one again and leaves the other dim.
void TestPaginaUsciteAnalogiche::valoriNonAttuali()
{
    pagina().display(1)->mostra(QStringLiteral("50"));
    pagina().segnaNonAttuale();
    QVERIFY(pagina().isNonAttuale());
    for (int n = 1; n <= 2; ++n) {
        QVERIFY(pagina().display(n)->isNonAttuale());
        QCOMPARE(pagina().display(n)->palette().color(QPalette::WindowText),
                 DisplayLed::coloreAttenuato());
    }
    QCOMPARE(pagina().display(1)->testo(), QStringLiteral("50"));
    QVERIFY(pagina().display(2)->testo().isEmpty());
    QCOMPARE(pagina().display(2)->intValue(), 0);

    pagina().mostraLivelli(livelli(QStringLiteral("ANALOGICA ->255<- F?")));
    QVERIFY(!pagina().display(1)->isNonAttuale());
    QCOMPARE(pagina().display(1)->palette().color(QPalette::WindowText),
             DisplayLed::coloreAcceso());
    QCOMPARE(pagina().display(1)->testo(), QStringLiteral("100"));
    QVERIFY(pagina().display(2)->isNonAttuale());
    QVERIFY(pagina().isNonAttuale());

    // With no link nothing goes out, and no pending mark is left behind.
    mostra();
    pagina().spinner(2)->setValue(40);
    QTest::mouseClick(invio(2), Qt::LeftButton);
    QCOMPARE(pagina().display(2)->testo(), QStringLiteral("040"));
    QVERIFY(!pagina().display(2)->isInAttesa());
}

QTEST_MAIN(TestPaginaUsciteAnalogiche)
#include "tst_paginaUsciteAnalogiche.moc"
