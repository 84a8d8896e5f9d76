// The trend window on its own, fed straight from the kept readings with a fixed clock.
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "pages/andamento/FinestraAndamento.h"
#include "pages/andamento/StoricoAnalogici.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPushButton>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>

#include <memory>

namespace {

const QDateTime kAdesso(QDate(2026, 12, 7), QTime(12, 0));

QList<qreal> valori(const QLineSeries *serie)
{
    QList<qreal> esito;
    for (const QPointF &p : serie->points()) {
        esito.append(p.y());
    }
    return esito;
}

} // namespace

class TestFinestraAndamento : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lineeNomiEIntervallo();
    void caselleNascondono();
    void giornataInteraSfoltita();
    void esportaCsv();

private:
    ValoriConfigurazione m_configurazione;
    MessaggiRegistrati m_messaggi;
    std::unique_ptr<StoricoAnalogici> m_storico;
    std::unique_ptr<FinestraAndamento> m_finestra;
};

void TestFinestraAndamento::init()
{
    m_configurazione = {};
    m_configurazione.nomiIA = {QStringLiteral("TEMPERATURA INTERNA"),
                               QString(),
                               QStringLiteral("VENTO"),
                               QStringLiteral("D"),
                               QStringLiteral("E"),
                               QStringLiteral("F"),
                               QStringLiteral("G"),
                               QStringLiteral("H")};
    m_configurazione.unitaIA.fill(QStringLiteral("0"));
    m_configurazione.unitaIA[2] = QStringLiteral("1");
    m_configurazione.unitaIA[1] = QStringLiteral("-1");
    m_messaggi.svuota();
    m_storico = std::make_unique<StoricoAnalogici>(m_configurazione);
    m_finestra = std::make_unique<FinestraAndamento>(*m_storico, m_messaggi);
    m_finestra->setOrologio([] { return kAdesso; });
    m_finestra->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_finestra.get()));
}

void TestFinestraAndamento::cleanup()
{
    m_finestra.reset();
    m_storico.reset();
}

void TestFinestraAndamento::lineeNomiEIntervallo()
{
    QCOMPARE(m_finestra->windowTitle(), QStringLiteral("Andamento Ingressi Analogici"));
    QCOMPARE(m_finestra->cbIntervallo()->currentText(), QStringLiteral("10 min"));
    QCOMPARE(m_finestra->cbIntervallo()->itemText(0), QStringLiteral("1 min"));
    QCOMPARE(m_finestra->cbIntervallo()->itemText(m_finestra->cbIntervallo()->count() - 1),
             QStringLiteral("24 ore"));

    // Readings 20 min, 5 min and 30 s before now; then a newer one arrives.
    m_storico->aggiungiLettura(1, 18, kAdesso.addSecs(-1200));
    m_storico->aggiungiLettura(1, 21, kAdesso.addSecs(-300));
    m_storico->aggiungiLettura(3, 40, kAdesso.addSecs(-30));
    m_storico->aggiungiLettura(1, 22, kAdesso.addSecs(-30));
    QTRY_COMPARE(valori(m_finestra->serie(1)), (QList<qreal>{21, 22}));
    QCOMPARE(m_finestra->serie(1)->points().first().x(),
             qreal(kAdesso.addSecs(-300).toMSecsSinceEpoch()));
    QCOMPARE(valori(m_finestra->serie(3)), QList<qreal>{40});
    QVERIFY(m_finestra->serie(2)->points().isEmpty());

    QCOMPARE(m_finestra->casella(1)->text(), QStringLiteral("TEMPERATURA INTERNA (°C)"));
    QCOMPARE(m_finestra->casella(2)->text(), QStringLiteral("IN 2"));
    QCOMPARE(m_finestra->casella(3)->text(), QStringLiteral("VENTO (Km/h)"));
    QCOMPARE(m_finestra->serie(3)->name(), QStringLiteral("VENTO (Km/h)"));
    QCOMPARE(m_finestra->asseTempo()->max(), kAdesso);
    QCOMPARE(m_finestra->asseTempo()->min(), kAdesso.addSecs(-600));
    // Both lines fit, and the axis carries no unit while two differ.
    QVERIFY(m_finestra->asseValori()->min() <= 21 && m_finestra->asseValori()->max() >= 40);
    QCOMPARE(m_finestra->asseValori()->titleText(), QString());

    m_finestra->cbIntervallo()->setCurrentIndex(0);
    QCOMPARE(valori(m_finestra->serie(1)), QList<qreal>{22});
    QCOMPARE(m_finestra->asseTempo()->min(), kAdesso.addSecs(-60));
    m_finestra->cbIntervallo()->setCurrentIndex(3);
    QCOMPARE(valori(m_finestra->serie(1)), (QList<qreal>{18, 21, 22}));

    // A reading from ahead of the clock moves the span with it.
    m_storico->aggiungiLettura(1, 23, kAdesso.addSecs(120));
    QTRY_COMPARE(m_finestra->asseTempo()->max(), kAdesso.addSecs(120));

    // A new name from a reload shows at the next redraw.
    m_configurazione.nomiIA[2] = QStringLiteral("RAFFICHE");
    m_finestra->aggiorna();
    QCOMPARE(m_finestra->casella(3)->text(), QStringLiteral("RAFFICHE (Km/h)"));
}

void TestFinestraAndamento::caselleNascondono()
{
    m_storico->aggiungiLettura(1, 10, kAdesso.addSecs(-10));
    m_storico->aggiungiLettura(4, 1000, kAdesso.addSecs(-10));
    m_finestra->aggiorna();
    QVERIFY(m_finestra->asseValori()->max() >= 1000);

    auto *casella = m_finestra->findChild<QCheckBox *>(QStringLiteral("cbIA04"));
    QVERIFY(casella && casella->isChecked());
    QTest::mouseClick(casella, Qt::LeftButton, {}, QPoint(8, casella->height() / 2));
    QVERIFY(!casella->isChecked());
    QVERIFY(!m_finestra->serie(4)->isVisible());
    // The hidden line no longer stretches the value axis, and one unit is left to name it.
    QVERIFY(m_finestra->asseValori()->max() < 1000);
    QCOMPARE(m_finestra->asseValori()->titleText(), QStringLiteral("°C"));

    QTest::mouseClick(casella, Qt::LeftButton, {}, QPoint(8, casella->height() / 2));
    QVERIFY(m_finestra->serie(4)->isVisible());
    QCOMPARE(valori(m_finestra->serie(4)), QList<qreal>{1000});
}

void TestFinestraAndamento::giornataInteraSfoltita()
{
    // A day at one reading a second: a slow triangle wave with one spike.
    const QDateTime inizio = kAdesso.addSecs(-86399);
    for (int s = 0; s < 86400; ++s) {
        const int valore = s == 50000 ? 5000 : (s % 2000 < 1000 ? s % 1000 : 1000 - s % 1000);
        m_storico->aggiungiLettura(5, valore, inizio.addSecs(s));
    }
    m_finestra->cbIntervallo()->setCurrentIndex(FinestraAndamento::Minuti.size() - 1);
    const QList<QPointF> punti = m_finestra->serie(5)->points();
    QVERIFY2(punti.size() <= FinestraAndamento::PuntiMassimi,
             qPrintable(QString::number(punti.size())));
    QVERIFY(punti.size() > FinestraAndamento::PuntiMassimi / 2);
    // Thinning keeps the extremes and the order in time.
    const QList<qreal> y = valori(m_finestra->serie(5));
    QCOMPARE(*std::max_element(y.begin(), y.end()), 5000);
    QCOMPARE(*std::min_element(y.begin(), y.end()), 0);
    for (qsizetype i = 1; i < punti.size(); ++i) {
        QVERIFY(punti.at(i).x() > punti.at(i - 1).x());
    }
    QCOMPARE(m_finestra->asseTempo()->format(), QStringLiteral("dd/MM HH:mm"));
}

void TestFinestraAndamento::esportaCsv()
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(QStringLiteral("andamento.csv"));
    m_storico->aggiungiLettura(3, 7, kAdesso);
    m_finestra->setSceltaFile([&] { return percorso; });
    auto *pulsante = m_finestra->findChild<QPushButton *>(QStringLiteral("sbEsportaCsv"));
    QVERIFY(pulsante);
    QCOMPARE(pulsante->text(), QStringLiteral("Esporta CSV..."));
    QTest::mouseClick(pulsante, Qt::LeftButton);

    QFile file(percorso);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString testo = QString::fromUtf8(file.readAll());
    QVERIFY(testo.endsWith(QStringLiteral(";3;VENTO;7;Km/h\r\n")));
    QCOMPARE(
        m_messaggi.testi(MessaggiRegistrati::Tipo::Messaggio),
        QStringList{
            QStringLiteral("Esportate 1 letture in %1").arg(QDir::toNativeSeparators(percorso))});

    // Cancelled choice: nothing happens; a place that cannot be written: a warning.
    m_messaggi.svuota();
    m_finestra->setSceltaFile([] { return QString(); });
    QTest::mouseClick(pulsante, Qt::LeftButton);
    QVERIFY(m_messaggi.voci().isEmpty());
    m_finestra->setSceltaFile([&] { return percorso + QStringLiteral("/no.csv"); });
    QTest::mouseClick(pulsante, Qt::LeftButton);
    const QStringList avvisi = m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso);
    QCOMPARE(avvisi.size(), 1);
    QVERIFY(avvisi.first().startsWith(QStringLiteral("Esportazione non riuscita: ")));
}

QTEST_MAIN(TestFinestraAndamento)
#include "tst_finestraAndamento.moc"
