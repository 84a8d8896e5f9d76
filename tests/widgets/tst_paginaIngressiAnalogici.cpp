// The analog inputs page: scaled readings from replies and rounds of continuous output, the
// alarm texts loaded from the settings file, the alarm dialog, and the checks before storing.
#include "BancoPagina.h"
#include "DialogoModale.h"
#include "core/Errori.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "pages/scheda/TfrmStatoAnalogici.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

const QString kSez = QStringLiteral("Impostazioni");

QString frame(int n, int grezzo)
{
    return QStringLiteral("CANALE %1 ANALOGICO ->%2<-").arg(n).arg(grezzo, 5, 10, QLatin1Char('0'));
}

// Raw readings of inputs 1..8 and what they show on the default ranges.
const QList<int> kGrezzi{32768, 0, 13107, 32767, 65535, 45875, 65535, 9830};
const QString kMostrati = QStringLiteral("15 -20 20 50 100 4 50 1");

// A response to "*/A" as the reader types it.
Risposta letture(const QString &testo)
{
    return LettoreRisposte::leggi(testo, TipoRisposta::IngressiAnalogici);
}

} // namespace

class TestPaginaIngressiAnalogici : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_banco.reset(); }

    void letturaNonNumerica();
    void risposta_data();
    void risposta();
    void lettureDalGiroContinuo();
    void caricaAllarmi_data();
    void caricaAllarmi();
    void dialogoMostraECompone();
    void dialogoFiltraITasti();
    void pulsanteAllarmeApreIlDialogo();
    void salvaSenzaCollegamento();
    void valoriNonValidiNonSalvati();

private:
    PaginaIngressiAnalogici &pagina() const { return m_banco->pagina<PaginaIngressiAnalogici>(); }
    QString mostrati() const;
    QStringList allarmi() const;
    QString fileImpostazioni() const { return m_banco->fileImpostazioni(); }
    ValoriProgramma &valori() const { return m_banco->valori(); }
    QPushButton *pulsante(const QString &nome) const
    {
        return pagina().findChild<QPushButton *>(nome);
    }

    std::unique_ptr<BancoPagina> m_banco;
};

void TestPaginaIngressiAnalogici::init()
{
    m_banco = std::make_unique<BancoPagina>();
    pagina();
    m_banco->contesto().caricaConfIni();
}

QString TestPaginaIngressiAnalogici::mostrati() const
{
    QStringList testi;
    for (int n = 1; n <= 8; ++n) {
        testi << pagina().display(n)->testo();
    }
    return testi.join(QLatin1Char(' '));
}

QStringList TestPaginaIngressiAnalogici::allarmi() const
{
    QStringList testi;
    for (int n = 1; n <= 8; ++n) {
        testi << pagina().allarme(n)->text();
    }
    return testi;
}

void TestPaginaIngressiAnalogici::letturaNonNumerica()
{
    pagina().mostraLetture(letture(frame(1, 0)));
    // A reading that is not a number is no value: its display stays, the reply carries the
    // error for the box.
    const Risposta errata = letture(QStringLiteral("ANALOGICO ->1X345<-F?"));
    QVERIFY(!errata.errore.isEmpty());
    pagina().mostraLetture(errata);
    QCOMPARE(pagina().display(1)->testo(), QStringLiteral("-20"));
    // A range that is not a number stops at its input: the ones before it are shown.
    valori().configurazione.minimiIA[1] = QStringLiteral("venti");
    QVERIFY_THROWS_EXCEPTION(ErroreProgramma,
                             pagina().mostraLetture(letture(frame(1, 65535) + frame(2, 100))));
    QCOMPARE(pagina().display(1)->testo(), QStringLiteral("50"));
    QCOMPARE(pagina().display(2)->testo(), QString());
    valori().configurazione.minimiIA[1] = QStringLiteral("0");
    pagina().mostraLetture(letture(frame(1, 65535) + frame(2, 65535)));
    QCOMPARE(pagina().display(2)->testo(), QStringLiteral("50"));
    QVERIFY(m_banco->messaggi().voci().isEmpty());
}

void TestPaginaIngressiAnalogici::risposta_data()
{
    QTest::addColumn<QString>("risposta");
    QTest::addColumn<QString>("attesi");
    QString richiesta;
    QString continua = QStringLiteral("STATO INGRESSI ->01010101<-\r\n");
    for (int n = 1; n <= 8; ++n) {
        richiesta += frame(n, kGrezzi.at(n - 1)) + QStringLiteral("\r\n");
        continua += QStringLiteral("INGRESSO %1 ANALOGICO ->%2<-\r\n")
                        .arg(n)
                        .arg(kGrezzi.at(n - 1), 5, 10, QLatin1Char('0'));
    }
    QTest::newRow("risposta a */A") << richiesta + QStringLiteral("F?") << kMostrati;
    // Continuous output: the digital inputs frame ahead of the readings is not a reading.
    QTest::newRow("uscita continua") << continua + QStringLiteral("F?") << kMostrati;
    // Missing readings leave their displays alone, never at the range minimum.
    QTest::newRow("solo ingressi digitali") << "STATO INGRESSI ->11111111<-\r\nF?"
                                            << "x x x x x x x x";
    QTest::newRow("tre letture") << frame(1, 0) + frame(2, 65535) + frame(3, 13107) + "\r\nF?"
                                 << "-20 50 20 x x x x x";
    QTest::newRow("solo il pronto") << "F?"
                                    << "x x x x x x x x";
    QTest::newRow("corpo corto, riempito di zeri") << "ANALOGICO ->123<-\r\nF?" // 123 of 65535
                                                   << "-20 x x x x x x x";
}

void TestPaginaIngressiAnalogici::risposta()
{
    QFETCH(QString, risposta);
    QFETCH(QString, attesi);
    // Blank until the board has said something.
    QCOMPARE(mostrati(), QStringLiteral("       "));
    for (int n = 1; n <= 8; ++n) {
        pagina().display(n)->mostra(QStringLiteral("x"));
    }
    pagina().mostraLetture(letture(risposta));
    QCOMPARE(mostrati(), attesi);
}

void TestPaginaIngressiAnalogici::lettureDalGiroContinuo()
{
    QString giro = QStringLiteral("\r\nSTATO INGRESSI ->00000000<-\r\n");
    for (int n = 1; n <= 8; ++n) {
        giro += QStringLiteral("INGRESSO %1 ANALOGICO ->%2<-\r\n")
                    .arg(n)
                    .arg(kGrezzi.at(n - 1), 5, 10, QLatin1Char('0'));
    }
    // Unasked, through the session's reader as a link hands the bytes over.
    m_banco->sessione().lettore().ricevi(giro.toLatin1() + "F?");
    QCOMPARE(mostrati(), kMostrati);
}

void TestPaginaIngressiAnalogici::caricaAllarmi_data()
{
    QTest::addColumn<QStringList>("chiavi"); // key=value
    QTest::addColumn<QStringList>("attesi");
    const QString off = QStringLiteral("All.:Off");
    QTest::newRow("nessun file") << QStringList{}
                                 << QStringList{off, off, off, off, off, off, off, off};
    QTest::newRow("ingressi 1 e 2, chiavi mancanti")
        << QStringList{"AllarmeA=11000000", "StatoAMin01=10", "StatoAMax01=40"}
        << QStringList{"All.:10 - 40", "All.:ERRORE - ERRORE", off, off, off, off, off, off};
    // Inputs beyond a short enable string keep their text, or show their stored window.
    QTest::newRow("stringa corta")
        << QStringList{"AllarmeA=01", "StatoAMin02=-5", "StatoAMax02=5", "StatoAMin08=1",
                       "StatoAMax08=2"}
        << QStringList{off, "All.:-5 - 5", "prima", "prima", "prima", "prima", "prima", "prima"};
    QTest::newRow("stringa lunga")
        << QStringList{"AllarmeA=0000000111", "StatoAMin08=0", "StatoAMax08=255"}
        << QStringList{off, off, off, off, off, off, off, "All.:0 - 255"};
}

void TestPaginaIngressiAnalogici::caricaAllarmi()
{
    QFETCH(QStringList, chiavi);
    QFETCH(QStringList, attesi);
    for (const QString &chiave : chiavi) {
        const QStringList parti = chiave.split(QLatin1Char('='));
        QVERIFY(ScriviIni(fileImpostazioni(), kSez, parti.at(0), parti.at(1)));
    }
    for (int n = 1; n <= 8; ++n) {
        pagina().allarme(n)->setText(QStringLiteral("prima"));
    }
    pagina().caricaAllarmi();
    QCOMPARE(allarmi(), attesi);
}

void TestPaginaIngressiAnalogici::dialogoMostraECompone()
{
    TfrmStatoAnalogici dialogo;
    auto *cbAl = dialogo.findChild<QCheckBox *>(QStringLiteral("cbAl"));
    auto *eValMin = dialogo.findChild<QLineEdit *>(QStringLiteral("eValMin"));
    auto *eValMax = dialogo.findChild<QLineEdit *>(QStringLiteral("eValMax"));
    QVERIFY(cbAl && eValMin && eValMax);
    QCOMPARE(dialogo.windowTitle(), QStringLiteral("Stato"));
    QVERIFY(!(dialogo.windowFlags() & Qt::WindowCloseButtonHint));

    dialogo.setCampo(QStringLiteral("All.:10 - 40"));
    dialogo.FormShow();
    QVERIFY(cbAl->isChecked());
    QCOMPARE(eValMin->text(), QStringLiteral("10"));
    QCOMPARE(eValMax->text(), QStringLiteral("40"));
    cbAl->setChecked(false);
    dialogo.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    QCOMPARE(dialogo.campo(), QStringLiteral("All.:Off"));
    QCOMPARE(dialogo.result(), int(QDialog::Accepted));

    TfrmStatoAnalogici secondo;
    // A stored value longer than three characters is shown whole, not cut.
    secondo.setCampo(QStringLiteral("All.:-1000 - 12,5"));
    secondo.FormShow();
    QCOMPARE(secondo.findChild<QLineEdit *>(QStringLiteral("eValMin"))->text(),
             QStringLiteral("-1000"));
    secondo.BitBtn1Click();
    QCOMPARE(secondo.campo(), QStringLiteral("All.:-1000 - 12,5"));

    TfrmStatoAnalogici spento;
    spento.setCampo(QStringLiteral("All.:Off"));
    spento.FormShow();
    QVERIFY(!spento.findChild<QCheckBox *>(QStringLiteral("cbAl"))->isChecked());
    QCOMPARE(spento.findChild<QLineEdit *>(QStringLiteral("eValMax"))->text(), QString());
}

void TestPaginaIngressiAnalogici::dialogoFiltraITasti()
{
    TfrmStatoAnalogici dialogo;
    auto *eValMin = dialogo.findChild<QLineEdit *>(QStringLiteral("eValMin"));
    auto *eValMax = dialogo.findChild<QLineEdit *>(QStringLiteral("eValMax"));
    QTest::keyClicks(eValMin, QStringLiteral("a-1.2x34"));
    QCOMPARE(eValMin->text(), QStringLiteral("-12"));
    QTest::keyClick(eValMin, Qt::Key_Backspace);
    QTest::keyClicks(eValMin, QStringLiteral("+9"));
    QCOMPARE(eValMin->text(), QStringLiteral("-19"));
    QTest::keyClicks(eValMax, QStringLiteral(" 4,0e"));
    QCOMPARE(eValMax->text(), QStringLiteral("40"));
    // Typing over a selection replaces it, within the three characters.
    eValMax->selectAll();
    QTest::keyClicks(eValMax, QStringLiteral("255"));
    QCOMPARE(eValMax->text(), QStringLiteral("255"));
    dialogo.findChild<QCheckBox *>(QStringLiteral("cbAl"))->setChecked(true);
    dialogo.BitBtn1Click();
    QCOMPARE(dialogo.campo(), QStringLiteral("All.:-19 - 255"));
}

void TestPaginaIngressiAnalogici::pulsanteAllarmeApreIlDialogo()
{
    QVERIFY(BancoPagina::mostra(pagina()));
    pagina().allarme(3)->setText(QStringLiteral("All.:Off"));
    auto *pulsante = pagina().findChild<QToolButton *>(QStringLiteral("SpeedButton16"));
    QVERIFY(pulsante);

    suDialogoModale([this](QDialog &modale) {
        auto *dialogo = qobject_cast<TfrmStatoAnalogici *>(&modale);
        QVERIFY(dialogo);
        QCOMPARE(dialogo->parentWidget(), pagina().window());
        dialogo->findChild<QCheckBox *>(QStringLiteral("cbAl"))->setChecked(true);
        QTest::keyClicks(dialogo->findChild<QLineEdit *>(QStringLiteral("eValMin")), "5");
        QTest::keyClicks(dialogo->findChild<QLineEdit *>(QStringLiteral("eValMax")), "60");
        QTest::keyClick(dialogo->findChild<QLineEdit *>(QStringLiteral("eValMax")), Qt::Key_Return);
    });
    QTest::mouseClick(pulsante, Qt::LeftButton);
    QCOMPARE(pagina().allarme(3)->text(), QStringLiteral("All.:5 - 60"));

    // Closed without OK: the text stays.
    suDialogoModale([](QDialog &modale) {
        auto *dialogo = qobject_cast<TfrmStatoAnalogici *>(&modale);
        QVERIFY(dialogo);
        dialogo->findChild<QCheckBox *>(QStringLiteral("cbAl"))->setChecked(false);
        dialogo->reject();
    });
    QTest::mouseClick(pulsante, Qt::LeftButton);
    QCOMPARE(pagina().allarme(3)->text(), QStringLiteral("All.:5 - 60"));
    QVERIFY(!pagina().findChild<TfrmStatoAnalogici *>());
}

void TestPaginaIngressiAnalogici::salvaSenzaCollegamento()
{
    QVERIFY(
        ScriviIni(fileImpostazioni(), kSez, QStringLiteral("StatoAMin04"), QStringLiteral("7")));
    pagina().caricaAllarmi();
    pagina().allarme(1)->setText(QStringLiteral("All.:10 - 40"));
    pagina().allarme(8)->setText(QStringLiteral("All.:1 - 3"));
    QTest::mouseClick(pulsante(QStringLiteral("sbIAImp")), Qt::LeftButton);
    // Stored, not sent: no link was chosen.
    QCOMPARE(m_banco->messaggi().testi(MessaggiRegistrati::Tipo::Avviso),
             QStringList{QStringLiteral("Impostazioni salvate ma non inviate alla scheda")});
    m_banco->messaggi().svuota();
    QCOMPARE(LeggiIni(fileImpostazioni(), kSez, QStringLiteral("AllarmeA")),
             QStringLiteral("10000001"));
    QCOMPARE(LeggiIni(fileImpostazioni(), kSez, QStringLiteral("StatoAMin01")),
             QStringLiteral("10"));
    QCOMPARE(LeggiIni(fileImpostazioni(), kSez, QStringLiteral("StatoAMax08")),
             QStringLiteral("3"));
    // Inputs without an alarm store the whole range.
    QCOMPARE(LeggiIni(fileImpostazioni(), kSez, QStringLiteral("StatoAMin04")),
             QStringLiteral("0"));
    QCOMPARE(LeggiIni(fileImpostazioni(), kSez, QStringLiteral("StatoAMax04")),
             QStringLiteral("255"));
}

void TestPaginaIngressiAnalogici::valoriNonValidiNonSalvati()
{
    pagina().caricaAllarmi();
    pagina().allarme(2)->setText(QStringLiteral("All.:10 - 40"));
    // Input 3's range is empty: no level can be computed for it.
    valori().configurazione.massimiIA[2] = QStringLiteral("0");
    pagina().allarme(3)->setText(QStringLiteral("All.:1 - 2"));
    QTest::mouseClick(pulsante(QStringLiteral("sbIAImp")), Qt::LeftButton);
    QCOMPARE(m_banco->messaggi().testi(MessaggiRegistrati::Tipo::Avviso),
             QStringList{QStringLiteral("Valori di allarme non validi per l'ingresso 3")});
    QCOMPARE(m_banco->messaggi().voci().size(), 1);
    QVERIFY(!QFile::exists(fileImpostazioni()));
}

QTEST_MAIN(TestPaginaIngressiAnalogici)
#include "tst_paginaIngressiAnalogici.moc"
