// Standard dialogs speak Italian whatever the system language; the alarm dialogs say which
// input they edit and refuse levels that cannot be right; status notices are cut visibly.
#include "app/BarraStato.h"
#include "app/TfrmMain.h"
#include "app/Traduzioni.h"
#include "pages/scheda/TfrmStato.h"
#include "pages/scheda/TfrmStatoAnalogici.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

class TestDialoghi : public QObject
{
    Q_OBJECT

private slots:
    void dialoghiStandardInItaliano();
    void livelliAnalogici_data();
    void livelliAnalogici();
    void titoliEAnnulla();
    void ingressoNelCorpoETitoloIntero();
    void larghezzeDisposte_data();
    void larghezzeDisposte();
    void pannelloAccorciato();
};

void TestDialoghi::dialoghiStandardInItaliano()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("x"), QStringLiteral("y"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Annulla"));

    // The file dialog of the CSV export, drawn by Qt itself.
    QFileDialog dialogo(nullptr, QStringLiteral("Esporta"));
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    QStringList testi;
    for (const QPushButton *pulsante : dialogo.findChildren<QPushButton *>()) {
        testi << pulsante->text();
    }
    QVERIFY2(testi.contains(QStringLiteral("Annulla")), qPrintable(testi.join(u'|')));
    QVERIFY2(testi.contains(QStringLiteral("&Salva")) || testi.contains(QStringLiteral("Salva")),
             qPrintable(testi.join(u'|')));

    // The clock: Italian names although the process runs with the C locale.
    const QDateTime lunedi(QDate(2026, 12, 7), QTime(9, 5, 3));
    QCOMPARE(TfrmMain::testoOrologio(lunedi, QLocale()), QStringLiteral(" lun 07/dic/2026 09:05:03"));
}

void TestDialoghi::livelliAnalogici_data()
{
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("minimo");
    QTest::addColumn<QString>("massimo");
    QTest::addColumn<QString>("errore");

    QTest::newRow("dentro") << "All.:5 - 60" << "0" << "100" << "";
    QTest::newRow("estremi compresi") << "All.:-20 - 50" << "-20" << "50" << "";
    QTest::newRow("intervallo rovesciato") << "All.:10 - 40" << "50" << "-20" << "";
    QTest::newRow("lettere") << "All.:abc - 5" << "0" << "100"
                             << "Valore Min: scrivere un numero";
    QTest::newRow("vuoto") << "All.:5 - " << "0" << "100" << "Valore Max: scrivere un numero";
    QTest::newRow("oltre il massimo")
        << "All.:5 - 999" << "0" << "100"
        << "Valore Max: fuori dall'intervallo dell'ingresso (0 - 100)";
    QTest::newRow("sotto il minimo")
        << "All.:-30 - 5" << "-20" << "50"
        << "Valore Min: fuori dall'intervallo dell'ingresso (-20 - 50)";
    // A range that is not a number is told at the send; here only numbers are asked for.
    QTest::newRow("intervallo illeggibile") << "All.:5 - 999" << "x" << "100" << "";
    QTest::newRow("minimo sopra il massimo")
        << "All.:30 - 10" << "0" << "100"
        << "Valore Min: deve essere minore o uguale a Valore Max (30 > 10)";
    QTest::newRow("rovesciato senza intervallo")
        << "All.:-5 - -7" << "x" << "100"
        << "Valore Min: deve essere minore o uguale a Valore Max (-5 > -7)";
    // One level for both: an alarm at a single value is still a window.
    QTest::newRow("minimo uguale al massimo") << "All.:20 - 20" << "0" << "100" << "";
}

void TestDialoghi::livelliAnalogici()
{
    QFETCH(QString, campo);
    QFETCH(QString, minimo);
    QFETCH(QString, massimo);
    QFETCH(QString, errore);

    TfrmStatoAnalogici dialogo;
    dialogo.impostaIngresso(2, QStringLiteral("Temperatura"), minimo, massimo,
                            QStringLiteral("°C"));
    dialogo.setCampo(campo);
    dialogo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialogo));
    QCOMPARE(dialogo.findChild<QLabel *>(QStringLiteral("lbUnitaMax"))->text(),
             QStringLiteral("°C"));
    dialogo.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    auto *lbErrore = dialogo.findChild<QLabel *>(QStringLiteral("lbErrore"));
    if (errore.isEmpty()) {
        QVERIFY(!dialogo.isVisible());
        QCOMPARE(dialogo.result(), int(QDialog::Accepted));
        QCOMPARE(dialogo.campo(), campo);
    } else {
        // Still open, saying what is wrong, the field unchanged.
        QVERIFY(dialogo.isVisible());
        QVERIFY(lbErrore->isVisible());
        QCOMPARE(lbErrore->text(), errore);
        QCOMPARE(dialogo.campo(), campo);
        // The box to correct is the one the message names.
        const QString nomeCampo =
            errore.startsWith(QStringLiteral("Valore Min")) ? "eValMin" : "eValMax";
        QCOMPARE(dialogo.focusWidget()->objectName(), nomeCampo);
    }

    // With the alarm off nothing is checked.
    dialogo.findChild<QCheckBox *>(QStringLiteral("cbAl"))->setChecked(false);
    dialogo.BitBtn1Click();
    QCOMPARE(dialogo.campo(), QStringLiteral("All.:Off"));
}

void TestDialoghi::titoliEAnnulla()
{
    TfrmStato digitale;
    digitale.impostaIngresso(3, QStringLiteral("Pompa"));
    QCOMPARE(digitale.windowTitle(), QStringLiteral("Allarme ingresso 3: Pompa"));
    digitale.setTesto(QStringLiteral("All.:Low"));
    digitale.show();
    QVERIFY(QTest::qWaitForWindowExposed(&digitale));
    auto *annulla = digitale.findChild<QPushButton *>(QStringLiteral("BitBtnAnnulla"));
    QVERIFY(annulla->isVisible());
    QCOMPARE(annulla->text(), QStringLiteral("Annulla"));
    digitale.findChild<QCheckBox *>(QStringLiteral("cbAl"))->setChecked(false);
    annulla->click();
    QCOMPARE(digitale.result(), int(QDialog::Rejected));
    QCOMPARE(digitale.testo(), QStringLiteral("All.:Low"));

    // A name over several lines makes a one-line caption; no name, no colon.
    TfrmStatoAnalogici analogico;
    analogico.impostaIngresso(8, QStringLiteral("Vento\nnord"), QStringLiteral("0"),
                              QStringLiteral("10"), QString());
    QCOMPARE(analogico.windowTitle(), QStringLiteral("Allarme ingresso 8: Vento nord"));
    QCOMPARE(TfrmStato::titoloIngresso(1, QStringLiteral("  ")),
             QStringLiteral("Allarme ingresso 1"));
}

void TestDialoghi::ingressoNelCorpoETitoloIntero()
{
    const auto larghezzaTitolo = [](const QString &titolo) {
        // Window managers draw captions in a bold face, beside an icon and within a border.
        QFont grassetto = QApplication::font();
        grassetto.setBold(true);
        return QFontMetrics(grassetto).horizontalAdvance(titolo) + 40;
    };
    const int schermo = QApplication::primaryScreen()->availableGeometry().width();

    TfrmStatoAnalogici dialogo;
    dialogo.impostaIngresso(2, QStringLiteral("TEMPERATURA ESTERNA"), QStringLiteral("-20"),
                            QStringLiteral("50"), QStringLiteral("°C"));
    dialogo.setCampo(QStringLiteral("All.:10 - 40"));
    dialogo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialogo));
    QVERIFY2(dialogo.width() >= larghezzaTitolo(dialogo.windowTitle()),
             qPrintable(QString::number(dialogo.width())));
    auto *lbIngresso = dialogo.findChild<QLabel *>(QStringLiteral("lbIngresso"));
    QVERIFY(lbIngresso);
    QVERIFY(lbIngresso->isVisible());
    QCOMPARE(lbIngresso->text(), QStringLiteral("Ingresso 2: TEMPERATURA ESTERNA"));
    // Every control whole at the first size.
    for (const QWidget *figlio : dialogo.findChildren<QWidget *>()) {
        if (figlio->isVisible()) {
            QVERIFY2(dialogo.rect().contains(figlio->geometry()),
                     qPrintable(figlio->objectName()));
        }
    }
    const QStringList testi{dialogo.findChild<QCheckBox *>(QStringLiteral("cbAl"))->text(),
                            dialogo.findChild<QLabel *>(QStringLiteral("lbValoreMin"))->text(),
                            dialogo.findChild<QLabel *>(QStringLiteral("lbValoreMax"))->text()};
    QCOMPARE(testi, (QStringList{"Al.", "Valore Min :", "Valore Max :"}));

    // "Al." has the focus first, then Tab walks the levels and the buttons and comes round.
    dialogo.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialogo));
    QStringList ordine;
    for (int i = 0; i < 6 && QApplication::focusWidget(); ++i) {
        ordine << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(ordine, (QStringList{"cbAl", "eValMin", "eValMax", "BitBtn1", "BitBtnAnnulla", "cbAl"}));

    // A name made to break the page: one plain line in the body; the dialog stays on screen.
    TfrmStatoAnalogici ostile;
    const QString lungo = QStringLiteral("<b>Vento</b>\nnord ") + QString(200, u'x');
    ostile.impostaIngresso(8, lungo, QStringLiteral("0"), QStringLiteral("10"), QString());
    ostile.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ostile));
    auto *lbOstile = ostile.findChild<QLabel *>(QStringLiteral("lbIngresso"));
    QVERIFY(lbOstile);
    QCOMPARE(lbOstile->textFormat(), Qt::PlainText);
    // Too long for any screen: cut visibly, whole in the tool tip.
    const QString intero = QStringLiteral("Ingresso 8: ") + lungo.simplified();
    QCOMPARE(lbOstile->toolTip(), intero);
    QVERIFY2(lbOstile->text().endsWith(QChar(0x2026)), qPrintable(lbOstile->text()));
    QVERIFY(intero.startsWith(lbOstile->text().chopped(1)));
    QVERIFY2(ostile.frameGeometry().width() <= schermo,
             qPrintable(QString::number(ostile.frameGeometry().width())));
}

void TestDialoghi::larghezzeDisposte_data()
{
    QTest::addColumn<int>("barra");
    QTest::addColumn<int>("primo");
    QTest::addColumn<int>("serve0");
    QTest::addColumn<int>("serve1");
    QTest::addColumn<QList<int>>("attese");

    // In the window panel 0's own width is the bar less the other two.
    QTest::newRow("avviso corto") << 751 << 401 << 230 << 120 << QList<int>{401, 180, 170};
    QTest::newRow("avviso lungo") << 751 << 401 << 230 << 300 << QList<int>{281, 300, 170};
    QTest::newRow("più lungo dello spazio") << 751 << 401 << 230 << 900
                                            << QList<int>{230, 351, 170};
    QTest::newRow("stato più largo del pannello") << 751 << 401 << 500 << 300
                                                  << QList<int>{401, 180, 170};
    QTest::newRow("barra più larga dei pannelli") << 800 << 300 << 300 << 260
                                                  << QList<int>{300, 260, 170};
    QTest::newRow("dalla barra e dal pannello 0") << 700 << 300 << 200 << 400
                                                  << QList<int>{200, 330, 170};
}

void TestDialoghi::larghezzeDisposte()
{
    QFETCH(int, barra);
    QFETCH(int, primo);
    QFETCH(int, serve0);
    QFETCH(int, serve1);
    QFETCH(QList<int>, attese);
    const std::array<int, 3> disposte =
        BarraStato::larghezzeDisposte(barra, {primo, 180, 170}, serve0, serve1);
    QCOMPARE((QList<int>{disposte[0], disposte[1], disposte[2]}), attese);
}

// A notice takes the room the connection text leaves, never less than panel 1's own width;
// cut only when even that is not enough, and whole in the tooltip.
void TestDialoghi::pannelloAccorciato()
{
    BarraStato barra;
    barra.resize(751, 20);
    barra.impostaLarghezzaPannello(0, 751 - 350);
    barra.show();
    QVERIFY(QTest::qWaitForWindowExposed(&barra));
    auto *pannello0 = barra.findChild<QLabel *>(QStringLiteral("stbPannello0"));
    auto *pannello1 = barra.findChild<QLabel *>(QStringLiteral("stbPannello1"));
    auto *pannello2 = barra.findChild<QLabel *>(QStringLiteral("stbPannello2"));
    const QString stato = QStringLiteral("Connessione TCP/IP Attiva -- 192.168.100.200:5000");
    barra.impostaTesto(0, stato);
    const QString avviso = QStringLiteral("Comando non inviato: la scheda non risponde");
    barra.impostaTesto(1, avviso);
    QCOMPARE(pannello0->text(), stato);
    QCOMPARE(pannello1->text(), avviso);
    QVERIFY(pannello1->width() > 180);
    QCOMPARE(pannello2->x(), pannello1->x() + pannello1->width());
    QCOMPARE(pannello2->x() + pannello2->width(), 751);

    const QString lungo = avviso + QStringLiteral(": ") + QString(40, QLatin1Char('x'));
    barra.impostaTesto(1, lungo);
    QCOMPARE(pannello0->text(), stato);
    QCOMPARE(barra.testo(1), lungo);
    QVERIFY2(pannello1->text().endsWith(QChar(0x2026)), qPrintable(pannello1->text()));
    QVERIFY(lungo.startsWith(pannello1->text().chopped(1)));
    QVERIFY(pannello1->fontMetrics().horizontalAdvance(pannello1->text()) <=
            pannello1->contentsRect().width());
    QCOMPARE(pannello1->toolTip(), Qt::convertFromPlainText(lungo));

    // A short notice gives the room back.
    barra.impostaTesto(1, QStringLiteral("Pronto"));
    QCOMPARE(pannello1->width(), 180);
    QCOMPARE(pannello0->width(), 751 - 350);
}

int main(int argc, char *argv[])
{
    // As on a system set to another language.
    qputenv("LANG", "C");
    qputenv("LC_ALL", "C");
    qputenv("LANGUAGE", "C");
    QApplication app(argc, argv);
    if (!caricaTraduzioni(app)) {
        qWarning("Qt's Italian catalogues not found (package qt6-translations-l10n)");
        return 1;
    }
    TestDialoghi prova;
    return QTest::qExec(&prova, argc, argv);
}

#include "tst_dialoghi.moc"
