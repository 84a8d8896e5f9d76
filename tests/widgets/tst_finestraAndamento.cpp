// The trend window on its own, fed straight from the kept readings with a fixed clock.
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "pages/andamento/FinestraAndamento.h"
#include "pages/andamento/GraficoAndamento.h"
#include "pages/andamento/StoricoAnalogici.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QDateTime kAdesso(QDate(2026, 12, 7), QTime(12, 0));

QList<qreal> valori(const SerieAndamento *serie)
{
    QList<qreal> esito;
    for (const QPointF &p : serie->points()) {
        esito.append(p.y());
    }
    return esito;
}

// The plot's pixel columns, left to right, that hold the colour of input 1's line.
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

QStringList titoli(const GraficoAndamento *grafico)
{
    QStringList esito;
    for (const GraficoAndamento::Asse &asse : grafico->assi()) {
        esito.append(asse.titolo);
    }
    return esito;
}

// The row where the axis of input `n` put the label `testo`, -1 if it has none.
int rigaEtichetta(const GraficoAndamento *grafico, int n, const QString &testo)
{
    for (const GraficoAndamento::Asse &asse : grafico->assi()) {
        if (asse.ingressi.contains(n) && asse.testi.contains(testo)) {
            return asse.rettangoli.at(asse.testi.indexOf(testo)).center().y();
        }
    }
    return -1;
}

// The rows of the plot that hold a colour at the time `ms`.
QList<int> righeColorate(GraficoAndamento *grafico, qint64 ms, const QColor &colore)
{
    const QImage foto = grafico->grab().toImage();
    const QRect area = grafico->areaDati();
    const int x = area.left() + int(double(ms - (grafico->fine() - grafico->durata())) *
                                    area.width() / double(grafico->durata()));
    QList<int> righe;
    for (int y = area.top() + 1; y < area.bottom(); ++y) {
        if (foto.pixelColor(x, y) == colore) {
            righe.append(y);
        }
    }
    return righe;
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
    void giornataInteraAColonne();
    void lettureInArrivoComeRicostruite();
    void pausaInterrompeLaLinea();
    void unAssePerUnita();
    void assiLeggibili();
    void tastiChiudono();
    void esportaCsv();

private:
    void scegliIntervallo(int minuti);

    ValoriConfigurazione m_configurazione;
    MessaggiRegistrati m_messaggi;
    std::unique_ptr<StoricoAnalogici> m_storico;
    std::unique_ptr<FinestraAndamento> m_finestra;
    QDateTime m_adesso;
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
    m_adesso = kAdesso;
    m_storico = std::make_unique<StoricoAnalogici>(m_configurazione);
    m_finestra = std::make_unique<FinestraAndamento>(*m_storico, m_messaggi);
    m_finestra->setOrologio([this] { return m_adesso; });
    m_finestra->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_finestra.get()));
}

void TestFinestraAndamento::cleanup()
{
    m_finestra.reset();
    m_storico.reset();
}

void TestFinestraAndamento::scegliIntervallo(int minuti)
{
    const auto indice =
        std::find(FinestraAndamento::Minuti.begin(), FinestraAndamento::Minuti.end(), minuti) -
        FinestraAndamento::Minuti.begin();
    m_finestra->cbIntervallo()->setCurrentIndex(int(indice));
}

void TestFinestraAndamento::lineeNomiEIntervallo()
{
    QCOMPARE(m_finestra->windowTitle(), QStringLiteral("Andamento Ingressi Analogici"));
    QCOMPARE(m_finestra->cbIntervallo()->currentText(), QStringLiteral("10 min"));
    QCOMPARE(m_finestra->cbIntervallo()->itemText(0), QStringLiteral("1 min"));
    QCOMPARE(m_finestra->cbIntervallo()->itemText(m_finestra->cbIntervallo()->count() - 1),
             QStringLiteral("1 anno"));
    GraficoAndamento *grafico = m_finestra->grafico();

    // Readings 20 min, 5 min and 30 s before now; then a newer one arrives.
    m_storico->aggiungiLettura(1, 18, kAdesso.addSecs(-1200));
    m_storico->aggiungiLettura(1, 21, kAdesso.addSecs(-300));
    m_storico->aggiungiLettura(3, 40, kAdesso.addSecs(-30));
    m_storico->aggiungiLettura(1, 22, kAdesso.addSecs(-30));
    QCOMPARE(valori(m_finestra->serie(1)), (QList<qreal>{21, 22}));
    // Points stay at their readings' times, not at their columns'.
    QCOMPARE(m_finestra->serie(1)->points().first().x(),
             qreal(kAdesso.addSecs(-300).toMSecsSinceEpoch()));
    QCOMPARE(valori(m_finestra->serie(3)), QList<qreal>{40});
    QVERIFY(m_finestra->serie(2)->points().isEmpty());
    // They reach the screen at the next column's time at the latest.
    QTRY_VERIFY(!grafico->isSporco());

    QCOMPARE(m_finestra->casella(1)->text(), QStringLiteral("TEMPERATURA INTERNA (°C)"));
    QCOMPARE(m_finestra->casella(2)->text(), QStringLiteral("IN 2"));
    QCOMPARE(m_finestra->casella(3)->text(), QStringLiteral("VENTO (Km/h)"));
    QCOMPARE(grafico->fine(), kAdesso.toMSecsSinceEpoch());
    QCOMPARE(grafico->durata(), 600 * 1000);
    QCOMPARE(grafico->formatoTempo(), QStringLiteral("HH:mm:ss"));
    // Each unit has a scale of its own.
    QCOMPARE(titoli(grafico), (QStringList{QStringLiteral("°C"), QStringLiteral("Km/h")}));
    QVERIFY(grafico->valoreMinimo() <= 21 && grafico->valoreMassimo() >= 22);
    QVERIFY(grafico->valoreMassimo() < 40);

    scegliIntervallo(1);
    QCOMPARE(valori(m_finestra->serie(1)), QList<qreal>{22});
    QCOMPARE(grafico->durata(), 60 * 1000);
    scegliIntervallo(30);
    QCOMPARE(valori(m_finestra->serie(1)), (QList<qreal>{18, 21, 22}));

    // A reading from ahead of the clock moves the span with it.
    m_storico->aggiungiLettura(1, 23, kAdesso.addSecs(120));
    QCOMPARE(grafico->fine(), kAdesso.addSecs(120).toMSecsSinceEpoch());
    QCOMPARE(valori(m_finestra->serie(1)), (QList<qreal>{18, 21, 22, 23}));
    // The clock moving on drops what falls out of the span.
    m_adesso = kAdesso.addSecs(28 * 60);
    QTRY_COMPARE(valori(m_finestra->serie(1)), (QList<qreal>{22, 23}));

    // A new name from a reload shows at the next redraw.
    m_configurazione.nomiIA[2] = QStringLiteral("RAFFICHE");
    m_finestra->aggiorna();
    QCOMPARE(m_finestra->casella(3)->text(), QStringLiteral("RAFFICHE (Km/h)"));
}

void TestFinestraAndamento::caselleNascondono()
{
    m_storico->aggiungiLettura(1, 10, kAdesso.addSecs(-10));
    m_storico->aggiungiLettura(4, 1000, kAdesso.addSecs(-10));
    GraficoAndamento *grafico = m_finestra->grafico();
    grafico->repaint();
    QVERIFY(grafico->valoreMassimo() >= 1000);

    auto *casella = m_finestra->findChild<QCheckBox *>(QStringLiteral("cbIA04"));
    QVERIFY(casella && casella->isChecked());
    QTest::mouseClick(casella, Qt::LeftButton, {}, QPoint(8, casella->height() / 2));
    QVERIFY(!casella->isChecked());
    QVERIFY(!grafico->isVisibile(4));
    grafico->repaint();
    // The hidden line no longer stretches its unit's scale.
    QVERIFY(grafico->valoreMassimo() < 1000);
    QCOMPARE(titoli(grafico), QStringList{QStringLiteral("°C")});

    QTest::mouseClick(casella, Qt::LeftButton, {}, QPoint(8, casella->height() / 2));
    QVERIFY(grafico->isVisibile(4));
    QCOMPARE(valori(m_finestra->serie(4)), QList<qreal>{1000});
}

void TestFinestraAndamento::giornataInteraAColonne()
{
    // A day at one reading a second: a slow triangle wave with one spike.
    const qint64 inizio = kAdesso.addSecs(-86399).toMSecsSinceEpoch();
    for (int s = 0; s < 86400; ++s) {
        const int valore = s == 50000 ? 5000 : (s % 2000 < 1000 ? s % 1000 : 1000 - s % 1000);
        m_storico->aggiungiLetturaMs(5, valore, inizio + qint64(s) * 1000);
    }
    scegliIntervallo(24 * 60);
    GraficoAndamento *grafico = m_finestra->grafico();
    const QList<QPointF> punti = m_finestra->serie(5)->points();
    // At most four points per pixel column, and columns as wide as the plot.
    const int larghezza = grafico->areaDati().width();
    QVERIFY2(punti.size() <= 4 * (larghezza + 2), qPrintable(QString::number(punti.size())));
    QVERIFY(punti.size() > larghezza);
    QCOMPARE(grafico->periodoColonna(), (86400LL * 1000 + larghezza - 1) / larghezza);
    // Thinning keeps the extremes and the order in time.
    const QList<qreal> y = valori(m_finestra->serie(5));
    QCOMPARE(*std::max_element(y.begin(), y.end()), 5000);
    QCOMPARE(*std::min_element(y.begin(), y.end()), 0);
    for (qsizetype i = 1; i < punti.size(); ++i) {
        QVERIFY(punti.at(i).x() > punti.at(i - 1).x());
    }
    QVERIFY(m_finestra->serie(5)->interruzioni().isEmpty());
    QCOMPARE(grafico->formatoTempo(), QStringLiteral("dd/MM HH:mm"));

    // At the window's first size every time label is whole, and none covers another.
    grafico->repaint();
    const QList<QRect> etichette = grafico->rettangoliTempo();
    QVERIFY(etichette.size() >= 3);
    for (qsizetype i = 0; i < etichette.size(); ++i) {
        QVERIFY(grafico->rect().contains(etichette.at(i)));
        QVERIFY(grafico->fontMetrics().horizontalAdvance(grafico->testiTempo().at(i)) <=
                etichette.at(i).width());
        if (i > 0) {
            QVERIFY(!etichette.at(i).intersects(etichette.at(i - 1)));
        }
    }
    // The line reaches across the whole plot.
    const QList<int> colonne = colonneColorate(grafico, QColor(0x94, 0x67, 0xbd));
    QVERIFY(!colonne.isEmpty());
    QVERIFY(colonne.first() <= grafico->areaDati().left() + 2);
    QVERIFY(colonne.last() >= grafico->areaDati().right() - 2);
}

void TestFinestraAndamento::lettureInArrivoComeRicostruite()
{
    // Readings arriving one by one into the shown window, the clock moving on with them,
    // give the same lines as the same readings read back from the kept ones at once.
    scegliIntervallo(5);
    const qint64 inizio = kAdesso.toMSecsSinceEpoch();
    for (int s = 0; s < 900; ++s) {
        m_adesso = QDateTime::fromMSecsSinceEpoch(inizio + s * 700LL);
        for (int n = 1; n <= 2; ++n) {
            const qint64 valore = (s * 37 + n * 11) % 101 - (s == 400 ? 500 : 0);
            m_storico->aggiungiLetturaMs(n, valore, inizio + s * 700LL + n);
        }
        if (s % 50 == 0) {
            QTest::qWait(1);
        }
    }
    const QList<QPointF> arrivati1 = m_finestra->serie(1)->points();
    const QList<QPointF> arrivati2 = m_finestra->serie(2)->points();
    QVERIFY(arrivati1.size() > 300);
    m_finestra->aggiorna();
    QCOMPARE(m_finestra->serie(1)->points(), arrivati1);
    QCOMPARE(m_finestra->serie(2)->points(), arrivati2);
    // The earliest kept point is inside the span's first column.
    QVERIFY(arrivati1.first().x() >= m_finestra->grafico()->fine() - 5 * 60 * 1000 -
                                         m_finestra->grafico()->periodoColonna());
}

void TestFinestraAndamento::pausaInterrompeLaLinea()
{
    // One reading a second, then nothing for a minute, then again.
    const qint64 inizio = kAdesso.addSecs(-500).toMSecsSinceEpoch();
    QList<qint64> tempi;
    for (int s = 0; s < 500; ++s) {
        if (s < 200 || s >= 260) {
            tempi.append(inizio + s * 1000LL);
        }
    }
    for (const qint64 ms : tempi) {
        m_storico->aggiungiLetturaMs(1, 50 + ms / 1000 % 7, ms);
    }
    const SerieAndamento *serie = m_finestra->serie(1);
    QCOMPARE(serie->interruzioni().size(), 1);
    const qsizetype dopo = serie->interruzioni().first();
    QCOMPARE(serie->points().at(dopo).x(), qreal(inizio + 260 * 1000));
    QCOMPARE(serie->points().at(dopo - 1).x(), qreal(inizio + 199 * 1000));

    // On screen: the line on both sides, nothing in between.
    GraficoAndamento *grafico = m_finestra->grafico();
    grafico->repaint();
    const QRect area = grafico->areaDati();
    const auto pixel = [&](qint64 ms) {
        return area.left() + int(double(ms - (grafico->fine() - grafico->durata())) * area.width() /
                                 double(grafico->durata()));
    };
    const QList<int> colonne = colonneColorate(grafico, QColor(0x1f, 0x77, 0xb4));
    const int bordoSinistro = pixel(inizio + 199 * 1000);
    const int bordoDestro = pixel(inizio + 260 * 1000);
    QVERIFY(bordoDestro - bordoSinistro > 20);
    QVERIFY(colonne.contains(bordoSinistro - 5));
    QVERIFY(colonne.contains(bordoDestro + 5));
    for (int x = bordoSinistro + 3; x < bordoDestro - 3; ++x) {
        QVERIFY2(!colonne.contains(x), qPrintable(QString::number(x)));
    }

    // Readings coming slowly but steadily are one line, however far apart.
    m_storico->svuota();
    m_finestra->aggiorna();
    for (int s = 0; s < 10; ++s) {
        m_storico->aggiungiLetturaMs(2, s, inizio + s * 50 * 1000LL);
    }
    QVERIFY(m_finestra->serie(2)->interruzioni().isEmpty());
    QCOMPARE(m_finestra->serie(2)->points().size(), 10);
}

void TestFinestraAndamento::unAssePerUnita()
{
    // Degrees between 10 and 30, wind between 0 and 3000, each stepping up halfway.
    const qint64 inizio = kAdesso.addSecs(-590).toMSecsSinceEpoch();
    for (int s = 0; s < 590; ++s) {
        m_storico->aggiungiLetturaMs(1, s < 290 ? 10 : 30, inizio + s * 1000LL);
        m_storico->aggiungiLetturaMs(3, s < 290 ? 0 : 3000, inizio + s * 1000LL);
    }
    GraficoAndamento *grafico = m_finestra->grafico();
    grafico->repaint();
    QCOMPARE(titoli(grafico), (QStringList{QStringLiteral("°C"), QStringLiteral("Km/h")}));
    QCOMPARE(grafico->assi().at(1).ingressi, QList<int>{3});
    QVERIFY(!grafico->assi().at(0).destra && grafico->assi().at(1).destra);

    // Each flat stretch lies on the row of its value's label on its own axis.
    const QColor blu(0x1f, 0x77, 0xb4);
    const QColor verde(0x2c, 0xa0, 0x2c);
    const auto sullaRiga = [&](int n, const QColor &colore, int secondo, const QString &valore) {
        const int riga = rigaEtichetta(grafico, n, valore);
        const QList<int> righe = righeColorate(grafico, inizio + secondo * 1000LL, colore);
        QVERIFY2(riga >= 0 && !righe.isEmpty() && righe.first() >= riga - 2 &&
                     righe.last() <= riga + 2,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(valore).arg(riga).arg(righe.value(0))));
    };
    sullaRiga(1, blu, 140, QStringLiteral("10"));
    sullaRiga(1, blu, 440, QStringLiteral("30"));
    sullaRiga(3, verde, 140, QStringLiteral("0"));
    sullaRiga(3, verde, 440, QStringLiteral("3000"));

    // Hiding the only wind input takes its axis away and gives the plot its room.
    const int larghezza = grafico->areaDati().width();
    QTest::mouseClick(m_finestra->casella(3), Qt::LeftButton, {},
                      QPoint(8, m_finestra->casella(3)->height() / 2));
    grafico->repaint();
    QCOMPARE(titoli(grafico), QStringList{QStringLiteral("°C")});
    QVERIFY(grafico->areaDati().width() > larghezza);
    sullaRiga(1, blu, 440, QStringLiteral("30"));

    // Inputs without a unit share an axis of their own.
    m_storico->aggiungiLetturaMs(2, -5, inizio + 400 * 1000LL);
    m_configurazione.unitaIA[7] = QStringLiteral("9");
    m_finestra->aggiorna();
    m_storico->aggiungiLetturaMs(8, 5, inizio + 410 * 1000LL);
    grafico->repaint();
    QCOMPARE(titoli(grafico), (QStringList{QStringLiteral("°C"), QStringLiteral("—")}));
    QCOMPARE(grafico->assi().at(1).ingressi, (QList<int>{2, 8}));
}

void TestFinestraAndamento::assiLeggibili()
{
    // Five units and inputs without one, ranges far apart, over the whole ring.
    const QStringList unita = QStringLiteral("0 -1 1 2 3 4 0 2").split(QLatin1Char(' '));
    std::copy(unita.cbegin(), unita.cend(), m_configurazione.unitaIA.begin());
    const qint64 inizio = kAdesso.addSecs(-86399).toMSecsSinceEpoch();
    for (int s = 0; s < 86400; ++s) {
        for (int n = 1; n <= 8; ++n) {
            const qint64 onda = (s * n / 60) % 200;
            m_storico->aggiungiLetturaMs(n, n == 2 ? onda * 500 - 45000 : onda * n - 20,
                                         inizio + s * 1000LL);
        }
    }
    scegliIntervallo(24 * 60);
    GraficoAndamento *grafico = m_finestra->grafico();
    for (const QSize dimensione : {m_finestra->size(), QSize(751, 585)}) {
        m_finestra->resize(dimensione);
        QTRY_COMPARE(m_finestra->size(), dimensione);
        grafico->repaint();
        QCOMPARE(grafico->assi().size(), 6);
        QVERIFY(grafico->areaDati().width() * 2 > grafico->width());
        // Every label and title whole, inside the widget, off the plot, the times, its
        // neighbour and the other axes.
        QList<QRect> occupati = grafico->rettangoliTempo();
        for (const GraficoAndamento::Asse &asse : grafico->assi()) {
            const QList<QRect> propri = asse.rettangoli + QList<QRect>{asse.rettangoloTitolo};
            const QStringList testi = asse.testi + QStringList{asse.titolo};
            for (qsizetype i = 0; i < propri.size(); ++i) {
                const QRect &r = propri.at(i);
                QVERIFY2(grafico->rect().contains(r) && !r.intersects(grafico->areaDati()) &&
                             grafico->fontMetrics().horizontalAdvance(testi.at(i)) <= r.width() &&
                             (i == 0 || !r.intersects(propri.at(i - 1))),
                         qPrintable(testi.at(i)));
                for (const QRect &altro : std::as_const(occupati)) {
                    QVERIFY2(!r.intersects(altro), qPrintable(testi.at(i)));
                }
            }
            occupati.append(propri);
        }
        // The inputs below the plot, each with its whole text.
        for (const QCheckBox *casella : m_finestra->findChildren<QCheckBox *>()) {
            QVERIFY(m_finestra->rect().contains(casella->geometry()));
            QVERIFY(!casella->geometry().intersects(grafico->geometry()));
            QVERIFY(casella->width() >= casella->sizeHint().width());
        }
    }
}

void TestFinestraAndamento::tastiChiudono()
{
    for (const QKeyCombination tasto : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W}) {
        m_finestra->show();
        m_finestra->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_finestra.get()));
        QTest::keyClick(QApplication::focusWidget(), tasto.key(), tasto.keyboardModifiers());
        QVERIFY(!m_finestra->isVisible());
    }
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
