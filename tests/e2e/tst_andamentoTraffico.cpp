// The traffic record and the trend window in the whole panel, against the simulated board over
// loopback TCP and over a pseudo-terminal.
#include "SchedaSimulata.h"
#include "SimulatoreScheda.h"
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/RegistroTraffico.h"
#include "link/TrasportoSeriale.h"
#include "pages/andamento/FinestraAndamento.h"
#include "pages/andamento/StoricoAnalogici.h"
#include "protocol/Conversioni.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"
#include "Blocchi.h"
#include "ProvaScheda.h"
#include "Supporto.h"

#include <QAction>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr qint64 kScarto = 20;
constexpr qint64 kMargine = 700;

// One line of the record.
struct Riga
{
    QDateTime quando;
    QString collegamento;
    QString direzione;
    QString dati; // as escaped in the file
};

QList<Riga> righe(const QString &percorso)
{
    QList<Riga> esito;
    const QStringList testo = leggiTesto(percorso).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &riga : testo) {
        // "yyyy-MM-dd HH:mm:ss.zzz LINK DIR data": the date and time take 23 characters.
        const QStringList campi = riga.mid(24).split(QLatin1Char(' '));
        esito.append(
            {QDateTime::fromString(riga.left(23), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
             campi.value(0), campi.value(1), riga.section(QLatin1Char(' '), 4)});
    }
    return esito;
}

QString uniti(const QList<Riga> &elenco)
{
    QString testo;
    for (const Riga &riga : elenco) {
        testo += riga.dati;
    }
    return testo;
}

QList<Riga> filtra(const QList<Riga> &elenco, const QString &direzione)
{
    QList<Riga> esito;
    for (const Riga &riga : elenco) {
        if (riga.direzione == direzione) {
            esito.append(riga);
        }
    }
    return esito;
}

} // namespace

class TestAndamentoTraffico : public ProvaScheda
{
    Q_OBJECT

private slots:
    void tcpReleRegistratoENomiNelGrafico();
    void serialeRegistroRicordato();
    void lettureDallaPaginaIngressiAnalogici();
    void graficoConIngressiInDeriva();

private:
    QAction *voce(const char *nome) const
    {
        return m_finestra->findChild<QAction *>(QLatin1String(nome));
    }
    QString fileRegistro() const { return m_cartella->filePath(RegistroTraffico::NomeFile); }
    void scriviImpostazioni();
    FinestraAndamento *apriAndamento();
};

// Names, units and ranges of the analog inputs as the operator saved them.
void TestAndamentoTraffico::scriviImpostazioni()
{
    const QString file = m_cartella->filePath(QStringLiteral("Impostazioni.INI"));
    const QString sezione = QStringLiteral("OPTION");
    QVERIFY(ScriviIni(file, sezione, QStringLiteral("IA01"), QStringLiteral("MANDATA")));
    QVERIFY(ScriviIni(file, sezione, QStringLiteral("IAT01"), QStringLiteral("0")));
    QVERIFY(ScriviIni(file, sezione, QStringLiteral("IAV01"), QStringLiteral("-10")));
    QVERIFY(ScriviIni(file, sezione, QStringLiteral("IAVM01"), QStringLiteral("90")));
    QVERIFY(ScriviIni(file, sezione, QStringLiteral("IA08"), QStringLiteral("SERBATOIO; NORD")));
    QVERIFY(ScriviIni(file, sezione, QStringLiteral("IAT08"), QStringLiteral("4")));
}

FinestraAndamento *TestAndamentoTraffico::apriAndamento()
{
    voce("mAndamento")->trigger();
    FinestraAndamento *andamento = m_finestra->finestraAndamento();
    if (andamento && QTest::qWaitForWindowExposed(andamento)) {
        return andamento;
    }
    return nullptr;
}

void TestAndamentoTraffico::tcpReleRegistratoENomiNelGrafico()
{
    scriviImpostazioni();
    avviaTcp();

    // Off by default; switched on from the menu and remembered.
    QAction *registra = voce("mRegistraTraffico");
    QVERIFY(registra && registra->isCheckable() && !registra->isChecked());
    QCOMPARE(registra->text(), QStringLiteral("Registra traffico"));
    registra->trigger();
    QVERIFY(registra->isChecked());
    QCOMPARE(LeggiIni(filePorte(), QStringLiteral("Traffico"), QStringLiteral("Registra")),
             QStringLiteral("1"));

    QTest::mouseClick(m_finestra->findChild<QWidget *>(QStringLiteral("lbUD")), Qt::LeftButton);
    QCOMPARE(m_finestra->paginaAttiva(), 1);
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/RS\r\n"));
    const qsizetype primaDelClic = righe(fileRegistro()).size();
    QTest::mouseClick(m_finestra->findChild<QWidget *>(QStringLiteral("sbUD5")), Qt::LeftButton);
    QTRY_VERIFY(m_scheda->stato().rele[4]);
    // The reply is recorded as it arrives.
    QTRY_VERIFY(uniti(filtra(righe(fileRegistro()).mid(primaDelClic), QStringLiteral("RX")))
                    .contains(QStringLiteral("STATO USCITE RELE ->00010000<-")));
    QVERIFY(attendiInvii());

    const QList<Riga> tutte = righe(fileRegistro()).mid(primaDelClic);
    const QList<Riga> inviate = filtra(tutte, QStringLiteral("TX"));
    QCOMPARE(inviate.size(), 12);
    QCOMPARE(uniti(inviate), QStringLiteral("*/R5\\r\\n*/RS\\r\\n"));
    for (qsizetype i = 0; i < inviate.size(); ++i) {
        QCOMPARE(inviate.at(i).collegamento, QStringLiteral("TCP"));
        if (i == 0 || i == 6) {
            continue; // each command waits for its own prompt first
        }
        const qint64 passo = inviate.at(i - 1).quando.msecsTo(inviate.at(i).quando);
        QVERIFY2(passo >= 50 - kScarto && passo < 50 + kMargine,
                 qPrintable(QString::number(passo)));
    }
    // Every received line is TCP, and the prompt the request waited for came in between.
    const QList<Riga> ricevute = filtra(tutte, QStringLiteral("RX"));
    QVERIFY(!ricevute.isEmpty());
    for (const Riga &riga : ricevute) {
        QCOMPARE(riga.collegamento, QStringLiteral("TCP"));
    }
    int trasmessi = 0;
    bool prontoTraIComandi = false;
    for (const Riga &riga : tutte) {
        if (riga.direzione == QLatin1String("TX")) {
            ++trasmessi;
        } else if (trasmessi == 6 && riga.dati.contains(QLatin1String("F?"))) {
            prontoTraIComandi = true;
        }
    }
    QVERIFY(prontoTraIComandi);

    // The trend window names its lines from the configuration the page opening loaded.
    FinestraAndamento *andamento = apriAndamento();
    QVERIFY(andamento);
    QCOMPARE(andamento->casella(1)->text(), QStringLiteral("MANDATA (°C)"));
    QCOMPARE(andamento->casella(8)->text(), QStringLiteral("SERBATOIO; NORD (ATM)"));
    StoricoAnalogici &storico = m_finestra->storicoAnalogici();
    const QDateTime adesso = QDateTime::currentDateTime();
    storico.aggiungiLettura(1, Conversioni::scalaAnalogico(32768, -10, 90), adesso.addSecs(-2));
    storico.aggiungiLettura(8, 3, adesso.addSecs(-1));
    QTRY_COMPARE(andamento->serie(1)->points().size(), 1);
    QCOMPARE(andamento->serie(1)->points().first().y(), 40);

    const QString csv = m_cartella->filePath(QStringLiteral("letture.csv"));
    andamento->setSceltaFile([&] { return csv; });
    QTest::mouseClick(andamento->findChild<QWidget *>(QStringLiteral("sbEsportaCsv")),
                      Qt::LeftButton);
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Messaggio).size(), 1);
    m_messaggi.svuota();
    const QStringList csvRighe = leggiTesto(csv).split(QStringLiteral("\r\n"));
    QCOMPARE(csvRighe.size(), 4);
    QVERIFY(csvRighe.at(1).endsWith(QStringLiteral(";1;MANDATA;40;°C")));
    QVERIFY(csvRighe.at(2).endsWith(QStringLiteral(";8;\"SERBATOIO; NORD\";3;ATM")));

    // Off again: remembered, and nothing more is recorded.
    registra->trigger();
    QVERIFY(!registra->isChecked());
    QCOMPARE(LeggiIni(filePorte(), QStringLiteral("Traffico"), QStringLiteral("Registra")),
             QStringLiteral("0"));
    const QString registrato = leggiTesto(fileRegistro());
    QVERIFY(attendiInvii());
    const qsizetype prima = m_scheda->ricevuti().size();
    QSignalSpy pronti(&m_finestra->sessione(), &SessioneScheda::pronto);
    QTest::mouseClick(m_finestra->findChild<QWidget *>(QStringLiteral("sbUDRich")), Qt::LeftButton);
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti().mid(prima)), QByteArray("*/RS\r\n"));
    // The prompt the request waited for, then the one after its reply.
    QTRY_VERIFY(pronti.count() >= 2);
    QCOMPARE(leggiTesto(fileRegistro()), registrato);
}

void TestAndamentoTraffico::serialeRegistroRicordato()
{
    m_scheda->setIntervallo(600);
    const QString dispositivo = m_scheda->apriPty();
    QVERIFY2(!dispositivo.isEmpty(), qPrintable(m_scheda->errore()));
    QVERIFY(scriviPorteSeriale(m_cartella->path(), dispositivo));
    // Recording was left on last time.
    QVERIFY(ScriviIni(filePorte(), QStringLiteral("Traffico"), QStringLiteral("Registra"),
                      QStringLiteral("1")));
    creaFinestra();
    QVERIFY(voce("mRegistraTraffico")->isChecked());
    QVERIFY(m_finestra->registroTraffico().isAttivo());

    m_scheda->stato().rele[2] = true;
    QTest::mouseClick(m_finestra->findChild<QWidget *>(QStringLiteral("lbUD")), Qt::LeftButton);
    QTRY_VERIFY(uniti(filtra(righe(fileRegistro()), QStringLiteral("RX")))
                    .contains(QStringLiteral("STATO USCITE RELE ->00000100<-")));

    const QList<Riga> tutte = righe(fileRegistro());
    const QList<Riga> inviate = filtra(tutte, QStringLiteral("TX"));
    // The pieces as written, 800 ms apart.
    QCOMPARE(inviate.size(), 2);
    QCOMPARE(inviate.at(0).dati, QStringLiteral("*/R"));
    QCOMPARE(inviate.at(1).dati, QStringLiteral("S"));
    const qint64 passo = inviate.at(0).quando.msecsTo(inviate.at(1).quando);
    QVERIFY2(passo >= 800 - kScarto && passo < 800 + kMargine, qPrintable(QString::number(passo)));
    for (const Riga &riga : tutte) {
        QCOMPARE(riga.collegamento, QStringLiteral("SER"));
    }
}

void TestAndamentoTraffico::lettureDallaPaginaIngressiAnalogici()
{
    // What the analog inputs page shows, over TCP and then over serial, reaches the kept
    // readings and the export with the configured names and scaling.
    setTempi(tempiBrevi());
    const quint16 porta = m_scheda->avviaTcp();
    QVERIFY2(porta != 0, qPrintable(m_scheda->errore()));
    const QString dispositivo = m_scheda->apriPty();
    QVERIFY2(!dispositivo.isEmpty(), qPrintable(m_scheda->errore()));
    QVERIFY(ScriviIni(filePorte(), QStringLiteral("TIPO"), QStringLiteral("Collegamento"),
                      QStringLiteral("1")));
    QVERIFY(ScriviIni(filePorte(), QStringLiteral("TCP"), QStringLiteral("IP"),
                      QStringLiteral("127.0.0.1")));
    QVERIFY(ScriviIni(filePorte(), QStringLiteral("TCP"), QStringLiteral("Porta"),
                      QString::number(porta)));
    for (const auto &[chiave, valore] :
         {std::pair{QStringLiteral("Numero"), QStringLiteral("1")},
          std::pair{QStringLiteral("Velocita"), QStringLiteral("38400")},
          std::pair{QStringLiteral("Dispositivo"), dispositivo}}) {
        QVERIFY(ScriviIni(filePorte(), QStringLiteral("Porta"), chiave, valore));
    }
    scriviImpostazioni();
    // -10..90 on input 1: 32768 is 40.0008; 0..10 on input 8: 19661 is 3.0001.
    QVERIFY(m_scheda->imposta(QStringLiteral("analogico 1 32768")).isEmpty());
    QVERIFY(m_scheda->imposta(QStringLiteral("analogico 8 19661")).isEmpty());
    creaFinestra();
    StoricoAnalogici &storico = m_finestra->storicoAnalogici();

    QTest::mouseClick(m_finestra->findChild<QWidget *>(QStringLiteral("lbIA")), Qt::LeftButton);
    QCOMPARE(m_finestra->paginaAttiva(), 4);
    QTRY_COMPARE(storico.letture(8).size(), 1);
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(storico.letture(n).size(), 1);
    }
    QCOMPARE(storico.letture(1).ultima().valore, 40);
    QCOMPARE(storico.letture(8).ultima().valore, 3);

    // The same page over the serial line.
    QTest::mouseClick(m_finestra->findChild<QWidget *>(QStringLiteral("SpeedButton3")),
                      Qt::LeftButton);
    voce("mCollSeriale")->trigger();
    QVERIFY(m_scheda->imposta(QStringLiteral("analogico 1 65535")).isEmpty());
    QTest::mouseClick(m_finestra->findChild<QWidget *>(QStringLiteral("lbIA")), Qt::LeftButton);
    QCOMPARE(m_finestra->collegamento().trasporto(), &m_finestra->collegamento().seriale());
    QTRY_COMPARE(storico.letture(8).size(), 2);
    QCOMPARE(storico.letture(1).ultima().valore, 90);

    FinestraAndamento *andamento = apriAndamento();
    QVERIFY(andamento);
    andamento->aggiorna();
    QCOMPARE(andamento->serie(1)->points().size(), 2);
    QCOMPARE(andamento->serie(1)->points().last().y(), 90);
    const QString csv = m_cartella->filePath(QStringLiteral("letture.csv"));
    QCOMPARE(storico.esportaCsv(csv), 16);
    const QString testo = leggiTesto(csv);
    QVERIFY(testo.contains(QStringLiteral(";1;MANDATA;40;°C\r\n")));
    QVERIFY(testo.contains(QStringLiteral(";1;MANDATA;90;°C\r\n")));
    QVERIFY(testo.contains(QStringLiteral(";8;\"SERBATOIO; NORD\";3;ATM\r\n")));
}

void TestAndamentoTraffico::graficoConIngressiInDeriva()
{
    creaFinestra();
    // Names, units and ranges are the defaults: the reload of the "Settaggi" menu loads them.
    voce("Settaggi1")->trigger();
    const ValoriConfigurazione &configurazione = m_finestra->valori().configurazione;

    // Ten minutes of the simulated board's wandering inputs, one reading a second, scaled as
    // the analog inputs page scales them.
    SchedaSimulata scheda(7);
    const QDateTime adesso = QDateTime::currentDateTime();
    StoricoAnalogici &storico = m_finestra->storicoAnalogici();
    for (int s = 599; s >= 0; --s) {
        scheda.deriva();
        for (int n = 1; n <= 8; ++n) {
            const qint64 valore = Conversioni::scalaAnalogico(
                QString::number(scheda.stato().ingressiAnalogici.at(n - 1)),
                configurazione.minimiIA.at(n - 1), configurazione.massimiIA.at(n - 1));
            storico.aggiungiLettura(n, valore, adesso.addSecs(-s));
        }
    }
    FinestraAndamento *andamento = apriAndamento();
    QVERIFY(andamento);
    andamento->aggiorna();
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(andamento->serie(n)->points().size(), 600);
    }
    QCOMPARE(andamento->casella(6)->text(), QStringLiteral("LIVELLO TENSIONE DC (VDC)"));
    QCOMPARE(andamento->serie(1)->points().last().y(),
             Conversioni::scalaAnalogico(scheda.stato().ingressiAnalogici.at(0), -20, 50));
}

QTEST_MAIN(TestAndamentoTraffico)
#include "tst_andamentoTraffico.moc"
