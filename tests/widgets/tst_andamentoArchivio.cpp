// The trend window drawn from the history on disk: long spans from the rollups, a stretch
// without readings drawn as a gap, lines on the same values told apart, a date to go to, and
// the export of the span on screen.
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "pages/andamento/FinestraAndamento.h"
#include "pages/andamento/GraficoAndamento.h"
#include "pages/andamento/StoricoAnalogici.h"
#include "storico/Storico.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QDateTime kAdesso(QDate(2026, 12, 7), QTime(12, 0));
constexpr qint64 kMinuto = 60 * 1000;

// The columns of the plot, left to right, holding `colore`.
QList<int> colonneColorate(GraficoAndamento *grafico, const QColor &colore)
{
    const QImage foto = grafico->grab().toImage();
    const QRect area = grafico->areaDati().adjusted(1, 1, -1, -1);
    QList<int> colonne;
    for (int x = area.left(); x <= area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if (foto.pixelColor(x, y) == colore) {
                colonne.append(x);
                break;
            }
        }
    }
    return colonne;
}

// The widest run of columns without the colour between the first and the last that hold it.
int buco(const QList<int> &colonne)
{
    int largo = 0;
    for (qsizetype i = 1; i < colonne.size(); ++i) {
        largo = std::max(largo, colonne.at(i) - colonne.at(i - 1) - 1);
    }
    return largo;
}

} // namespace

class TestAndamentoArchivio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void spanELacune_data();
    void spanELacune();
    void lineeSovrapposteDistinte_data();
    void lineeSovrapposteDistinte();
    void vaiADataEdEsporta();

private:
    void scegli(int minuti);

    QTemporaryDir m_cartella;
    ValoriConfigurazione m_configurazione;
    MessaggiRegistrati m_messaggi;
    std::unique_ptr<Storico> m_archivio;
    std::unique_ptr<StoricoAnalogici> m_storico;
    std::unique_ptr<FinestraAndamento> m_finestra;
};

void TestAndamentoArchivio::initTestCase()
{
    m_configurazione.unitaIA.fill(QStringLiteral("0"));
    m_archivio = std::make_unique<Storico>(m_cartella.filePath(Storico::NomeFile));
    QSignalSpy scritto(m_archivio.get(), &Storico::scritto);
    const qint64 adesso = kAdesso.toMSecsSinceEpoch();
    // Inputs 1 and 2 alike, one reading every 2 s: 40 minutes, 20 without, 40 more, ending 30
    // minutes ago, so none of it is among the kept readings of this run.
    const qint64 inizio = adesso - 130 * kMinuto;
    for (qint64 ms = inizio; ms < adesso - 30 * kMinuto; ms += 2000) {
        const qint64 t = ms - inizio;
        if (t >= 40 * kMinuto && t < 60 * kMinuto) {
            continue;
        }
        const qint64 valore = (t / kMinuto) % 20;
        m_archivio->aggiungiLettura(1, ms, 100, valore, QStringLiteral("Uno"), QStringLiteral("°C"));
        m_archivio->aggiungiLettura(2, ms, 100, valore, QStringLiteral("Due"), QStringLiteral("°C"));
    }
    // Three days ago, a quarter of an hour of input 3.
    for (qint64 ms = adesso - 3 * 24 * 60 * kMinuto; ms < adesso - 3 * 24 * 60 * kMinuto + 15 * kMinuto;
         ms += 1000) {
        m_archivio->aggiungiLettura(3, ms, 7, 42, QStringLiteral("Tre"), QStringLiteral("%"));
    }
    m_archivio->scriviOra();
    QVERIFY(scritto.wait(20000));

    m_storico = std::make_unique<StoricoAnalogici>(m_configurazione);
    m_finestra = std::make_unique<FinestraAndamento>(*m_storico, m_messaggi);
    m_finestra->setOrologio([] { return kAdesso; });
    m_finestra->setArchivio(m_archivio.get());
    m_finestra->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_finestra.get()));
}

void TestAndamentoArchivio::cleanupTestCase()
{
    m_finestra.reset();
    m_storico.reset();
    m_archivio.reset();
}

void TestAndamentoArchivio::scegli(int minuti)
{
    const auto i = std::find(FinestraAndamento::Minuti.begin(), FinestraAndamento::Minuti.end(),
                             minuti) -
                   FinestraAndamento::Minuti.begin();
    QVERIFY(i < qsizetype(FinestraAndamento::Minuti.size()));
    m_finestra->cbIntervallo()->setCurrentIndex(int(i));
}

void TestAndamentoArchivio::spanELacune_data()
{
    QTest::addColumn<int>("minuti");
    QTest::addColumn<QString>("testo");
    // Raw readings at 2 hours; minute rollups at a day; 10-minute ones at a week.
    QTest::newRow("2 ore") << 120 << QStringLiteral("2 ore");
    QTest::newRow("24 ore") << 1440 << QStringLiteral("24 ore");
    QTest::newRow("7 giorni") << 10080 << QStringLiteral("7 giorni");
}

void TestAndamentoArchivio::spanELacune()
{
    QFETCH(int, minuti);
    QFETCH(QString, testo);
    scegli(minuti);
    QCOMPARE(m_finestra->cbIntervallo()->currentText(), testo);
    const SerieAndamento *serie = m_finestra->serie(1);
    QVERIFY(!serie->points().isEmpty());
    // The 20 minutes without readings break the line once, and only there.
    QCOMPARE(serie->interruzioni().size(), minuti <= 1440 ? 1 : 0);
    if (minuti <= 1440) {
        const qint64 prima = qint64(serie->points().at(serie->interruzioni().at(0) - 1).x());
        const qint64 dopo = qint64(serie->points().at(serie->interruzioni().at(0)).x());
        QVERIFY2(dopo - prima >= 19 * kMinuto, qPrintable(QString::number(dopo - prima)));
    }
    // Values 0..19 a minute each: the rollups keep the extremes.
    qint64 basso = 0;
    qint64 alto = 0;
    QVERIFY(serie->estremi(basso, alto));
    QCOMPARE(basso, 0);
    QCOMPARE(alto, 19);
}

void TestAndamentoArchivio::lineeSovrapposteDistinte_data()
{
    QTest::addColumn<int>("minuti");
    // Several raw readings a pixel; a minute rollup every two pixels or so.
    QTest::newRow("2 ore") << 120;
    QTest::newRow("24 ore") << 1440;
}

void TestAndamentoArchivio::lineeSovrapposteDistinte()
{
    QFETCH(int, minuti);
    scegli(minuti);
    GraficoAndamento *grafico = m_finestra->grafico();
    grafico->setColore(1, QColor(255, 0, 0));
    grafico->setColore(2, QColor(0, 0, 255));
    grafico->update();
    // Input 2 is drawn over input 1 on the same values, dashed: both show.
    const QList<int> rosse = colonneColorate(grafico, QColor(255, 0, 0));
    const QList<int> blu = colonneColorate(grafico, QColor(0, 0, 255));
    QList<int> tutte = rosse + blu;
    std::sort(tutte.begin(), tutte.end());
    tutte.erase(std::unique(tutte.begin(), tutte.end()), tutte.end());
    QVERIFY(!tutte.isEmpty());
    QVERIFY2(rosse.size() >= tutte.size() / 5 && blu.size() >= tutte.size() / 5,
             qPrintable(QStringLiteral("%1 %2 %3").arg(rosse.size()).arg(blu.size()).arg(tutte.size())));
    // Together they span the 100 minutes (the last 90 of them at 2 hours), with one gap: the
    // 20 minutes without readings.
    const int conLetture = std::min(100, minuti - 30);
    const double pixelAlMinuto = double(grafico->areaDati().width()) / minuti;
    const QString misure = QStringLiteral("da %1 a %2, buco %3, %4 pixel al minuto")
                               .arg(tutte.first())
                               .arg(tutte.last())
                               .arg(buco(tutte))
                               .arg(pixelAlMinuto);
    QVERIFY2(std::abs(tutte.last() - tutte.first() - conLetture * pixelAlMinuto) <= 3, qPrintable(misure));
    QVERIFY2(std::abs(buco(tutte) - 20 * pixelAlMinuto) <= 3, qPrintable(misure));
}

void TestAndamentoArchivio::vaiADataEdEsporta()
{
    scegli(60);
    // The hour three days back, where only input 3 has readings.
    const QDateTime fine = kAdesso.addDays(-3).addSecs(30 * 60);
    m_finestra->eVaiA()->setDateTime(fine);
    m_finestra->sbVaiAClick();
    QVERIFY(m_finestra->isFermo());
    QCOMPARE(m_finestra->grafico()->fine(), fine.toMSecsSinceEpoch());
    QVERIFY(m_finestra->serie(1)->points().isEmpty());
    QVERIFY(!m_finestra->serie(3)->points().isEmpty());

    const QString percorso = m_cartella.filePath(QStringLiteral("tre.csv"));
    m_finestra->setSceltaFile([&] { return percorso; });
    m_finestra->sbEsportaCsvClick();
    QFile file(percorso);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> righe = file.readAll().split('\n');
    // The header, 900 readings, the empty piece after the last line end.
    QCOMPARE(righe.size(), 902);
    QVERIFY(righe.at(1).contains(";3;Tre;42;%\r"));
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Messaggio).size(), 1);

    m_finestra->sbAdessoClick();
    QVERIFY(!m_finestra->isFermo());
    QCOMPARE(m_finestra->grafico()->fine(), kAdesso.toMSecsSinceEpoch());
}

QTEST_MAIN(TestAndamentoArchivio)
#include "tst_andamentoArchivio.moc"
