// The console window opened from the "Log" menu of the whole panel, against the simulated board
// over loopback TCP.
#include "app/FinestraConsole.h"
#include "protocol/SessioneScheda.h"
#include "ProvaScheda.h"
#include "Supporto.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QtTest>

namespace {

const QString kOra = QStringLiteral(R"(\d\d:\d\d:\d\d\.\d{3})");

QStringList righe(const QPlainTextEdit *memo)
{
    return memo->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int conta(const QStringList &elenco, const QRegularExpression &modello)
{
    int n = 0;
    for (const QString &riga : elenco) {
        n += modello.match(riga).hasMatch() ? 1 : 0;
    }
    return n;
}

// Idle prompts on screen, each line's count added up, and the largest count of one line;
// -1 when a line is not well formed.
qint64 prontiMostrati(const QPlainTextEdit *memo, qint64 *massimo = nullptr)
{
    static const QRegularExpression pronto(QStringLiteral("^%1 TCP RX F\\?(?: \\(×(\\d+)\\) fino "
                                                          "alle %1)?$")
                                               .arg(kOra));
    qint64 somma = 0;
    for (const QString &riga : righe(memo)) {
        if (!riga.contains(
                QRegularExpression(QStringLiteral("^%1 (TCP|SER) ([TR]X|\\*\\*) ").arg(kOra)))) {
            return -1;
        }
        const auto trovato = pronto.match(riga);
        if (trovato.hasMatch()) {
            const qint64 volte =
                trovato.captured(1).isEmpty() ? 1 : trovato.captured(1).toLongLong();
            somma += volte;
            if (massimo) {
                *massimo = std::max(*massimo, volte);
            }
        }
    }
    return somma;
}

QColor coloreDati(const QPlainTextEdit *memo, const QString &contiene)
{
    for (QTextBlock blocco = memo->document()->begin(); blocco.isValid(); blocco = blocco.next()) {
        if (blocco.text().contains(contiene)) {
            // After the time, in its own colour.
            return (++blocco.begin()).fragment().charFormat().foreground().color();
        }
    }
    return {};
}

} // namespace

class TestConsole : public ProvaScheda
{
    Q_OBJECT

private slots:
    void trafficoPausaTrovaSalva();
    void memoriaLimitata();
    void dallAvvioConGliEventi();

private:
    FinestraConsole *apriDalMenu();
    template <typename T = QWidget> T *in(FinestraConsole *console, const char *nome)
    {
        return console->findChild<T *>(QLatin1String(nome));
    }
};

FinestraConsole *TestConsole::apriDalMenu()
{
    auto *log = m_finestra->findChild<QMenu *>(QStringLiteral("Configurazioni1"));
    for (QAction *voce : log->actions()) {
        if (voce->objectName() == QLatin1String("mConsole") &&
            voce->text() == QLatin1String("Console")) {
            voce->trigger();
            return m_finestra->finestraConsole();
        }
    }
    return nullptr;
}

void TestConsole::trafficoPausaTrovaSalva()
{
    m_scheda->setIntervallo(100);
    avviaTcp();
    FinestraConsole *console = apriDalMenu();
    QVERIFY(console);
    qint64 prontiRicevuti = 0;
    bool rele = false;
    connect(&m_finestra->sessione(), &SessioneScheda::datiRicevuti, console,
            [&](const QString &, const QByteArray &dati) {
                prontiRicevuti += dati == "F?" ? 1 : 0;
                rele = rele || dati.contains("STATO USCITE RELE");
            });
    QVERIFY(QTest::qWaitForWindowExposed(console));
    auto *memo = in<QPlainTextEdit>(console, "memoConsole");

    // The link opens with the first page; then the idle board's prompts pile up on one line
    // whose count grows.
    clicca(QStringLiteral("lbUD"));
    const auto massimo = [memo] {
        qint64 esito = 0;
        prontiMostrati(memo, &esito);
        return esito;
    };
    QTRY_VERIFY(massimo() >= 3);
    // Lines stay while prompts keep coming (a slow machine may join two prompts in a chunk,
    // which then shows as it came).
    QTRY_VERIFY_WITH_TIMEOUT(memo->blockCount() < prontiRicevuti, 10000);

    // Relay 5: the command as one TX line, the reply as RX, in other colours.
    clicca(QStringLiteral("sbUD5"));
    QTRY_VERIFY(memo->toPlainText().contains(QStringLiteral("RX STATO USCITE RELE ->00010000<-")));
    const QRegularExpression comando(QStringLiteral(R"(^%1 TCP TX \*/R5(\\r\\n)?$)").arg(kOra));
    QCOMPARE(conta(righe(memo), comando), 1);
    const QColor tx = coloreDati(memo, QStringLiteral("TX */R5"));
    const QColor rx = coloreDati(memo, QStringLiteral("RX STATO"));
    QVERIFY(tx.isValid() && rx.isValid() && tx != rx);

    // Paused, nothing on screen moves, prompt counts included; resuming shows what came.
    const QRegularExpression richiesta(QStringLiteral(R"( TCP TX \*/RS)"));
    const QRegularExpression risposta(QStringLiteral(" RX STATO USCITE RELE"));
    const int richieste = conta(righe(memo), richiesta);
    const int risposte = conta(righe(memo), risposta);
    auto *sbPausa = in<QPushButton>(console, "sbPausa");
    QTest::mouseClick(sbPausa, Qt::LeftButton);
    QCOMPARE(sbPausa->text(), QStringLiteral("&Riprendi"));
    const QString fermo = memo->toPlainText();
    rele = false;
    clicca(QStringLiteral("sbUDRich"));
    QTRY_VERIFY(rele);
    const qint64 primaDelleAttese = prontiRicevuti;
    QTRY_VERIFY(prontiRicevuti >= primaDelleAttese + 2);
    QCOMPARE(memo->toPlainText(), fermo);
    QVERIFY(console->righeInAttesa() >= 2);
    QVERIFY(in<QLabel>(console, "lbConsole")->text().startsWith(QStringLiteral("In pausa: ")));
    QTest::mouseClick(sbPausa, Qt::LeftButton);
    QCOMPARE(sbPausa->text(), QStringLiteral("&Pausa"));
    QCOMPARE(console->righeInAttesa(), 0);
    QCOMPARE(conta(righe(memo), richiesta), richieste + 1);
    QCOMPARE(conta(righe(memo), risposta), risposte + 1);

    // Once the board is silent, every prompt it sent is on screen, counted once.
    m_scheda->setMuto(true);
    QTRY_COMPARE(prontiMostrati(memo), prontiRicevuti);

    // Find: each match in turn, whatever the case; a missing text is said.
    console->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(console));
    auto *edTrova = in<QLineEdit>(console, "edTrova");
    QTest::keyClicks(edTrova, QStringLiteral("stato uscite"));
    QTest::keyClick(edTrova, Qt::Key_Return);
    QCOMPARE(memo->textCursor().selectedText(), QStringLiteral("STATO USCITE"));
    const int primo = memo->textCursor().position();
    QTest::keyClick(console, Qt::Key_F3);
    QCOMPARE(memo->textCursor().selectedText(), QStringLiteral("STATO USCITE"));
    QVERIFY(memo->textCursor().position() > primo);
    QTest::mouseClick(in(console, "sbCopia"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("STATO USCITE"));
    edTrova->setText(QStringLiteral("*/Q9"));
    QTest::keyClick(edTrova, Qt::Key_Return);
    QCOMPARE(in<QLabel>(console, "lbConsole")->text(), QStringLiteral("«*/Q9» non trovato"));

    // Save and copy: every line; a folder that is not there is told, in Italian.
    const QString file = m_cartella->filePath(QStringLiteral("console.txt"));
    console->setSceltaFile([&] { return file; });
    QTest::keyClick(console, Qt::Key_S, Qt::ControlModifier);
    const QString salvato = leggiTesto(file);
    QCOMPARE(salvato, memo->toPlainText() + QLatin1Char('\n'));
    QVERIFY(salvato.contains(QStringLiteral("(×")));
    memo->moveCursor(QTextCursor::End);
    QTest::mouseClick(in(console, "sbCopia"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), salvato);
    console->setSceltaFile([&] { return m_cartella->filePath(QStringLiteral("manca/c.txt")); });
    QTest::mouseClick(in(console, "sbSalva"), Qt::LeftButton);
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso).size(), 1);
    QVERIFY(m_messaggi.voci().first().testo.startsWith(
        QStringLiteral("Impossibile salvare la console in ")));
    m_messaggi.svuota();

    // Cleared, a prompt starts a line of its own; Esc and Ctrl+W close the window, which keeps
    // what it collected meanwhile.
    QTest::mouseClick(in(console, "sbCancella"), Qt::LeftButton);
    QVERIFY(memo->toPlainText().isEmpty());
    QTest::keyClick(console, Qt::Key_Escape);
    QVERIFY(!console->isVisible());
    m_scheda->setMuto(false);
    const qint64 chiusa = prontiRicevuti;
    QTRY_VERIFY(prontiRicevuti >= chiusa + 2);
    QCOMPARE(apriDalMenu(), console);
    QVERIFY(QTest::qWaitForWindowExposed(console));
    QTRY_VERIFY(prontiMostrati(memo) > 0);
    QVERIFY(righe(memo).first().contains(
        QRegularExpression(QStringLiteral("^%1 TCP RX F\\?").arg(kOra))));
    console->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(console));
    QTest::keyClick(console, Qt::Key_W, Qt::ControlModifier);
    QVERIFY(!console->isVisible());
}

// Opened late, the Console still holds the traffic from the start, with the link's events as
// lines of their own; it opens centred on the main window.
void TestConsole::dallAvvioConGliEventi()
{
    m_scheda->setIntervallo(100);
    avviaTcp();
    clicca(QStringLiteral("lbUD"));
    clicca(QStringLiteral("sbUD5"));
    QVERIFY(attendiInvii());
    QVERIFY(m_finestra->finestraConsole() != nullptr);
    QVERIFY(!m_finestra->finestraConsole()->isVisible());
    m_scheda->chiudiConnessione();

    FinestraConsole *console = apriDalMenu();
    QVERIFY(QTest::qWaitForWindowExposed(console));
    auto *memo = in<QPlainTextEdit>(console, "memoConsole");
    const QRegularExpression evento(QStringLiteral("^%1 TCP \\*\\* (.*)$").arg(kOra));
    QTRY_VERIFY(memo->toPlainText().contains(QStringLiteral("TCP ** Collegamento perso")));
    const QStringList tutte = righe(memo);
    QStringList eventi;
    for (const QString &riga : tutte) {
        if (const auto trovato = evento.match(riga); trovato.hasMatch()) {
            eventi << trovato.captured(1);
        }
    }
    QCOMPARE(eventi.first(), QStringLiteral("Collegamento aperto"));
    QVERIFY2(eventi.contains(QStringLiteral("Collegamento perso")), qPrintable(eventi.join('|')));
    const QString testo = memo->toPlainText();
    QVERIFY(testo.indexOf(QStringLiteral("TCP ** Collegamento aperto")) <
            testo.indexOf(QStringLiteral("TCP TX */R5")));
    QVERIFY(testo.contains(QStringLiteral("RX STATO USCITE RELE ->00010000<-")));
    QVERIFY(coloreDati(memo, QStringLiteral("** Collegamento perso")) !=
            coloreDati(memo, QStringLiteral("TX */R5")));

    // Centred on the main window, not in the screen's corner.
    const QPoint centro = m_finestra->frameGeometry().center();
    QVERIFY2((console->frameGeometry().center() - centro).manhattanLength() <= 40,
             qPrintable(QStringLiteral("%1,%2").arg(console->x()).arg(console->y())));
    // What the loss told the operator is another test's business.
    m_messaggi.svuota();
}

void TestConsole::memoriaLimitata()
{
    crea();
    QVERIFY(mostra());
    FinestraConsole *console = apriDalMenu();
    QVERIFY(QTest::qWaitForWindowExposed(console));
    auto *memo = in<QPlainTextEdit>(console, "memoConsole");
    // A paused view holds back no more lines than it can show, the newest ones.
    QTest::mouseClick(in(console, "sbPausa"), Qt::LeftButton);
    for (int i = 0; i < FinestraConsole::MassimoRighe + 10; ++i) {
        console->aggiungi(true, QStringLiteral("SER"), QByteArray::number(i));
    }
    QCOMPARE(console->righeInAttesa(), FinestraConsole::MassimoRighe);
    // A flood in one read keeps only its start.
    console->aggiungi(true, QStringLiteral("SER"), QByteArray(100000, 'x'));
    QTest::mouseClick(in(console, "sbPausa"), Qt::LeftButton);
    QCOMPARE(memo->blockCount(), FinestraConsole::MassimoRighe);
    QVERIFY(righe(memo).first().endsWith(QStringLiteral(" SER RX 11")));
    QVERIFY(righe(memo).last().endsWith(
        QStringLiteral(" … (altri %1 byte)").arg(100000 - FinestraConsole::MassimoByteRiga)));
    QVERIFY(righe(memo).last().size() < FinestraConsole::MassimoByteRiga + 100);
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
