// Point names from the settings file that a careless or hostile hand wrote: markup, control
// characters, 10,000 characters. Every page shows them as text, inside its own bounds, quickly.
#include "BancoFinestra.h"
#include "pages/widgets/EtichettaAccorciata.h"
#include "pages/widgets/PannelloPunto.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QStackedWidget>
#include <QtTest>

namespace {

struct Punto
{
    QString chiave;
    // The control that shows the name on its page.
    QString controllo;
    int pagina;
};

QList<Punto> punti()
{
    QList<Punto> esito;
    for (int n = 1; n <= 8; ++n) {
        esito.append({LayoutIni::chiaveUD(n), QStringLiteral("sbUD%1").arg(n), 1});
        esito.append({LayoutIni::chiaveID(n), QStringLiteral("sbID%1").arg(n), 2});
        esito.append({LayoutIni::chiaveIA(n), QStringLiteral("lbIA0%1").arg(n), 4});
    }
    for (int n = 1; n <= 2; ++n) {
        esito.append({LayoutIni::chiaveUA(n), QStringLiteral("lbUA0%1").arg(n), 3});
    }
    return esito;
}

} // namespace

class TestNomiOstili : public QObject
{
    Q_OBJECT

private slots:
    void suOgniPagina_data()
    {
        QTest::addColumn<QString>("nome");
        // A name as long as the longest the program comes with: shown whole.
        QTest::newRow("ordinario") << QStringLiteral("LIVELLO TENSIONE DC");
        QTest::newRow("HTML") << QStringLiteral("<h1><font color=red>Luce</font></h1> &amp; "
                                                "<img src=\"/etc/passwd\"><a href=x>gas</a>");
        QTest::newRow("caratteri di controllo")
            << QStringLiteral("Luce\t\x01\x07\x1b[31m\u202e\u200b\x7f esterna");
        QTest::newRow("10 000 caratteri") << QStringLiteral("Pompa di calore ").repeated(624) +
                                                 QStringLiteral("Pompa di calore!");
    }

    void suOgniPagina()
    {
        QFETCH(QString, nome);
        BancoFinestra banco;
        const QString file = banco.file(LayoutIni::kFileImpostazioni);
        QList<VoceIni> voci;
        for (const Punto &punto : punti()) {
            voci.append({LayoutIni::kSezOption, punto.chiave, nome});
        }
        QVERIFY(ScriviIni(file, voci));

        TfrmMain &finestra = banco.crea();
        finestra.resize(751, 585);
        QVERIFY(banco.mostra());
        const QSize minimoPrima = finestra.minimumSizeHint();
        finestra.CaricaConfIni();
        auto *pagine = finestra.findChild<QStackedWidget *>(QStringLiteral("pcPagine"));

        for (int pagina = 1; pagina <= 4; ++pagina) {
            pagine->setCurrentIndex(pagina);
            QApplication::processEvents();
            QElapsedTimer tempo;
            tempo.start();
            finestra.repaint();
            QVERIFY2(tempo.elapsed() < 1000, qPrintable(QString::number(tempo.elapsed())));
            QWidget *corrente = pagine->currentWidget();
            for (const Punto &punto : punti()) {
                if (punto.pagina != pagina) {
                    continue;
                }
                auto *controllo = corrente->findChild<QWidget *>(punto.controllo);
                QVERIFY2(controllo, qPrintable(punto.controllo));
                // Within the page, whatever the length.
                const QRect dove(controllo->mapTo(corrente, QPoint(0, 0)), controllo->size());
                QVERIFY2(corrente->rect().contains(dove),
                         qPrintable(punto.controllo + QStringLiteral(" %1,%2 %3x%4")
                                                          .arg(dove.x())
                                                          .arg(dove.y())
                                                          .arg(dove.width())
                                                          .arg(dove.height())));
                // Whole in the tooltip, as text.
                QString intero = nome;
                if (auto *etichetta = qobject_cast<QLabel *>(controllo)) {
                    QCOMPARE(etichetta->textFormat(), Qt::PlainText);
                    QVERIFY(etichetta->text().startsWith(nome));
                    intero = etichetta->text();
                }
                if (auto *titolo = qobject_cast<EtichettaAccorciata *>(controllo)) {
                    const bool mostratoIntero = titolo->testoMostrato() == titolo->text();
                    QVERIFY2(mostratoIntero == (QLatin1String(QTest::currentDataTag()) ==
                                                QLatin1String("ordinario")),
                             qPrintable(punto.controllo +
                                        QStringLiteral(" %1 px: ").arg(titolo->width()) +
                                        titolo->testoMostrato()));
                }
                if (qobject_cast<PannelloPunto *>(controllo)) {
                    // A point's tooltip also tells its state, here not read yet.
                    intero += QStringLiteral(": stato non ancora letto");
                }
                QVERIFY2(controllo->toolTip() == Qt::convertFromPlainText(intero),
                         qPrintable(punto.controllo + QStringLiteral(": ") +
                                    controllo->toolTip().left(80)));
            }
        }
        // No name widens or heightens the window past what it needed before.
        QVERIFY2(finestra.minimumSizeHint().width() <= qMax(minimoPrima.width(), 751),
                 qPrintable(QString::number(finestra.minimumSizeHint().width())));
        QVERIFY2(finestra.minimumSizeHint().height() <= qMax(minimoPrima.height(), 585),
                 qPrintable(QString::number(finestra.minimumSizeHint().height())));
        QCOMPARE(finestra.size(), QSize(751, 585));
        QVERIFY(banco.messaggi().voci().isEmpty());
    }
};

QTEST_MAIN(TestNomiOstili)
#include "tst_nomiOstili.moc"
