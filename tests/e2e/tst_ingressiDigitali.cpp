// The digital inputs page against the simulated board, over loopback TCP and over a
// pseudo-terminal: the inputs the operator sees, the alarm settings as they reach the board,
// and the continuous reporting switched on and off.
#include "Colori.h"
#include "DialogoModale.h"
#include "SimulatoreScheda.h"
#include "Blocchi.h"
#include "ProvaScheda.h"
#include "Supporto.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "pages/widgets/GruppoRadio.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "pages/scheda/TfrmStato.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

// The simulator's idle prompt period: short, as nothing here is about pacing.
constexpr int kIntervallo = 150;

} // namespace

class TestIngressiDigitali : public ProvaScheda
{
    Q_OBJECT

private slots:
    void init();

    void tcpIngressiEAllarmi();
    void tcpImpostazioniNonScrivibili();
    void tcpModoContinuo();
    void serialeIngressiAllarmiEContinua();

private:
    void apriPagina();
    // Through the alarm dialog of input n: tick or untick "Al.", choose the level, OK.
    void modificaAllarme(int n, bool allarme, bool basso);
    void impostaAllarmi(const QStringList &testi);
    QList<SimulatoreScheda::Blocco> ricevutiDa(qsizetype da) const
    {
        return m_scheda->ricevuti().mid(da);
    }
    PaginaIngressiDigitali &pagina() const
    {
        return *m_finestra->navigazione().paginaIngressiDigitali();
    }
    QString leggiImpostazione(const QString &sezione, const QString &chiave) const
    {
        return LeggiIni(file(QStringLiteral("Impostazioni.INI")), sezione, chiave);
    }
};

void TestIngressiDigitali::init()
{
    ProvaScheda::init();
    setTempi(tempiBrevi());
    m_scheda->setIntervallo(kIntervallo);
    m_scheda->stato().ingressi.fill(false);
}

void TestIngressiDigitali::apriPagina()
{
    clicca(QStringLiteral("lbID"));
    QCOMPARE(m_finestra->paginaAttiva(), 2);
}

void TestIngressiDigitali::modificaAllarme(int n, bool allarme, bool basso)
{
    bool fatto = false;
    suDialogoModale([&](QDialog &modale) {
        auto *dialogo = qobject_cast<TfrmStato *>(&modale);
        QVERIFY(dialogo);
        if (dialogo->cbAl()->isChecked() != allarme) {
            dialogo->cbAl()->click();
        }
        dialogo->rgStato()->voce(basso ? 1 : 0)->click();
        QTest::mouseClick(dialogo->findChild<QPushButton *>(QStringLiteral("BitBtn1")),
                          Qt::LeftButton);
        fatto = true;
    });
    clicca(QStringLiteral("SpeedButton%1").arg(n + 4));
    QVERIFY(fatto);
}

void TestIngressiDigitali::impostaAllarmi(const QStringList &testi)
{
    for (int n = 1; n <= 8; ++n) {
        pagina().impostaTestoAllarme(n, testi.at(n - 1));
    }
}

void TestIngressiDigitali::tcpIngressiEAllarmi()
{
    QVERIFY(scriviTesto(file(QStringLiteral("Impostazioni.INI")),
                        QStringLiteral("[Impostazioni]\nAllarme=01000001\nStato=00000001\n")));
    m_scheda->stato().ingressi = {true, false, false, true, false, false, false, false};
    avviaTcp();
    QCOMPARE(colori(pagina()), QStringLiteral("--------"));

    apriPagina();
    QTRY_COMPARE(colori(pagina()), QStringLiteral("RGGRGGGG"));
    // The sender is done; its last bytes may still be on their way.
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/I\r\n"));
    const QString off = QStringLiteral("All.:Off");
    for (int n = 1; n <= 8; ++n) {
        const QString atteso = n == 2   ? QStringLiteral("All.:High")
                               : n == 8 ? QStringLiteral("All.:Low")
                                        : off;
        QCOMPARE(pagina().testoAllarme(n), atteso);
    }

    // An input goes on; the request never starts with "*/C", whatever the session last
    // believed of the stream.
    QCOMPARE(m_scheda->imposta(QStringLiteral("ingresso 7 1")), QString());
    QVERIFY(attendiInvii());
    m_finestra->sessione().setContinuo(true);
    qsizetype da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbIDRich"));
    QTRY_COMPARE(colori(pagina()), QStringLiteral("RGGRGGRG"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/I\r\n"));
    QVERIFY(!m_scheda->stato().continuo);

    modificaAllarme(1, true, false);
    modificaAllarme(2, true, true);
    modificaAllarme(8, false, true);

    m_scheda->stato().ingressi.fill(false);
    m_scheda->stato().ingressi[0] = true;
    da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbIDImp"));
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/HDC11000000\r\n*/HDS01111111\r\n*/I\r\n"));
    QCOMPARE(m_scheda->stato().abilitazioniDigitali, QStringLiteral("11000000"));
    QCOMPARE(m_scheda->stato().livelliDigitali, QStringLiteral("01111111"));
    QCOMPARE(leggiImpostazione(QStringLiteral("Impostazioni"), QStringLiteral("Allarme")),
             QStringLiteral("11000000"));
    QCOMPARE(leggiImpostazione(QStringLiteral("Impostazioni"), QStringLiteral("Stato")),
             QStringLiteral("01111111"));
    // The request that follows the settings repaints the inputs.
    QTRY_COMPARE(colori(pagina()), QStringLiteral("RGGGGGGG"));
}

// The board gets the settings even when the file cannot take them; the operator is told once.
void TestIngressiDigitali::tcpImpostazioniNonScrivibili()
{
    QVERIFY(QDir(m_cartella->path()).mkdir(QStringLiteral("Impostazioni.INI")));
    avviaTcp();
    apriPagina();
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GGGGGGGG"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/I\r\n"));
    const QString off = QStringLiteral("All.:Off");
    impostaAllarmi(
        {off, off, QStringLiteral("All.:Low"), off, off, off, off, QStringLiteral("All.:High")});

    const qsizetype da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbIDImp"));
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/HDC00100001\r\n*/HDS11111110\r\n*/I\r\n"));
    QCOMPARE(m_scheda->stato().livelliDigitali, QStringLiteral("11111110"));
    QCOMPARE(m_messaggi.voci().size(), 1);
    QCOMPARE(m_messaggi.voci().first().tipo, MessaggiRegistrati::Tipo::Avviso);
    m_messaggi.svuota();
}

void TestIngressiDigitali::tcpModoContinuo()
{
    avviaTcp();
    // Stands for the analog inputs page's button, which follows the board the same way.
    QWidget altraPagina;
    auto *sbIAContinua = new QPushButton(&altraPagina);
    m_finestra->findChild<ModoContinuo *>()->aggiungiPulsante(sbIAContinua);
    QPushButton *sbIDContinua = pagina().pulsanteContinua();

    apriPagina();
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GGGGGGGG"));
    QVERIFY(!m_finestra->sessione().isContinuo());
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/I\r\n"));

    const qsizetype da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbIDContinua"));
    QCOMPARE(leggiImpostazione(QStringLiteral("OPTION"), QStringLiteral("CONTINUO")),
             QStringLiteral("1"));
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/C\r\n"));
    QVERIFY(m_scheda->stato().continuo);
    QTRY_VERIFY(sbIAContinua->isChecked());
    QVERIFY(sbIDContinua->isChecked());
    QTRY_VERIFY(m_finestra->sessione().isContinuo());
    // From the next request on, the stream is read for this page with no further command.
    clicca(QStringLiteral("sbIDRich"));
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/C\r\n*/I\r\n"));
    QCOMPARE(m_scheda->imposta(QStringLiteral("ingresso 4 1")), QString());
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GGGRGGGG"));
    QVERIFY(sbIDContinua->isChecked() && sbIAContinua->isChecked());
    QVERIFY(attendiInvii());
    QTRY_COMPARE(m_scheda->ricevuti().size(), da + 10);

    clicca(QStringLiteral("sbIDContinua"));
    QCOMPARE(leggiImpostazione(QStringLiteral("OPTION"), QStringLiteral("CONTINUO")),
             QStringLiteral("1")); // the stand-in button was still down
    QTRY_COMPARE(uniti(ricevutiDa(da)), QByteArray("*/C\r\n*/I\r\n*/C\r\n"));
    QVERIFY(!m_scheda->stato().continuo);
    QTRY_VERIFY(!sbIAContinua->isChecked());
    QVERIFY(!sbIDContinua->isChecked());
    QTRY_VERIFY(!m_finestra->sessione().isContinuo());

    // The board starts and stops streaming on its own: both buttons follow, nothing is sent.
    QVERIFY(attendiInvii());
    const qsizetype prima = m_scheda->ricevuti().size();
    m_scheda->stato().continuo = true;
    QTRY_VERIFY(sbIDContinua->isChecked() && sbIAContinua->isChecked());
    m_scheda->stato().continuo = false;
    QTRY_VERIFY(!sbIDContinua->isChecked() && !sbIAContinua->isChecked());
    QCOMPARE(m_scheda->ricevuti().size(), prima);
}

void TestIngressiDigitali::serialeIngressiAllarmiEContinua()
{
    const QString registro = file(QStringLiteral("scheda.log"));
    QVERIFY(m_scheda->setRegistro(registro));
    avviaSeriale(kIntervallo);
    m_scheda->stato().ingressi = {false, false, false, false, false, true, false, true};
    apriPagina();
    QTRY_COMPARE(colori(pagina()), QStringLiteral("GGGGGRGR"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(pezzi(m_scheda->ricevuti()), QList<QByteArray>{"*/I"});
    QCOMPARE(m_scheda->ricevuti().first().collegamento, QStringLiteral("SER"));

    const QString off = QStringLiteral("All.:Off");
    impostaAllarmi(
        {QStringLiteral("All.:High"), QStringLiteral("All.:Low"), off, off, off, off, off, off});
    qsizetype da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbIDImp"));
    QVERIFY(attendiInvii());
    // The states are asked again, as on TCP.
    QTRY_COMPARE(pezzi(ricevutiDa(da)),
                 (QList<QByteArray>{"*/H", "DC", "11000000", "*/H", "DS", "01111111", "*/I"}));
    QCOMPARE(m_scheda->stato().abilitazioniDigitali, QStringLiteral("11000000"));
    QCOMPARE(m_scheda->stato().livelliDigitali, QStringLiteral("01111111"));
    // The simulator's log file: one line per piece, time, link, bytes.
    QStringList righe = leggiTesto(registro).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(righe.size(), 8);
    for (QString &riga : righe) {
        riga = riga.section(QLatin1Char(' '), 1);
    }
    QCOMPARE(righe, (QStringList{"SER */I", "SER */H", "SER DC", "SER 11000000", "SER */H",
                                 "SER DS", "SER 01111111", "SER */I"}));

    da = m_scheda->ricevuti().size();
    clicca(QStringLiteral("sbIDContinua"));
    QTRY_COMPARE(pezzi(ricevutiDa(da)), QList<QByteArray>{"*/C"});
    QVERIFY(m_scheda->stato().continuo);
    // The reader takes the inputs frame out of the stream.
    QCOMPARE(m_scheda->imposta(QStringLiteral("ingresso 1 1")), QString());
    QTRY_COMPARE(colori(pagina()), QStringLiteral("RGGGGRGR"));
    QVERIFY(pagina().pulsanteContinua()->isChecked());
    QVERIFY(m_finestra->sessione().isContinuo());

    clicca(QStringLiteral("sbIDContinua"));
    QTRY_COMPARE(pezzi(ricevutiDa(da)), (QList<QByteArray>{"*/C", "*/C"}));
    QVERIFY(!m_scheda->stato().continuo);
    QTRY_VERIFY(!m_finestra->sessione().isContinuo());
    QVERIFY(!pagina().pulsanteContinua()->isChecked());
}

QTEST_MAIN(TestIngressiDigitali)
#include "tst_ingressiDigitali.moc"
