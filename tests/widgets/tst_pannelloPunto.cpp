// Point names of any length or content on the relay panels of the main window.
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "pages/PaginaUsciteDigitali.h"
#include "pages/PannelloPunto.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSize>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

class TestPannelloPunto : public QObject
{
    Q_OBJECT

private slots:
    void nomiQualsiasi_data()
    {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<bool>("accorciato");
        QTest::newRow("breve") << QStringLiteral("Riscaldamento") << false;
        QTest::newRow("HTML") << QStringLiteral("<b>Luce</b> & <i>gas</i>") << false;
        QTest::newRow("caratteri di controllo")
            << QStringLiteral("Luce\t\x01\x1b[31m\u202eesterna") << false;
        QTest::newRow("300 caratteri") << QStringLiteral("Luce ").repeated(60) << true;
        QTest::newRow("parola di 300 caratteri") << QString(300, QLatin1Char('W')) << true;
        QTest::newRow("10 000 caratteri") << QString(10000, QLatin1Char('x')) << true;
        QTest::newRow("10 MB") << QStringLiteral("Pompa ").repeated(10 * 1024 * 1024 / 6) << true;
    }

    void nomiQualsiasi()
    {
        QFETCH(QString, nome);
        QFETCH(bool, accorciato);
        QTemporaryDir cartella;
        MessaggiRegistrati messaggi;
        TfrmMain finestra(&messaggi, cartella.path());
        finestra.resize(751, 585);
        finestra.show();
        QVERIFY(QTest::qWaitForWindowExposed(&finestra));
        finestra.findChild<QStackedWidget *>(QStringLiteral("pcPagine"))->setCurrentIndex(1);
        PannelloPunto *pannello = finestra.paginaUsciteDigitali()->pannello(1);
        PannelloPunto *accanto = finestra.paginaUsciteDigitali()->pannello(5);

        QApplication::processEvents();
        const int larghezza = pannello->width();
        const int larghezzaAccanto = accanto->width();
        // An odd width leaves one pixel to one column, whatever the names.
        QVERIFY(qAbs(larghezza - larghezzaAccanto) <= 1);

        QElapsedTimer tempo;
        tempo.start();
        pannello->impostaNome(nome);
        pannello->repaint();
        // Today a 1,000-character name paints in well under a millisecond or two.
        QVERIFY2(tempo.elapsed() < 1000, qPrintable(QString::number(tempo.elapsed())));
        QApplication::processEvents();

        // The columns keep their widths whatever the name.
        QCOMPARE(pannello->width(), larghezza);
        QCOMPARE(accanto->width(), larghezzaAccanto);
        QCOMPARE(pannello->nome(), nome);
        QCOMPARE(pannello->toolTip(), Qt::convertFromPlainText(nome));

        const QStringList righe = pannello->righeMostrate();
        QVERIFY(!righe.isEmpty());
        const QFontMetrics metriche(pannello->font());
        QVERIFY(righe.size() * metriche.lineSpacing() <= pannello->height() - 8);
        for (const QString &riga : righe) {
            QVERIFY2(metriche.horizontalAdvance(riga) <= pannello->width() - 12, qPrintable(riga));
        }
        QCOMPARE(righe.last().endsWith(QChar(0x2026)), accorciato);
        if (!accorciato) {
            QCOMPARE(righe.join(QLatin1Char(' ')).simplified(), nome.simplified());
        }
    }

    // Pictures for the operator's eye, only when BRIVOLA_CARTELLA_FOTO names a folder.
    void foto()
    {
        const QString cartellaFoto = qEnvironmentVariable("BRIVOLA_CARTELLA_FOTO");
        if (cartellaFoto.isEmpty()) {
            QSKIP("BRIVOLA_CARTELLA_FOTO not set");
        }
        QTemporaryDir cartella;
        MessaggiRegistrati messaggi;
        TfrmMain finestra(&messaggi, cartella.path());
        finestra.show();
        QVERIFY(QTest::qWaitForWindowExposed(&finestra));
        finestra.findChild<QStackedWidget *>(QStringLiteral("pcPagine"))->setCurrentIndex(1);
        PaginaUsciteDigitali *pagina = finestra.paginaUsciteDigitali();
        pagina->pannello(1)->impostaNome(QStringLiteral("Luci del giardino ").repeated(17));
        pagina->pannello(2)->impostaNome(QStringLiteral("<b>Pompa</b> & \x01\t<i>x</i>"));
        pagina->pannello(6)->impostaNome(QString(10000, QLatin1Char('W')));
        pagina->pannello(1)->impostaStato(true);
        pagina->pannello(6)->impostaStato(false);
        for (const QSize dimensione : {QSize(751, 585), QSize(1280, 1024)}) {
            finestra.resize(dimensione);
            QApplication::processEvents();
            QVERIFY(finestra.grab().save(
                cartellaFoto + QStringLiteral("/nomiLunghi-%1.png").arg(dimensione.width())));
        }
    }

    // Past the cut, a longer name shows the same caption.
    void nomeLunghissimoComeIlSuoInizio()
    {
        QTemporaryDir cartella;
        MessaggiRegistrati messaggi;
        TfrmMain finestra(&messaggi, cartella.path());
        finestra.resize(751, 585);
        finestra.show();
        QVERIFY(QTest::qWaitForWindowExposed(&finestra));
        PannelloPunto *primo = finestra.paginaUsciteDigitali()->pannello(1);
        PannelloPunto *secondo = finestra.paginaUsciteDigitali()->pannello(2);
        const QString nome = QStringLiteral("Luci del giardino ").repeated(100000);
        primo->impostaNome(nome);
        secondo->impostaNome(nome.left(PannelloPunto::MassimoCaratteriMostrati + 1));
        QCOMPARE(primo->righeMostrate(), secondo->righeMostrate());
    }
};

QTEST_MAIN(TestPannelloPunto)
#include "tst_pannelloPunto.moc"
