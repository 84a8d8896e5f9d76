#include "core/Errori.h"
#include "core/Gestore.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "config/CaricaConfIni.h"
#include "config/DestinatariConfigurazione.h"
#include "config/PaginaConfigurazione.h"
#include "settings/Ini.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

// Records what the reload pushes into the board pages; a point never pushed is absent.
class DestinatariRegistrati : public DestinatariConfigurazione
{
public:
    void impostaNomeUscitaDigitale(int n, const QString &nome) override { ud[n] = nome; }
    void impostaNomeIngressoDigitale(int n, const QString &nome) override { id[n] = nome; }
    void impostaTitoloUscitaAnalogica(int n, const QString &testo) override { ua[n] = testo; }
    void impostaTitoloIngressoAnalogico(int n, const QString &testo) override { ia[n] = testo; }
    void impostaUnitaIngressoAnalogico(int n, const QString &unita) override { iat[n] = unita; }

    QMap<int, QString> ud, id, ua, ia, iat;
};

QString due(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// The 50 keys in the order the save writes them.
QStringList chiaviInOrdine()
{
    QStringList chiavi;
    const auto aggiungi = [&chiavi](const QString &radice, int quanti) {
        for (int n = 1; n <= quanti; ++n) {
            chiavi.append(radice + due(n));
        }
    };
    aggiungi(QStringLiteral("UD"), 8);
    aggiungi(QStringLiteral("ID"), 8);
    aggiungi(QStringLiteral("UA"), 2);
    aggiungi(QStringLiteral("IA"), 8);
    aggiungi(QStringLiteral("IAT"), 8);
    aggiungi(QStringLiteral("IAV"), 8);
    aggiungi(QStringLiteral("IAVM"), 8);
    return chiavi;
}

} // namespace

class TestConfigurazione : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void paginaCompleta();
    void predefinitiSenzaFile();
    void nomeVuotoENomeErrore();
    void salvaPoiRicarica();
    void unitaFuoriElenco();
    void unitaNonIntera();
    void cartellaNonScrivibile();

private:
    template <typename T> T *trova(const QString &nome) const
    {
        auto *controllo = m_pagina->findChild<T *>(nome);
        if (!controllo) {
            qFatal("missing control %s", qPrintable(nome));
        }
        return controllo;
    }
    QString nelFile(const QString &chiave) const
    {
        return LeggiIni(m_valori.fileImpostazioni, QStringLiteral("OPTION"), chiave);
    }
    void scriviNelFile(const QString &chiave, const QString &valore)
    {
        QVERIFY(ScriviIni(m_valori.fileImpostazioni, QStringLiteral("OPTION"), chiave, valore));
    }
    void salva()
    {
        QTest::mouseClick(trova<QPushButton>(QStringLiteral("sbSalvaConfIni")), Qt::LeftButton);
    }

    std::unique_ptr<QTemporaryDir> m_cartella;
    ValoriProgramma m_valori;
    MessaggiRegistrati m_messaggi;
    DestinatariRegistrati m_destinatari;
    std::unique_ptr<PaginaConfigurazione> m_pagina;
};

void TestConfigurazione::init()
{
    m_cartella = std::make_unique<QTemporaryDir>();
    QVERIFY(m_cartella->isValid());
    m_valori = ValoriProgramma();
    m_valori.cartellaProgramma = m_cartella->path() + QLatin1Char('/');
    m_valori.fileImpostazioni = m_valori.cartellaProgramma + QStringLiteral("Impostazioni.INI");
    m_messaggi.svuota();
    m_destinatari = DestinatariRegistrati();
    m_pagina = std::make_unique<PaginaConfigurazione>(m_valori, m_messaggi);
    m_pagina->resize(740, 480);
    m_pagina->show();
}

void TestConfigurazione::cleanup()
{
    m_pagina.reset();
    m_cartella.reset();
}

void TestConfigurazione::paginaCompleta()
{
    QCOMPARE(m_pagina->objectName(), QStringLiteral("tsConfigurazione"));

    auto *salvaConf = trova<QPushButton>(QStringLiteral("sbSalvaConfIni"));
    QCOMPARE(salvaConf->text(), QStringLiteral("       Salva Configurazione"));
    QCOMPARE(salvaConf->toolTip(), QStringLiteral("Salva Configurazione"));
    QVERIFY(!salvaConf->icon().isNull());

    auto *schede = trova<QTabWidget>(QStringLiteral("pcSettaggio"));
    QVERIFY(schede->tabBar()->isVisible());
    QCOMPARE(schede->currentIndex(), 0);
    const QStringList nomi = {QStringLiteral("tsUD"), QStringLiteral("tsID"),
                              QStringLiteral("tsUA"), QStringLiteral("tsIA"),
                              QStringLiteral("TabSheet9")};
    const QStringList titoli = {
        QStringLiteral("Uscite Digitali"), QStringLiteral("Ingressi Digitali"),
        QStringLiteral("Uscite Analogiche"), QStringLiteral("Ingressi Analogici"),
        QStringLiteral("Relè Allarme")};
    QCOMPARE(schede->count(), 5);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(schede->widget(i)->objectName(), nomi.at(i));
        QCOMPARE(schede->tabText(i), titoli.at(i));
    }

    // Every field the reload and the save touch is reachable by name, and the typed accessors
    // hand out the same widgets.
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(trova<QLineEdit>(QStringLiteral("eUDIni") + due(n)), m_pagina->eUDIni(n));
        QCOMPARE(trova<QLineEdit>(QStringLiteral("eIDIni") + due(n)), m_pagina->eIDIni(n));
        QCOMPARE(trova<QLineEdit>(QStringLiteral("eIAIni") + due(n)), m_pagina->eIAIni(n));
        QCOMPARE(trova<QLineEdit>(QStringLiteral("eVal") + due(n)), m_pagina->eVal(n));
        QCOMPARE(trova<QLineEdit>(QStringLiteral("eValMax") + due(n)), m_pagina->eValMax(n));
        auto *unita = trova<QComboBox>(QStringLiteral("eIATIni") + due(n));
        QCOMPARE(unita, m_pagina->eIATIni(n));
        QVERIFY(!unita->isEditable());
        QCOMPARE(unita->count(), 5);
        QCOMPARE(unita->itemText(0), QStringLiteral("°C"));
        QCOMPARE(unita->itemText(4), QStringLiteral("ATM"));
    }
    QCOMPARE(trova<QLineEdit>(QStringLiteral("eUAIni02")), m_pagina->eUAIni(2));
    // Design-time texts are the defaults.
    QCOMPARE(m_pagina->eIDIni(6)->text(), QStringLiteral("Allarme Fumo/Incendio"));
    QCOMPARE(m_pagina->eUAIni(1)->text(), QStringLiteral("LUMINOSITA'"));

    auto *tempo = trova<QComboBox>(QStringLiteral("cbTime"));
    QVERIFY(!tempo->isEditable());
    QCOMPARE(tempo->count(), 9);
    QCOMPARE(tempo->itemText(8), QStringLiteral("9"));
    QCOMPARE(tempo->maxVisibleItems(), 9);
    QCOMPARE(tempo->currentText(), QStringLiteral("1"));

    auto *invia = trova<QPushButton>(QStringLiteral("SpeedButton22"));
    QVERIFY(invia->text().isEmpty());
    QVERIFY(!invia->icon().isNull());
    QSignalSpy spiaInvio(m_pagina.get(), &PaginaConfigurazione::inviaTempoAllarme);
    schede->setCurrentIndex(4);
    QTest::mouseClick(invia, Qt::LeftButton);
    QCOMPARE(spiaInvio.count(), 1);

    auto *home = trova<QPushButton>(QStringLiteral("SpeedButton13"));
    QCOMPARE(home->text(), QStringLiteral("Pagina Iniziale"));
    QSignalSpy spiaHome(m_pagina.get(), &PaginaConfigurazione::paginaIniziale);
    QTest::mouseClick(home, Qt::LeftButton);
    QCOMPARE(spiaHome.count(), 1);
}

void TestConfigurazione::predefinitiSenzaFile()
{
    // Edits left from a previous visit must be overwritten by the defaults.
    m_pagina->eUDIni(1)->setText(QStringLiteral("vecchio"));
    m_pagina->eVal(6)->setText(QStringLiteral("99"));

    CaricaConfIni(m_valori, *m_pagina, m_destinatari);

    const QStringList ud = {QStringLiteral("Riscaldamento"), QStringLiteral("Condizionamento"),
                            QStringLiteral("Irrigazione"),   QStringLiteral("Antifurto"),
                            QStringLiteral("Sirena"),        QStringLiteral("Luci Interne"),
                            QStringLiteral("Luci Esterne"),  QStringLiteral("Accensione PC")};
    const QStringList unita = {QStringLiteral("°C"), QStringLiteral("°C"), QStringLiteral("Km/h"),
                               QStringLiteral("%"),  QStringLiteral("%"),  QStringLiteral("VDC"),
                               QStringLiteral("°C"), QStringLiteral("ATM")};
    const QStringList minimi = {QStringLiteral("-20"), QStringLiteral("-20"), QStringLiteral("0"),
                                QStringLiteral("0"),   QStringLiteral("0"),   QStringLiteral("0"),
                                QStringLiteral("-20"), QStringLiteral("0")};
    const QStringList massimi = {
        QStringLiteral("50"),  QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("100"),
        QStringLiteral("100"), QStringLiteral("5"),  QStringLiteral("50"),  QStringLiteral("10")};
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(m_destinatari.ud.value(n), ud.at(n - 1));
        QCOMPARE(m_pagina->eUDIni(n)->text(), ud.at(n - 1));
        QCOMPARE(m_destinatari.iat.value(n), unita.at(n - 1));
        QCOMPARE(m_pagina->eIATIni(n)->currentText(), unita.at(n - 1));
        QCOMPARE(m_pagina->eVal(n)->text(), minimi.at(n - 1));
        QCOMPARE(m_pagina->eValMax(n)->text(), massimi.at(n - 1));
        QCOMPARE(m_valori.configurazione.minimiIA.at(n - 1), minimi.at(n - 1));
    }
    QCOMPARE(m_destinatari.id.value(4), QStringLiteral("Allarme Zona2"));
    QCOMPARE(m_destinatari.id.size(), 8);
    QCOMPARE(m_destinatari.ua.value(2), QStringLiteral("VENTILAZIONE (OUT 2)"));
    QCOMPARE(m_destinatari.ia.value(3), QStringLiteral("VELOCITA' VENTO (IN 3)"));
    QCOMPARE(m_destinatari.ia.value(8), QStringLiteral("PRESSIONE CALDAIA (IN 8)"));
    QCOMPARE(m_valori.configurazione.unitaIA.at(7), QStringLiteral("4"));

    // Reading never creates the file and says nothing.
    QVERIFY(!QFile::exists(m_valori.fileImpostazioni));
    QVERIFY(m_messaggi.voci().isEmpty());
}

void TestConfigurazione::nomeVuotoENomeErrore()
{
    scriviNelFile(QStringLiteral("UD02"), QString());
    scriviNelFile(QStringLiteral("UA01"), QString());
    scriviNelFile(QStringLiteral("ID04"), QStringLiteral("ERRORE"));
    scriviNelFile(QStringLiteral("IA05"), QStringLiteral("errore")); // only the exact marker counts
    scriviNelFile(QStringLiteral("IAV02"), QStringLiteral("ERRORE"));

    CaricaConfIni(m_valori, *m_pagina, m_destinatari);

    QCOMPARE(m_destinatari.ud.value(2, QStringLiteral("not pushed")), QString());
    QCOMPARE(m_pagina->eUDIni(2)->text(), QString());
    QCOMPARE(m_valori.configurazione.nomiUD.at(1), QString());
    QCOMPARE(m_destinatari.ua.value(1), QStringLiteral(" (OUT 1)"));
    QCOMPARE(m_destinatari.id.value(4), QStringLiteral("Allarme Zona2"));
    QCOMPARE(m_valori.configurazione.nomiID.at(3), QStringLiteral("Allarme Zona2"));
    QCOMPARE(m_destinatari.ia.value(5), QStringLiteral("errore (IN 5)"));
    QCOMPARE(m_pagina->eVal(2)->text(), QStringLiteral("-20"));
    // Untouched keys still get their defaults.
    QCOMPARE(m_destinatari.ud.value(1), QStringLiteral("Riscaldamento"));
}

void TestConfigurazione::salvaPoiRicarica()
{
    CaricaConfIni(m_valori, *m_pagina, m_destinatari);
    const ValoriConfigurazione prima = m_valori.configurazione;

    // The operator picks "ATM" for input 3 and retypes a name and a range.
    QComboBox *unita3 = m_pagina->eIATIni(3);
    unita3->setFocus();
    QTest::keyClick(unita3, Qt::Key_End);
    QCOMPARE(unita3->currentText(), QStringLiteral("ATM"));
    QLineEdit *nome1 = m_pagina->eUDIni(1);
    nome1->selectAll();
    QTest::keyClicks(nome1, QStringLiteral("Pompa pozzo"));
    m_pagina->eVal(4)->setText(QStringLiteral("-2.5"));
    m_pagina->eValMax(8)->setText(QStringLiteral("12,5"));

    DestinatariRegistrati durante;
    salva();

    QVERIFY(m_messaggi.voci().isEmpty());
    QCOMPARE(nelFile(QStringLiteral("IAT03")), QStringLiteral("4"));
    QCOMPARE(nelFile(QStringLiteral("UD01")), QStringLiteral("Pompa pozzo"));
    QCOMPARE(nelFile(QStringLiteral("IAV04")), QStringLiteral("-2.5"));
    QCOMPARE(nelFile(QStringLiteral("IAVM08")), QStringLiteral("12,5"));
    QCOMPARE(nelFile(QStringLiteral("IAT08")), QStringLiteral("4"));
    QCOMPARE(nelFile(QStringLiteral("ID06")), QStringLiteral("Allarme Fumo/Incendio"));
    QCOMPARE(nelFile(QStringLiteral("UA02")), QStringLiteral("VENTILAZIONE"));
    QCOMPARE(nelFile(QStringLiteral("IAVM06")), QStringLiteral("5"));

    // All 50 keys, in the order written, and nothing else.
    QFile file(m_valori.fileImpostazioni);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList chiaviScritte;
    for (const QByteArray &riga : file.readAll().split('\n')) {
        const qsizetype uguale = riga.indexOf('=');
        if (uguale > 0) {
            chiaviScritte.append(QString::fromUtf8(riga.left(uguale)).trimmed());
        }
    }
    QCOMPARE(chiaviScritte, chiaviInOrdine());

    // The save changes neither the program-wide values nor the board pages.
    QCOMPARE(m_valori.configurazione.nomiUD, prima.nomiUD);
    QCOMPARE(m_valori.configurazione.unitaIA, prima.unitaIA);
    QCOMPARE(m_destinatari.iat.value(3), QStringLiteral("Km/h"));

    DestinatariRegistrati dopo;
    CaricaConfIni(m_valori, *m_pagina, dopo);
    QCOMPARE(dopo.iat.value(3), QStringLiteral("ATM"));
    QCOMPARE(dopo.ud.value(1), QStringLiteral("Pompa pozzo"));
    QCOMPARE(m_pagina->eIATIni(3)->currentIndex(), 4);
    QCOMPARE(m_pagina->eValMax(8)->text(), QStringLiteral("12,5"));
    QCOMPARE(m_valori.configurazione.minimiIA.at(3), QStringLiteral("-2.5"));
}

void TestConfigurazione::unitaFuoriElenco()
{
    scriviNelFile(QStringLiteral("IAT05"), QStringLiteral("9"));
    scriviNelFile(QStringLiteral("IAT06"), QStringLiteral("-1"));
    m_pagina->eIATIni(5)->setCurrentIndex(1);

    CaricaConfIni(m_valori, *m_pagina, m_destinatari);

    QCOMPARE(m_pagina->eIATIni(5)->currentIndex(), -1);
    QCOMPARE(m_pagina->eIATIni(5)->currentText(), QString());
    QCOMPARE(m_pagina->eIATIni(6)->currentIndex(), -1);
    QVERIFY(!m_destinatari.iat.contains(5));
    QVERIFY(!m_destinatari.iat.contains(6));
    // The ones after still get their unit and the ranges are still copied.
    QCOMPARE(m_destinatari.iat.value(7), QStringLiteral("°C"));
    QCOMPARE(m_pagina->eValMax(8)->text(), QStringLiteral("10"));

    salva();
    QCOMPARE(nelFile(QStringLiteral("IAT05")), QStringLiteral("-1"));
    QCOMPARE(nelFile(QStringLiteral("IAT06")), QStringLiteral("-1"));

    DestinatariRegistrati dopo;
    CaricaConfIni(m_valori, *m_pagina, dopo);
    QCOMPARE(m_pagina->eIATIni(5)->currentIndex(), -1);
    QVERIFY(!dopo.iat.contains(5));
    QCOMPARE(dopo.iat.size(), 6);
}

void TestConfigurazione::unitaNonIntera()
{
    scriviNelFile(QStringLiteral("UD01"), QStringLiteral("Nuovo"));
    scriviNelFile(QStringLiteral("IAT02"), QStringLiteral("1"));
    scriviNelFile(QStringLiteral("IAT03"), QStringLiteral("x"));
    scriviNelFile(QStringLiteral("IAV01"), QStringLiteral("7"));
    scriviNelFile(QStringLiteral("IAV05"), QStringLiteral("10"));
    scriviNelFile(QStringLiteral("IAVM05"), QStringLiteral("90"));

    // What a previous reload left behind.
    for (int n = 1; n <= 8; ++n) {
        m_pagina->eIATIni(n)->setCurrentIndex(4);
    }
    m_pagina->eVal(1)->setText(QStringLiteral("prima"));
    m_pagina->eValMax(1)->setText(QStringLiteral("prima"));

    // Key by key: the bad unit takes its default, with one warning naming the key and the
    // file; every other key loads as the file holds it.
    const QStringList avvisi = CaricaConfIni(m_valori, *m_pagina, m_destinatari);
    QCOMPARE(avvisi.size(), 1);
    QVERIFY2(avvisi.first().contains(QStringLiteral("IAT03=x")) &&
                 avvisi.first().contains(m_valori.fileImpostazioni),
             qPrintable(avvisi.first()));
    QCOMPARE(m_valori.configurazione.unitaIA.at(2), QStringLiteral("1"));
    QCOMPARE(m_valori.configurazione.minimiIA.at(0), QStringLiteral("7"));
    QCOMPARE(m_pagina->eUDIni(1)->text(), QStringLiteral("Nuovo"));
    QCOMPARE(m_destinatari.ud.value(1), QStringLiteral("Nuovo"));
    QCOMPARE(m_destinatari.ia.size(), 8);
    QCOMPARE(m_pagina->eIATIni(1)->currentIndex(), 0);
    QCOMPARE(m_pagina->eIATIni(2)->currentIndex(), 1);
    QCOMPARE(m_pagina->eIATIni(3)->currentIndex(), 1);
    QCOMPARE(m_destinatari.iat.size(), 8);
    QCOMPARE(m_pagina->eVal(1)->text(), QStringLiteral("7"));

    // A save now keeps the ranges the file held: nothing the operator did not touch changes.
    salva();
    QCOMPARE(LeggiIni(m_valori.fileImpostazioni, "OPTION", "IAV05"), QStringLiteral("10"));
    QCOMPARE(LeggiIni(m_valori.fileImpostazioni, "OPTION", "IAVM05"), QStringLiteral("90"));
}

void TestConfigurazione::cartellaNonScrivibile()
{
    m_valori.fileImpostazioni = m_cartella->path() + QStringLiteral("/manca/Impostazioni.INI");
    // The file, then why, in the system's words.
    const QString atteso = QStringLiteral("Impossibile salvare le impostazioni nel file ") +
                           m_valori.fileImpostazioni + QStringLiteral("\n\n") +
                           QString::fromLocal8Bit(std::strerror(ENOENT));

    salva();
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso), QStringList{atteso});
    salva();
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso), (QStringList{atteso, atteso}));
    QCOMPARE(m_messaggi.voci().size(), 2);
    QVERIFY(!QFile::exists(m_valori.fileImpostazioni));
}

QTEST_MAIN(TestConfigurazione)
#include "tst_configurazione.moc"
