// The digital inputs page: input replies and rounds of continuous output, the alarm texts
// loaded, edited in their dialog and stored, and the "Continua" buttons.
#include "BancoFinestra.h"
#include "BancoPagina.h"
#include "Colori.h"
#include "DialogoModale.h"
#include "Supporto.h"
#include "app/NavigazionePagine.h"
#include "pages/widgets/GruppoRadio.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/widgets/PannelloPunto.h"
#include "pages/scheda/TfrmStato.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

QString frameIngressi(const QString &stato)
{
    return QStringLiteral("STATO INGRESSI ->") + stato + QStringLiteral("<-");
}

// A response to "*/I" as the reader types it.
Risposta ingressi(const QString &testo)
{
    return LettoreRisposte::leggi(testo, TipoRisposta::Ingressi);
}

// The board's continuous output: the inputs frame first, the analog frames after it.
QByteArray giroContinuo(const QString &stato)
{
    return (QStringLiteral("\r\n") + frameIngressi(stato) +
            QStringLiteral("\r\nINGRESSO 1 ANALOGICO ->01234<-\r\nF?"))
        .toLatin1();
}

} // namespace

class TestPaginaIngressiDigitali : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_banco = std::make_unique<BancoPagina>(); }
    void cleanup() { m_banco.reset(); }

    void controlliDellaPagina();
    void statiDallaRisposta_data();
    void statiDallaRisposta();
    void statiDalGiroContinuo_data();
    void statiDalGiroContinuo();
    void rispostaSenzaFrameIngressi();
    void modoContinuoDalTestoRicevuto();
    void caricaAllarmi_data();
    void caricaAllarmi();
    void dialogoAllarme_data();
    void dialogoAllarme();
    void memorizzaAllarmiSenzaCollegamento();
    void pulsantiContinua();
    void aperturaSenzaCollegamento_data();
    void aperturaSenzaCollegamento();

private:
    void datiStati();
    PaginaIngressiDigitali &pagina() const { return m_banco->pagina<PaginaIngressiDigitali>(); }
    // What the board sends, through the session's reader as a link hands it over.
    void ricevi(const QByteArray &dati) const { m_banco->sessione().lettore().ricevi(dati); }
    QString fileImpostazioni() const { return m_banco->fileImpostazioni(); }
    QString leggi(const QString &sezione, const QString &chiave) const
    {
        return LeggiIni(fileImpostazioni(), sezione, chiave);
    }
    static QStringList testiAllarme(const PaginaIngressiDigitali &pagina)
    {
        QStringList testi;
        for (int n = 1; n <= 8; ++n) {
            testi << pagina.testoAllarme(n);
        }
        return testi;
    }
    QStringList testiAllarme() const { return testiAllarme(pagina()); }

    std::unique_ptr<BancoPagina> m_banco;
};

void TestPaginaIngressiDigitali::controlliDellaPagina()
{
    QStringList didascalie;
    for (const QLabel *etichetta : pagina().findChildren<QLabel *>()) {
        if (etichetta->text().startsWith(QLatin1Char('('))) {
            didascalie << etichetta->text();
        }
    }
    didascalie.sort();
    QCOMPARE(didascalie, (QStringList{"(IN 2)", "(IN 3)", "(IN 4)", "(IN 5)", "(IN 6)", "(IN 7)",
                                      "(IN 8)", "(IN1)"}));
    for (int n = 1; n <= 8; ++n) {
        auto *allarme =
            pagina().findChild<QToolButton *>(QStringLiteral("SpeedButton%1").arg(n + 4));
        QVERIFY(allarme);
        QCOMPARE(allarme->toolTip(), QStringLiteral("Allarme"));
        QVERIFY(pagina().findChild<QLabel *>(QStringLiteral("lbIDS0%1").arg(n)));
    }
    auto *continua = pagina().findChild<QPushButton *>(QStringLiteral("sbIDContinua"));
    QVERIFY(continua && continua->isCheckable());
    QCOMPARE(continua->toolTip(), QStringLiteral("Continua"));
    QCOMPARE(pagina().findChild<QPushButton *>(QStringLiteral("sbIDImp"))->text(),
             QStringLiteral("Invio Impostazioni"));
    // Until the peripheral pages exist the button cannot be used.
    QVERIFY(pagina().pulsantePeriferiche()->isEnabled());
    QCOMPARE(pagina().pulsantePeriferiche()->objectName(), QStringLiteral("sbPID"));
}

void TestPaginaIngressiDigitali::datiStati()
{
    QTest::addColumn<QString>("stato");
    QTest::addColumn<QString>("attesi");
    QTest::newRow("ingresso 1") << "00000001"
                                << "RGGGGGGG";
    QTest::newRow("un carattere, riempito a sinistra") << "1"
                                                       << "RGGGGGGG";
    QTest::newRow("ingresso 8") << "10000000"
                                << "GGGGGGGR";
    QTest::newRow("lungo, contano gli ultimi otto") << "1100000000"
                                                    << "GGGGGGGG";
    QTest::newRow("vuoto") << ""
                           << "GGGGGGGG";
    QTest::newRow("altri caratteri") << "1x 2-0a1"
                                     << "RGGGGGGR";
}

void TestPaginaIngressiDigitali::statiDallaRisposta_data()
{
    datiStati();
}

void TestPaginaIngressiDigitali::statiDallaRisposta()
{
    QFETCH(QString, stato);
    QFETCH(QString, attesi);
    pagina().mostraStati(
        ingressi(frameIngressi(QStringLiteral("01010101")) + QStringLiteral("F?")));
    pagina().mostraStati(ingressi(frameIngressi(stato) + QStringLiteral("\r\nF?")));
    QCOMPARE(colori(pagina()), attesi);
}

void TestPaginaIngressiDigitali::statiDalGiroContinuo_data()
{
    datiStati();
}

void TestPaginaIngressiDigitali::statiDalGiroContinuo()
{
    QFETCH(QString, stato);
    QFETCH(QString, attesi);
    // Unasked: no command armed the reader, the page listens for every round.
    QCOMPARE(colori(pagina()), QStringLiteral("--------"));
    ricevi(giroContinuo(QStringLiteral("10101010")));
    QCOMPARE(colori(pagina()), QStringLiteral("GRGRGRGR"));
    ricevi("F?" + giroContinuo(stato));
    QCOMPARE(colori(pagina()), attesi);
}

void TestPaginaIngressiDigitali::rispostaSenzaFrameIngressi()
{
    QCOMPARE(colori(pagina()), QStringLiteral("--------"));
    pagina().mostraStati(ingressi(QStringLiteral("F?")));
    QCOMPARE(colori(pagina()), QStringLiteral("--------"));

    pagina().mostraStati(
        ingressi(frameIngressi(QStringLiteral("00100100")) + QStringLiteral("\r\nF?")));
    QCOMPARE(colori(pagina()), QStringLiteral("GGRGGRGG"));
    m_banco->sessione().setContinuo(true);
    for (const QString &risposta : {QStringLiteral("F?"), QStringLiteral("\r\nF?"),
                                    QStringLiteral("STATO USCITE RELE ->11111111<-\r\nF?")}) {
        pagina().mostraStati(ingressi(risposta));
        QCOMPARE(colori(pagina()), QStringLiteral("GGRGGRGG"));
    }
    // Painting is all the page does: the continuous-mode state is the session's to judge.
    QVERIFY(m_banco->sessione().isContinuo());
}

void TestPaginaIngressiDigitali::modoContinuoDalTestoRicevuto()
{
    SessioneScheda &sessione = m_banco->sessione();
    QPushButton *continua = pagina().pulsanteContinua();

    // A round of continuous output: the button goes down, without its click handler.
    ricevi(giroContinuo(QStringLiteral("00000000")));
    QVERIFY(sessione.isContinuo());
    QVERIFY(continua->isChecked());

    // An inputs reply alone is no round: judged again from its own text.
    ricevi((frameIngressi(QStringLiteral("00000000")) + QStringLiteral("\r\nF?")).toLatin1());
    QVERIFY(!sessione.isContinuo());
    QVERIFY(!continua->isChecked());
    QCOMPARE(leggi(QStringLiteral("OPTION"), QStringLiteral("CONTINUO")), kErrore);
    QVERIFY(m_banco->messaggi().voci().isEmpty());
}

void TestPaginaIngressiDigitali::caricaAllarmi_data()
{
    QTest::addColumn<QString>("contenuto");
    QTest::addColumn<QStringList>("attesi");
    const QString off = QStringLiteral("All.:Off");
    const QString high = QStringLiteral("All.:High");
    const QString low = QStringLiteral("All.:Low");
    QTest::newRow("ingresso 1 alto") << "[Impostazioni]\nAllarme=10000000\nStato=01000000\n"
                                     << QStringList{high, off, off, off, off, off, off, off};
    // Inputs 3..8 keep the texts set before the load.
    QTest::newRow("stringhe corte") << "[Impostazioni]\nAllarme=11\nStato=01\n"
                                    << QStringList{high, low, low, low, low, low, low, low};
    QTest::newRow("chiavi mancanti") << "[OPTION]\nCONTINUO=1\n" << QStringList(8, off);
    QTest::newRow("ERRORE scritto in minuscolo") << "[Impostazioni]\nAllarme=errore\nStato=Errore\n"
                                                 << QStringList(8, off);
    QTest::newRow("sezione e chiavi senza badare alle maiuscole")
        << "[IMPOSTAZIONI]\nallarme=00000011\nSTATO=11111110\n"
        << QStringList{off, off, off, off, off, off, low, high};
}

void TestPaginaIngressiDigitali::caricaAllarmi()
{
    QFETCH(QString, contenuto);
    QFETCH(QStringList, attesi);
    QVERIFY(scriviTesto(fileImpostazioni(), contenuto));
    for (int n = 1; n <= 8; ++n) {
        pagina().impostaTestoAllarme(n, QStringLiteral("All.:Low"));
    }

    pagina().caricaAllarmi();
    QCOMPARE(testiAllarme(), attesi);
    QVERIFY(m_banco->messaggi().voci().isEmpty());
}

void TestPaginaIngressiDigitali::dialogoAllarme_data()
{
    QTest::addColumn<int>("ingresso");
    QTest::addColumn<QString>("prima");
    QTest::addColumn<bool>("spuntato");
    QTest::addColumn<int>("livello");
    QTest::addColumn<QString>("azione");
    QTest::addColumn<QString>("dopo");
    QTest::newRow("basso, tolta la spunta") << 2 << "All.:Low" << true << 1 << "togli"
                                            << "All.:Off";
    QTest::newRow("spento, messa la spunta") << 1 << "All.:Off" << false << 0 << "metti"
                                             << "All.:High";
    QTest::newRow("alto, scelto basso") << 8 << "All.:High" << true << 0 << "basso"
                                        << "All.:Low";
    QTest::newRow("vuoto, OK") << 5 << "" << false << 0 << "ok"
                               << "All.:Off";
    QTest::newRow("chiuso senza OK") << 3 << "All.:Low" << true << 1 << "esc"
                                     << "All.:Low";
}

void TestPaginaIngressiDigitali::dialogoAllarme()
{
    QFETCH(int, ingresso);
    QFETCH(QString, prima);
    QFETCH(bool, spuntato);
    QFETCH(int, livello);
    QFETCH(QString, azione);
    QFETCH(QString, dopo);
    QVERIFY(BancoPagina::mostra(pagina()));
    pagina().impostaTestoAllarme(ingresso, prima);

    bool visto = false;
    QPointer<TfrmStato> aperto;
    suDialogoModale([&](QDialog &modale) {
        QVERIFY(qobject_cast<TfrmStato *>(&modale));
        auto &dialogo = static_cast<TfrmStato &>(modale);
        visto = true;
        aperto = &dialogo;
        QVERIFY2(dialogo.windowTitle().startsWith(
                     QStringLiteral("Allarme ingresso %1").arg(ingresso)),
                 qPrintable(dialogo.windowTitle()));
        QVERIFY(!(dialogo.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(dialogo.parentWidget(), pagina().window());
        QCOMPARE(dialogo.cbAl()->text(), QStringLiteral("Al."));
        QCOMPARE(dialogo.rgStato()->title(), QStringLiteral(" Stato Al."));
        QCOMPARE(dialogo.cbAl()->isChecked(), spuntato);
        QCOMPARE(dialogo.rgStato()->itemIndex(), livello);
        if (azione == QLatin1String("esc")) {
            QTest::keyClick(&dialogo, Qt::Key_Escape);
            return;
        }
        if (azione == QLatin1String("togli") || azione == QLatin1String("metti")) {
            dialogo.cbAl()->click();
        } else if (azione == QLatin1String("basso")) {
            dialogo.rgStato()->voce(1)->click();
        }
        dialogo.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    });
    // The page need not be on screen: the button's own click, as the operator's.
    pagina().pulsanteAllarme(ingresso)->click();

    QVERIFY(visto);
    QCOMPARE(pagina().testoAllarme(ingresso), dopo);
    // One dialog per edit, gone after it.
    QVERIFY(aperto.isNull());
    // Nothing is stored until "Invio Impostazioni".
    QVERIFY(!QFile::exists(fileImpostazioni()));
}

void TestPaginaIngressiDigitali::memorizzaAllarmiSenzaCollegamento()
{
    const QString off = QStringLiteral("All.:Off");
    const QStringList testi{
        QStringLiteral("All.:High"), QStringLiteral("All.:Low"), off, off, off, off, off, off};
    for (int n = 1; n <= 8; ++n) {
        pagina().impostaTestoAllarme(n, testi.at(n - 1));
    }
    QVERIFY(scriviTesto(fileImpostazioni(), QStringLiteral("; commento\n[OPTION]\nID01=Porta\n")));
    pagina().sbIDImpClick();
    QCOMPARE(leggi(QStringLiteral("Impostazioni"), QStringLiteral("Allarme")),
             QStringLiteral("11000000"));
    QCOMPARE(leggi(QStringLiteral("Impostazioni"), QStringLiteral("Stato")),
             QStringLiteral("01111111"));
    QCOMPARE(leggi(QStringLiteral("OPTION"), QStringLiteral("ID01")), QStringLiteral("Porta"));
    QVERIFY(leggiTesto(fileImpostazioni()).contains(QStringLiteral("; commento")));
    // Stored, and the operator hears they could not reach the board: once for both commands.
    QCOMPARE(m_banco->messaggi().testi(MessaggiRegistrati::Tipo::Avviso),
             QStringList{QStringLiteral("Impostazioni salvate ma non inviate alla scheda")});
    m_banco->messaggi().svuota();

    // Reopening reads back what was stored.
    for (int n = 1; n <= 8; ++n) {
        pagina().impostaTestoAllarme(n, QString());
    }
    pagina().caricaAllarmi();
    QCOMPARE(testiAllarme(), testi);

    // A file that cannot be written: one warning for both keys.
    QVERIFY(QFile::remove(fileImpostazioni()));
    QVERIFY(QDir(m_banco->cartella()).mkdir(QStringLiteral("Impostazioni.INI")));
    pagina().sbIDImpClick();
    QCOMPARE(m_banco->messaggi().voci().size(), 2);
    QVERIFY(m_banco->messaggi().voci().first().testo.startsWith(
        QStringLiteral("Impossibile salvare le impostazioni nel file ")));
}

void TestPaginaIngressiDigitali::pulsantiContinua()
{
    SessioneScheda &sessione = m_banco->sessione();
    ModoContinuo *modo = &m_banco->modoContinuo();
    // Stands for the analog inputs page's button.
    QWidget altraPagina;
    auto *sbIAContinua = new QPushButton(QStringLiteral("Continua"), &altraPagina);
    modo->aggiungiPulsante(sbIAContinua);

    QPushButton *sbIDContinua = pagina().pulsanteContinua();
    sbIDContinua->click();
    QVERIFY(sbIDContinua->isChecked());
    QVERIFY(sessione.isContinuo());
    QCOMPARE(leggi(QStringLiteral("OPTION"), QStringLiteral("CONTINUO")), QStringLiteral("1"));

    // The other page's button is still down: the mode stays on.
    sbIAContinua->click();
    sbIDContinua->click();
    QVERIFY(!sbIDContinua->isChecked());
    QVERIFY(sbIAContinua->isChecked());
    QVERIFY(sessione.isContinuo());
    sbIAContinua->click();
    QVERIFY(!sessione.isContinuo());
    QCOMPARE(leggi(QStringLiteral("OPTION"), QStringLiteral("CONTINUO")), QStringLiteral("0"));

    // The received text presses and releases both, and runs no click handler.
    ricevi(giroContinuo(QStringLiteral("00000001")));
    QVERIFY(sbIDContinua->isChecked() && sbIAContinua->isChecked());
    ricevi("F?");
    QVERIFY(!sbIDContinua->isChecked() && !sbIAContinua->isChecked());
    QCOMPARE(leggi(QStringLiteral("OPTION"), QStringLiteral("CONTINUO")), QStringLiteral("0"));
    QVERIFY(m_banco->messaggi().voci().isEmpty());
}

void TestPaginaIngressiDigitali::aperturaSenzaCollegamento_data()
{
    QTest::addColumn<QString>("voce");
    QTest::newRow("etichetta") << QStringLiteral("lbID");
    QTest::newRow("cerchio") << QStringLiteral("shID");
}

void TestPaginaIngressiDigitali::aperturaSenzaCollegamento()
{
    QFETCH(QString, voce);
    // From the home page: the window's page control leads there.
    BancoFinestra banco;
    QVERIFY(scriviTesto(banco.file(QStringLiteral("Impostazioni.INI")),
                        QStringLiteral("[Impostazioni]\nAllarme=11111111\nStato=00000000\n")));
    QVERIFY(banco.mostra());
    banco.clicca(voce);
    QCOMPARE(banco.messaggi().testi(MessaggiRegistrati::Tipo::Avviso),
             QStringList{QStringLiteral("Attenzione non e' stato definito il collegamento")});
    QCOMPARE(banco.messaggi().voci().size(), 1);
    QCOMPARE(banco.pagina(), 0);
    // The names were reloaded before the check; the alarms would only be loaded after it.
    const PaginaIngressiDigitali &pagina = *banco.finestra().navigazione().paginaIngressiDigitali();
    QCOMPARE(pagina.pannello(1)->nome(), QStringLiteral("Stato Caldaia"));
    QCOMPARE(testiAllarme(pagina), QStringList(8, QString()));
}

QTEST_MAIN(TestPaginaIngressiDigitali)
#include "tst_paginaIngressiDigitali.moc"
