// The configuration page as the operator reaches it: through the main window's menu, the
// home page labels and the page's own buttons, with the settings file in a temporary folder.
#include "BancoFinestra.h"
#include "config/PaginaConfigurazione.h"
#include "link/Collegamento.h"
#include "settings/Ini.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QtTest>

#include <memory>

namespace {

const QString kAvvisoCollegamento =
    QStringLiteral("Attenzione non e' stato definito il collegamento");

// What a push button shows: Qt draws "&&" as "&" and swallows a lone "&" as a shortcut marker.
QString testoMostrato(const QAbstractButton *pulsante)
{
    const QString testo = pulsante->text();
    QString mostrato;
    for (qsizetype i = 0; i < testo.size(); ++i) {
        if (testo.at(i) == QLatin1Char('&') && i + 1 < testo.size()) {
            ++i;
        }
        mostrato += testo.at(i);
    }
    return mostrato;
}

} // namespace

class TestPaginaConfigurazione : public ProvaFinestra
{
    Q_OBJECT

private slots:
    void init()
    {
        ProvaFinestra::init();
        QVERIFY(mostra());
    }

    void settaggiSenzaImpostazioni();
    void nomeVuotoENomeErrore();
    void salvaUnitaScelta();
    void unitaFuoriElenco();
    void nomiMostratiComeTesto_data();
    void nomiMostratiComeTesto();
    void unitaNonInteraDallaHome();
    void paginaInizialeSenzaCollegamento();
    void releAllarmeSenzaCollegamento();
    void erroriGamma_data();
    void erroriGamma();
    void gammaErrataNonSalvata();

private:
    template <typename T> T *trova(const QString &nome) const
    {
        costruisciPagine(*m_finestra);
        auto *controllo = m_finestra->findChild<T *>(nome);
        if (!controllo) {
            qFatal("missing control %s", qPrintable(nome));
        }
        return controllo;
    }
    QString testo(const QString &nome) const
    {
        costruisciPagine(*m_finestra);
        if (auto *pulsante = m_finestra->findChild<QAbstractButton *>(nome)) {
            return testoMostrato(pulsante);
        }
        return trova<QLabel>(nome)->text();
    }
    void settaggi() { trova<QAction>(QStringLiteral("Settaggi1"))->trigger(); }
    QString nelFile(const QString &chiave) const
    {
        return LeggiIni(m_finestra->valori().fileImpostazioni, QStringLiteral("OPTION"), chiave);
    }
    void scriviNelFile(const QString &chiave, const QString &valore)
    {
        QVERIFY(ScriviIni(file(QStringLiteral("Impostazioni.INI")), QStringLiteral("OPTION"),
                          chiave, valore));
    }
};

void TestPaginaConfigurazione::settaggiSenzaImpostazioni()
{
    settaggi();
    QCOMPARE(m_finestra->paginaAttiva(), 8);
    QVERIFY(trova<QWidget>(QStringLiteral("tsConfigurazione"))->isVisible());

    const QStringList nomiUD = {"Riscaldamento", "Condizionamento", "Irrigazione",
                                "Antifurto",     "Sirena",          "Luci Interne",
                                "Luci Esterne",  "Accensione PC"};
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(testo(QStringLiteral("sbUD%1").arg(n)), nomiUD.at(n - 1));
        QCOMPARE(trova<QLineEdit>(QStringLiteral("eUDIni0%1").arg(n))->text(), nomiUD.at(n - 1));
    }
    QCOMPARE(testo(QStringLiteral("sbID4")), QStringLiteral("Allarme Zona2"));
    QCOMPARE(testo(QStringLiteral("lbUA02")), QStringLiteral("VENTILAZIONE (OUT 2)"));
    QCOMPARE(testo(QStringLiteral("lbIA03")), QStringLiteral("VELOCITA' VENTO (IN 3)"));

    const QStringList unita = {"°C", "°C", "Km/h", "%", "%", "VDC", "°C", "ATM"};
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(testo(QStringLiteral("lbIAT0%1").arg(n)), unita.at(n - 1));
        QCOMPARE(trova<QComboBox>(QStringLiteral("eIATIni0%1").arg(n))->currentText(),
                 unita.at(n - 1));
    }

    // Reading never creates the file, and a missing file is no error.
    QVERIFY(!QFile::exists(m_finestra->valori().fileImpostazioni));
    QVERIFY(m_messaggi.voci().isEmpty());
}

void TestPaginaConfigurazione::nomeVuotoENomeErrore()
{
    scriviNelFile(QStringLiteral("UD03"), QString());
    scriviNelFile(QStringLiteral("UA01"), QString());
    scriviNelFile(QStringLiteral("UD07"), QStringLiteral("ERRORE"));
    scriviNelFile(QStringLiteral("ID02"), QStringLiteral("ERRORE"));
    // Only the exact marker means "missing".
    scriviNelFile(QStringLiteral("ID05"), QStringLiteral("errore"));

    settaggi();
    QCOMPARE(testo(QStringLiteral("sbUD3")), QString());
    QCOMPARE(trova<QLineEdit>(QStringLiteral("eUDIni03"))->text(), QString());
    QCOMPARE(testo(QStringLiteral("lbUA01")), QStringLiteral(" (OUT 1)"));
    QCOMPARE(testo(QStringLiteral("sbUD7")), QStringLiteral("Luci Esterne"));
    QCOMPARE(testo(QStringLiteral("sbID2")), QStringLiteral("Stato Condizionamento"));
    QCOMPARE(testo(QStringLiteral("sbID5")), QStringLiteral("errore"));

    // Saved back, the empty name is still there, as an empty value.
    clicca(QStringLiteral("sbSalvaConfIni"));
    QCOMPARE(nelFile(QStringLiteral("UD03")), QString());
    QCOMPARE(nelFile(QStringLiteral("UD07")), QStringLiteral("Luci Esterne"));
    QVERIFY(m_messaggi.voci().isEmpty());
}

void TestPaginaConfigurazione::salvaUnitaScelta()
{
    settaggi();
    trova<QTabWidget>(QStringLiteral("pcSettaggio"))->setCurrentIndex(3);
    auto *unita3 = trova<QComboBox>(QStringLiteral("eIATIni03"));
    QVERIFY(unita3->isVisible());
    unita3->setCurrentIndex(unita3->findText(QStringLiteral("ATM")));
    clicca(QStringLiteral("sbSalvaConfIni"));

    QCOMPARE(nelFile(QStringLiteral("IAT03")), QStringLiteral("4"));
    QCOMPARE(nelFile(QStringLiteral("IAT08")), QStringLiteral("4"));
    QCOMPARE(nelFile(QStringLiteral("IAV01")), QStringLiteral("-20"));
    // The save refreshes nothing: the analog inputs page keeps the old unit until a reload.
    QCOMPARE(testo(QStringLiteral("lbIAT03")), QStringLiteral("Km/h"));

    settaggi();
    QCOMPARE(testo(QStringLiteral("lbIAT03")), QStringLiteral("ATM"));
    QCOMPARE(unita3->currentText(), QStringLiteral("ATM"));
    QVERIFY(m_messaggi.voci().isEmpty());
}

void TestPaginaConfigurazione::unitaFuoriElenco()
{
    settaggi();
    QCOMPARE(testo(QStringLiteral("lbIAT05")), QStringLiteral("%"));

    scriviNelFile(QStringLiteral("IAT05"), QStringLiteral("9"));
    settaggi();
    auto *unita5 = trova<QComboBox>(QStringLiteral("eIATIni05"));
    QCOMPARE(unita5->currentIndex(), -1);
    QCOMPARE(unita5->currentText(), QString());
    QCOMPARE(testo(QStringLiteral("lbIAT05")), QStringLiteral("%"));
    // The inputs after it still get their units and ranges.
    QCOMPARE(testo(QStringLiteral("lbIAT06")), QStringLiteral("VDC"));
    QCOMPARE(trova<QLineEdit>(QStringLiteral("eValMax08"))->text(), QStringLiteral("10"));

    clicca(QStringLiteral("sbSalvaConfIni"));
    QCOMPARE(nelFile(QStringLiteral("IAT05")), QStringLiteral("-1"));

    // "-1" reads back the same way as "9" did.
    settaggi();
    QCOMPARE(unita5->currentIndex(), -1);
    QCOMPARE(testo(QStringLiteral("lbIAT05")), QStringLiteral("%"));
    QVERIFY(m_messaggi.voci().isEmpty());
}

void TestPaginaConfigurazione::nomiMostratiComeTesto_data()
{
    QTest::addColumn<QString>("nome");
    QTest::newRow("e commerciale") << QStringLiteral("Luci & Porte");
    QTest::newRow("doppia e commerciale") << QStringLiteral("R&&D");
    QTest::newRow("marcatura") << QStringLiteral("<b>x</b>");
}

void TestPaginaConfigurazione::nomiMostratiComeTesto()
{
    QFETCH(QString, nome);
    scriviNelFile(QStringLiteral("UD01"), nome);
    scriviNelFile(QStringLiteral("ID08"), nome);
    scriviNelFile(QStringLiteral("IA01"), nome);

    settaggi();
    QCOMPARE(testo(QStringLiteral("sbUD1")), nome);
    QCOMPARE(testo(QStringLiteral("sbID8")), nome);
    auto *titolo = trova<QLabel>(QStringLiteral("lbIA01"));
    QCOMPARE(titolo->textFormat(), Qt::PlainText);
    QCOMPARE(titolo->text(), nome + QStringLiteral(" (IN 1)"));
    // A name never turns into a keyboard shortcut of its panel.
    QVERIFY(QKeySequence::mnemonic(trova<QPushButton>(QStringLiteral("sbUD1"))->text()).isEmpty());
    QCOMPARE(trova<QLineEdit>(QStringLiteral("eUDIni01"))->text(), nome);
}

void TestPaginaConfigurazione::unitaNonInteraDallaHome()
{
    scriviNelFile(QStringLiteral("UD01"), QStringLiteral("Pompa"));
    scriviNelFile(QStringLiteral("IAT01"), QStringLiteral("4"));
    scriviNelFile(QStringLiteral("IAT02"), QStringLiteral("x"));
    QCOMPARE(m_finestra->paginaAttiva(), 0);

    // A bad unit no longer shuts the pages: one warning naming the key and the file, then
    // the page entry goes on (to the warning that no link is chosen).
    clicca(QStringLiteral("lbUD"));
    QVERIFY(m_messaggi.testi(MessaggiRegistrati::Tipo::Errore).isEmpty());
    const QStringList avvisi = m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso);
    QCOMPARE(avvisi.size(), 2);
    QVERIFY2(avvisi.at(0).contains(QStringLiteral("IAT02=x")) &&
                 avvisi.at(0).contains(QStringLiteral("Impostazioni.INI")),
             qPrintable(avvisi.at(0)));
    QCOMPARE(avvisi.at(1), QStringLiteral("Attenzione non e' stato definito il collegamento"));
    QCOMPARE(testo(QStringLiteral("sbUD1")), QStringLiteral("Pompa"));
    QCOMPARE(trova<QComboBox>(QStringLiteral("eIATIni01"))->currentText(), QStringLiteral("ATM"));
    QCOMPARE(testo(QStringLiteral("lbIAT01")), QStringLiteral("ATM"));
    // Told once, not at every page entry.
    m_messaggi.svuota();
    clicca(QStringLiteral("lbUD"));
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso),
             QStringList{QStringLiteral("Attenzione non e' stato definito il collegamento")});
    m_messaggi.svuota();
}

void TestPaginaConfigurazione::paginaInizialeSenzaCollegamento()
{
    settaggi();
    QCOMPARE(m_finestra->paginaAttiva(), 8);

    // Leaving the configuration for home checks no link: nothing to warn of.
    clicca(QStringLiteral("SpeedButton13"));
    QCOMPARE(m_finestra->paginaAttiva(), 0);
    QVERIFY(m_messaggi.voci().isEmpty());
}

void TestPaginaConfigurazione::releAllarmeSenzaCollegamento()
{
    settaggi();
    trova<QTabWidget>(QStringLiteral("pcSettaggio"))->setCurrentIndex(4);
    QCOMPARE(trova<QComboBox>(QStringLiteral("cbTime"))->currentText(), QStringLiteral("1"));
    // An edit not saved is lost: the send reloads the configuration first.
    trova<QLineEdit>(QStringLiteral("eUDIni01"))->setText(QStringLiteral("non salvato"));

    clicca(QStringLiteral("SpeedButton22"));
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso), QStringList{kAvvisoCollegamento});
    QCOMPARE(m_messaggi.voci().size(), 1);
    QCOMPARE(m_finestra->paginaAttiva(), 8);
    QCOMPARE(trova<QLineEdit>(QStringLiteral("eUDIni01"))->text(), QStringLiteral("Riscaldamento"));
    QVERIFY(!m_finestra->collegamento().trasporto());
}

void TestPaginaConfigurazione::erroriGamma_data()
{
    QTest::addColumn<QString>("minimo");
    QTest::addColumn<QString>("massimo");
    QTest::addColumn<QStringList>("errori");

    QTest::newRow("numeri") << "-20" << "50" << QStringList();
    QTest::newRow("virgola e spazi") << " -0,5 " << "1.5" << QStringList();
    QTest::newRow("lettera") << "0" << "x"
                             << QStringList{"Ingresso 03, campo \"Valore Max\": \"x\" non è un "
                                            "numero."};
    QTest::newRow("vuoto e infinito")
        << "" << "inf"
        << QStringList{"Ingresso 03, campo \"Valore Min\": manca il valore.",
                       "Ingresso 03, campo \"Valore Max\": \"inf\" non è un numero."};
    QTest::newRow("rovesciata") << "30" << "10"
                                << QStringList{"Ingresso 03: \"Valore Min\" (30) deve essere "
                                               "minore di \"Valore Max\" (10)."};
    QTest::newRow("uguali") << "5" << "5,0"
                            << QStringList{"Ingresso 03: \"Valore Min\" (5) deve essere minore "
                                           "di \"Valore Max\" (5,0)."};
}

void TestPaginaConfigurazione::erroriGamma()
{
    QFETCH(QString, minimo);
    QFETCH(QString, massimo);
    QFETCH(QStringList, errori);
    QCOMPARE(PaginaConfigurazione::erroriGamma(3, minimo, massimo), errori);
}

// A wrong range is told where it is typed and refused at save, in Italian, naming the field;
// nothing of the page reaches the file until every range is right.
void TestPaginaConfigurazione::gammaErrataNonSalvata()
{
    settaggi();
    auto *schede = trova<QTabWidget>(QStringLiteral("pcSettaggio"));
    auto *nome = trova<QLineEdit>(QStringLiteral("eUDIni01"));
    auto *massimo1 = trova<QLineEdit>(QStringLiteral("eValMax01"));
    auto *minimo2 = trova<QLineEdit>(QStringLiteral("eVal02"));
    auto *massimo2 = trova<QLineEdit>(QStringLiteral("eValMax02"));
    nome->setText(QStringLiteral("Pompa"));

    schede->setCurrentIndex(3);
    massimo1->setFocus();
    massimo1->selectAll();
    QTest::keyClicks(massimo1, QStringLiteral("x"));
    QTest::keyClick(massimo1, Qt::Key_Tab);
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Messaggio),
             QStringList{"Attenzione. Dati non Corretti\nIngresso 01, campo \"Valore Max\": "
                         "\"x\" non è un numero."});
    m_messaggi.svuota();
    minimo2->setText(QStringLiteral("30"));
    massimo2->setText(QStringLiteral("10"));

    schede->setCurrentIndex(0);
    clicca(QStringLiteral("sbSalvaConfIni"));
    const QStringList detti = m_messaggi.testi(MessaggiRegistrati::Tipo::Messaggio);
    QCOMPARE(detti.size(), 1);
    QVERIFY2(detti.at(0).contains(QStringLiteral("Ingresso 01, campo \"Valore Max\"")) &&
                 detti.at(0).contains(QStringLiteral("Ingresso 02: \"Valore Min\" (30)")) &&
                 detti.at(0).contains(QStringLiteral("non è stata salvata")),
             qPrintable(detti.at(0)));
    QCOMPARE(nelFile(QStringLiteral("UD01")), kErrore);
    QCOMPARE(nelFile(QStringLiteral("IAVM01")), kErrore);
    // The operator is taken to the first wrong field.
    QCOMPARE(schede->currentIndex(), 3);
    QCOMPARE(QApplication::focusWidget(), massimo1);
    QVERIFY(m_finestra->findChild<PaginaConfigurazione *>()->isModificata());

    m_messaggi.svuota();
    massimo1->setText(QStringLiteral("50,5"));
    massimo2->setText(QStringLiteral("40"));
    clicca(QStringLiteral("sbSalvaConfIni"));
    QVERIFY(m_messaggi.voci().isEmpty());
    QCOMPARE(nelFile(QStringLiteral("UD01")), QStringLiteral("Pompa"));
    QCOMPARE(nelFile(QStringLiteral("IAVM01")), QStringLiteral("50,5"));
    QCOMPARE(nelFile(QStringLiteral("IAV02")), QStringLiteral("30"));
}

QTEST_MAIN(TestPaginaConfigurazione)
#include "tst_paginaConfigurazione.moc"
