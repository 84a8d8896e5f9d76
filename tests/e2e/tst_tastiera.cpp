// The panel worked by keyboard alone against the simulated board: every page opened, a relay
// switched, an alarm set and sent, the configuration edited, saved and left.
#include "DialogoModale.h"
#include "ProvaScheda.h"
#include "SimulatoreScheda.h"
#include "app/BarraStato.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "config/PaginaConfigurazione.h"
#include "core/Messaggi.h"
#include "pages/periferiche/PaginaPerifIngressiDigitali.h"
#include "pages/periferiche/PaginaPerifUsciteAnalogiche.h"
#include "pages/periferiche/PaginaPerifUsciteDigitali.h"
#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/scheda/PaginaUsciteAnalogiche.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/PannelloPunto.h"
#include "settings/Ini.h"
#include "Supporto.h"

#include <QCheckBox>
#include <QFocusFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestTastiera : public ProvaScheda
{
    Q_OBJECT

private slots:
    void init();

    void tuttoDaTastiera();

private:
    // Keys go where the operator's would: to the widget with the focus.
    static void premi(int tasto, Qt::KeyboardModifiers modificatori = Qt::NoModifier);
    // Tab until `obiettivo` has the focus; false when a full round never reaches it.
    static bool tabFino(QWidget *obiettivo);
    void apriPeriferica(QPushButton *periferiche, QPushButton *ritorno, int pagina);
    NavigazionePagine &navigazione() const { return m_finestra->navigazione(); }
};

void TestTastiera::init()
{
    ProvaScheda::init();
    // Nothing here is about pacing.
    setTempi(tempiBrevi());
    m_scheda->setIntervallo(150);
}

void TestTastiera::premi(int tasto, Qt::KeyboardModifiers modificatori)
{
    QWidget *destinatario = QApplication::focusWidget();
    if (!destinatario) {
        destinatario = QApplication::activeWindow();
    }
    QVERIFY(destinatario);
    QTest::keyClick(destinatario, Qt::Key(tasto), modificatori);
}

bool TestTastiera::tabFino(QWidget *obiettivo)
{
    // The focus reaches a dialog, or comes back to the window when it closes, a moment later:
    // on a busy machine after the test has already got hold of the dialog.
    if (!QTest::qWaitFor(
            [obiettivo] {
                return QApplication::focusWidget() &&
                       QApplication::focusWidget()->window() == obiettivo->window();
            },
            5000)) {
        return false;
    }
    for (int i = 0;
         i < 120 && QApplication::focusWidget() && QApplication::focusWidget() != obiettivo; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return QApplication::focusWidget() == obiettivo;
}

void TestTastiera::apriPeriferica(QPushButton *periferiche, QPushButton *ritorno, int pagina)
{
    const int partenza = m_finestra->paginaAttiva();
    QVERIFY(tabFino(periferiche));
    premi(Qt::Key_Space);
    QTRY_COMPARE(m_finestra->paginaAttiva(), pagina);
    QVERIFY(tabFino(ritorno));
    premi(Qt::Key_Space);
    QTRY_COMPARE(m_finestra->paginaAttiva(), partenza);
}

void TestTastiera::tuttoDaTastiera()
{
    avviaTcp();
    m_finestra->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_finestra.get()));
    m_scheda->stato().rele = {false, false, false, false, false, false, false, false};

    // Home: the entries take the focus and show it; Alt+U opens the relay page.
    auto *lbUD = m_finestra->findChild<QLabel *>(QStringLiteral("lbUD"));
    auto *lbID = m_finestra->findChild<QLabel *>(QStringLiteral("lbID"));
    QVERIFY(tabFino(lbUD));
    premi(Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), lbID);
    premi(Qt::Key_U, Qt::AltModifier);
    QTRY_COMPARE(m_finestra->paginaAttiva(), 1);

    // A relay switched with Space on its focused panel, which shows a frame of its own.
    PaginaUsciteDigitali &uscite = *navigazione().paginaUsciteDigitali();
    QTRY_VERIFY(!uscite.pannello(3)->isInAttesa() &&
                uscite.pannello(3)->colore() == PannelloPunto::coloreSpento());
    QVERIFY(tabFino(uscite.pannello(3)));
    QImage senza = uscite.pannello(4)->grab().toImage();
    QImage con = uscite.pannello(3)->grab().toImage();
    QVERIFY(con != senza);
    premi(Qt::Key_Space);
    QTRY_VERIFY(m_scheda->stato().rele[2]);
    QTRY_COMPARE(uscite.pannello(3)->colore(), PannelloPunto::coloreAcceso());
    apriPeriferica(uscite.pulsantePeriferiche(),
                   navigazione().paginaPerifUsciteDigitali()->pulsanteRitorno(), 5);
    if (QTest::currentTestFailed()) {
        return;
    }
    // Controls that draw no frame of their own get the window's.
    auto *cornice = m_finestra->findChild<QFocusFrame *>(QStringLiteral("corniceFuoco"));
    QVERIFY(cornice && cornice->isVisible());
    QCOMPARE(cornice->widget(), QApplication::focusWidget());

    // Ctrl+2 from another board page: an alarm set in its dialog and sent.
    premi(Qt::Key_2, Qt::ControlModifier);
    QTRY_COMPARE(m_finestra->paginaAttiva(), 2);
    PaginaIngressiDigitali &ingressi = *navigazione().paginaIngressiDigitali();
    auto *allarme = ingressi.findChild<QWidget *>(QStringLiteral("SpeedButton7"));
    QVERIFY(tabFino(allarme));
    QString titolo;
    suDialogoModale([&titolo](QDialog &dialogo) {
        titolo = dialogo.windowTitle();
        QVERIFY(dialogo.findChild<QPushButton *>(QStringLiteral("BitBtnAnnulla"))->isVisible());
        auto *cbAl = dialogo.findChild<QCheckBox *>(QStringLiteral("cbAl"));
        QVERIFY(tabFino(cbAl));
        premi(Qt::Key_Space);
        QVERIFY(cbAl->isChecked());
        premi(Qt::Key_Return);
    });
    premi(Qt::Key_Space);
    QCOMPARE(titolo, QStringLiteral("Allarme ingresso 3: Allarme Zona1"));
    QCOMPARE(ingressi.findChild<QLabel *>(QStringLiteral("lbIDS03"))->text(),
             QStringLiteral("All.:High"));
    // The window manager's part, which the offscreen platform leaves undone: the window is
    // active again once its dialog is gone.
    m_finestra->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_finestra.get()));
    QVERIFY(tabFino(ingressi.findChild<QWidget *>(QStringLiteral("sbIDImp"))));
    premi(Qt::Key_Space);
    QTRY_COMPARE_WITH_TIMEOUT(m_finestra->barraStato()->testo(1),
                              QStringLiteral("Impostazioni inviate alla scheda"), 15000);
    QCOMPARE(m_scheda->stato().abilitazioniDigitali, QStringLiteral("00100000"));
    apriPeriferica(ingressi.pulsantePeriferiche(),
                   navigazione().paginaPerifIngressiDigitali()->pulsanteRitorno(), 6);
    if (QTest::currentTestFailed()) {
        return;
    }

    premi(Qt::Key_3, Qt::ControlModifier);
    QTRY_COMPARE(m_finestra->paginaAttiva(), 3);
    apriPeriferica(navigazione().paginaUsciteAnalogiche()->pulsantePeriferiche(),
                   navigazione().paginaPerifUsciteAnalogiche()->pulsanteRitorno(), 7);
    if (QTest::currentTestFailed()) {
        return;
    }
    premi(Qt::Key_4, Qt::ControlModifier);
    QTRY_COMPARE(m_finestra->paginaAttiva(), 4);
    QTRY_VERIFY(!navigazione().paginaIngressiAnalogici()->display(8)->testo().isEmpty());

    // The configuration: a name typed and saved with Ctrl+S.
    premi(Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(m_finestra->paginaAttiva(), 8);
    PaginaConfigurazione &configurazione = *navigazione().paginaConfigurazione();
    QVERIFY(tabFino(configurazione.eUDIni(1)));
    premi(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(configurazione.eUDIni(1), QStringLiteral("Caldaia"));
    premi(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(LeggiIni(file(QStringLiteral("Impostazioni.INI")), QStringLiteral("OPTION"),
                      QStringLiteral("UD01")),
             QStringLiteral("Caldaia"));
    QCOMPARE(m_finestra->barraStato()->testo(1), QStringLiteral("Configurazione salvata"));

    // Unsaved edits: leaving asks; "Annulla" stays, "Sì" saves and goes on.
    QTest::keyClicks(configurazione.eUDIni(1), QStringLiteral(" 2"));
    m_messaggi.impostaRisposta(Messaggi::Risposta::Annulla);
    premi(Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(m_finestra->paginaAttiva(), 8);
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Domanda),
             QStringList{QStringLiteral("Salvare le modifiche?")});
    m_messaggi.impostaRisposta(Messaggi::Risposta::Si);
    premi(Qt::Key_1, Qt::ControlModifier);
    QTRY_COMPARE(m_finestra->paginaAttiva(), 1);
    QCOMPARE(m_messaggi.voci().size(), 2);
    QCOMPARE(uscite.pannello(1)->nome(), QStringLiteral("Caldaia 2"));
    // Nothing left to save: leaving again asks nothing.
    m_messaggi.svuota();
    premi(Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(m_finestra->paginaAttiva(), 8);
    premi(Qt::Key_4, Qt::ControlModifier);
    QTRY_COMPARE(m_finestra->paginaAttiva(), 4);
    QVERIFY(m_messaggi.voci().isEmpty());
}

QTEST_MAIN(TestTastiera)
#include "tst_tastiera.moc"
