// The digital outputs page against the simulated board, over loopback TCP and over a
// pseudo-terminal: what the operator sees, and what reaches the board, byte by byte and in time.
#include "Colori.h"
#include "Blocchi.h"
#include "ProvaScheda.h"
#include "SimulatoreScheda.h"
#include "core/Messaggi.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "core/ValoriProgramma.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Timing bounds. Lower bounds allow for the simulator reading a chunk a little late; upper
// bounds are generous because two shared cores can stall any process for a while.
constexpr qint64 kScarto = 20;
constexpr qint64 kMargine = 700;
// Idle prompt period of the simulator on the serial link: long enough that a command written
// after a fresh prompt is told apart from one written right after the previous pause.
constexpr int kIntervalloSeriale = 600;

using Blocco = SimulatoreScheda::Blocco;

// The same letters for the simulator's relays.
QString releScheda(const SimulatoreScheda &scheda)
{
    QString esito;
    for (const bool acceso : scheda.stato().rele) {
        esito += acceso ? QLatin1Char('R') : QLatin1Char('G');
    }
    return esito;
}

QList<Blocco> bloccoDa(const SimulatoreScheda &scheda, qsizetype da)
{
    return scheda.ricevuti().mid(da);
}

} // namespace

class TestUsciteDigitali : public ProvaScheda
{
    Q_OBJECT

private slots:
    void tcpAperturaERele();
    void tcpReset();
    void tcpModoContinuo();
    void tcpTempoRele();
    void serialeTempoReleAllAvvio();
    void serialeReleEReset();

private:
    void apriPagina();
    void settaggiReleAllarme();
    PaginaUsciteDigitali &pagina() const { return *m_finestra->navigazione().paginaUsciteDigitali(); }
};

void TestUsciteDigitali::apriPagina()
{
    clicca(QStringLiteral("lbUD"));
    QCOMPARE(m_finestra->paginaAttiva(), 1);
}

void TestUsciteDigitali::settaggiReleAllarme()
{
    m_finestra->findChild<QAction *>(QStringLiteral("Settaggi1"))->trigger();
    QCOMPARE(m_finestra->paginaAttiva(), 8);
    auto *schede = m_finestra->findChild<QTabWidget *>(QStringLiteral("pcSettaggio"));
    schede->setCurrentIndex(4);
    QCOMPARE(m_finestra->findChild<QComboBox *>(QStringLiteral("cbTime"))->currentText(),
             QStringLiteral("1"));
}

void TestUsciteDigitali::tcpAperturaERele()
{
    avviaTcp();
    m_scheda->stato().rele = {true, false, true, false, false, false, false, true};
    QCOMPARE(colori(pagina()), QStringLiteral("--------"));

    apriPagina();
    QTRY_COMPARE(colori(pagina()), QStringLiteral("RGRGGGGR"));
    QVERIFY(attendiInvii());
    // With the continuous-mode flag off only the request is sent.
    QCOMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/RS\r\n"));

    const qsizetype da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbUD5"));
    QTRY_COMPARE(uniti(bloccoDa(*m_scheda, da)), QByteArray("*/R5\r\n*/RS\r\n"));
    QCOMPARE(releScheda(*m_scheda), QStringLiteral("RGRGRGGR"));
    QTRY_COMPARE(colori(pagina()), QStringLiteral("RGRGRGGR"));

    // One character per write, each at least 50 ms after the one before.
    const QList<Blocco> blocchi = bloccoDa(*m_scheda, da);
    QCOMPARE(blocchi.size(), 12);
    for (qsizetype i = 1; i < blocchi.size(); ++i) {
        QCOMPARE(blocchi.at(i).collegamento, QStringLiteral("TCP"));
        const qint64 passo = blocchi.at(i).ms - blocchi.at(i - 1).ms;
        QVERIFY2(passo >= 50 - kScarto, qPrintable(QString::number(passo)));
        // Inside one command the pace is 50 ms; the request waits for a fresh prompt.
        if (i != 6) {
            QVERIFY2(passo < 50 + kMargine, qPrintable(QString::number(passo)));
        }
    }

    // Clicked again, relay 5 goes back off.
    clicca(QStringLiteral("sbUD5"));
    QTRY_COMPARE(releScheda(*m_scheda), QStringLiteral("RGRGGGGR"));
    QTRY_COMPARE(colori(pagina()), QStringLiteral("RGRGGGGR"));
}

void TestUsciteDigitali::tcpReset()
{
    avviaTcp();
    m_scheda->stato().rele = {false, true, false, false, false, true, true, false};
    apriPagina();
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GRGGGRRG"));
    QVERIFY(attendiInvii());

    const qsizetype da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbUDRes"));
    QTRY_COMPARE(uniti(bloccoDa(*m_scheda, da)), QByteArray("*/R0\r\n*/RS\r\n"));
    QCOMPARE(releScheda(*m_scheda), QStringLiteral("GGGGGGGG"));
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GGGGGGGG"));
}

void TestUsciteDigitali::tcpModoContinuo()
{
    avviaTcp();
    // The board is streaming its inputs: the panel sees it in the text that comes with the
    // first prompt and switches the stream off before asking for the relays.
    m_scheda->stato().continuo = true;
    m_scheda->stato().rele[1] = true;
    apriPagina();
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/C\r\n*/RS\r\n"));
    QVERIFY(!m_scheda->stato().continuo);
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GRGGGGGG"));
    QTRY_VERIFY(!m_finestra->sessione().isContinuo());
    QVERIFY(attendiInvii());

    // With the stream off, "Richiesta" asks without "*/C", which would start the stream
    // instead of stopping it.
    const qsizetype da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbUDRich"));
    QTRY_COMPARE(uniti(bloccoDa(*m_scheda, da)), QByteArray("*/RS\r\n"));
    QVERIFY(!m_scheda->stato().continuo);
    QVERIFY(!m_finestra->sessione().isContinuo());
    QCOMPARE(colori(pagina()), QStringLiteral("GRGGGGGG"));
}

void TestUsciteDigitali::tcpTempoRele()
{
    avviaTcp();
    // Over TCP the send needs the connection that opening a board page makes.
    apriPagina();
    clicca(QStringLiteral("sbHome1"));
    settaggiReleAllarme();
    QVERIFY(attendiInvii());

    const qsizetype da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("SpeedButton22"));
    QTRY_COMPARE(uniti(bloccoDa(*m_scheda, da)), QByteArray("*/T1\r\n"));
    QCOMPARE(m_scheda->stato().tempoRele, QStringLiteral("1"));
    QCOMPARE(m_finestra->paginaAttiva(), 8);
}

void TestUsciteDigitali::serialeTempoReleAllAvvio()
{
    avviaSeriale(kIntervalloSeriale);
    settaggiReleAllarme();
    clicca(QStringLiteral("SpeedButton22"));

    QTRY_COMPARE(pezzi(m_scheda->ricevuti()), (QList<QByteArray>{"*/T", "1"}));
    const QList<Blocco> blocchi = m_scheda->ricevuti();
    QCOMPARE(blocchi.at(0).collegamento, QStringLiteral("SER"));
    const qint64 passo = blocchi.at(1).ms - blocchi.at(0).ms;
    QVERIFY2(passo >= 800 - kScarto && passo < 800 + kMargine, qPrintable(QString::number(passo)));
    QCOMPARE(m_scheda->stato().tempoRele, QStringLiteral("1"));
}

void TestUsciteDigitali::serialeReleEReset()
{
    avviaSeriale(kIntervalloSeriale);
    m_scheda->stato().rele = {false, false, false, true, false, false, false, false};
    apriPagina();
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GGGRGGGG"));
    QVERIFY(attendiInvii());
    QCOMPARE(pezzi(m_scheda->ricevuti()), (QList<QByteArray>{"*/R", "S"}));

    qsizetype da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbUD5"));
    QTRY_COMPARE_WITH_TIMEOUT(pezzi(bloccoDa(*m_scheda, da)),
                              (QList<QByteArray>{"*/R", "5", "*/R", "S"}), 10000);
    const QList<Blocco> blocchi = bloccoDa(*m_scheda, da);
    QCOMPARE(releScheda(*m_scheda), QStringLiteral("GGGRRGGG"));
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GGGRRGGG"));

    const qint64 dopoPrimo = blocchi.at(1).ms - blocchi.at(0).ms;
    const qint64 attesa = blocchi.at(2).ms - blocchi.at(1).ms;
    const qint64 dopoRichiesta = blocchi.at(3).ms - blocchi.at(2).ms;
    const QString tempi = QStringLiteral("%1 %2 %3").arg(dopoPrimo).arg(attesa).arg(dopoRichiesta);
    QVERIFY2(dopoPrimo >= 800 - kScarto && dopoPrimo < 800 + kMargine, qPrintable(tempi));
    QVERIFY2(dopoRichiesta >= 800 - kScarto && dopoRichiesta < 800 + kMargine, qPrintable(tempi));
    // The prompt answering "*/R5" arrives during the 200 ms pause and does not count: the
    // request waits for the next one, a full idle period after the board's last input.
    QVERIFY2(attesa >= kIntervalloSeriale - kScarto && attesa < kIntervalloSeriale + kMargine,
             qPrintable(tempi));

    QVERIFY(attendiInvii());
    da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbUDRes"));
    QTRY_COMPARE_WITH_TIMEOUT(pezzi(bloccoDa(*m_scheda, da)),
                              (QList<QByteArray>{"*/R", "0", "*/R", "S"}), 10000);
    QCOMPARE(releScheda(*m_scheda), QStringLiteral("GGGGGGGG"));
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GGGGGGGG"));
}

QTEST_MAIN(TestUsciteDigitali)
#include "tst_usciteDigitali.moc"
