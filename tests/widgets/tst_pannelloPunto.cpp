// Point names of any length or content on the relay panels.
#include "BancoPagina.h"
#include "Colori.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/PannelloPunto.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
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
        BancoPagina banco;
        PaginaUsciteDigitali &pagina = banco.pagina<PaginaUsciteDigitali>();
        // About the size the page has in the main window.
        pagina.resize(751, 440);
        QVERIFY(BancoPagina::mostra(pagina));
        PannelloPunto *pannello = pagina.pannello(1);
        PannelloPunto *accanto = pagina.pannello(5);

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
        // The whole name, with the state the board last told (none yet).
        QCOMPARE(pannello->toolTip(),
                 Qt::convertFromPlainText(nome + QStringLiteral(": stato non ancora letto")));

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

    // Past the cut, a longer name shows the same caption.
    void nomeLunghissimoComeIlSuoInizio()
    {
        BancoPagina banco;
        PaginaUsciteDigitali &pagina = banco.pagina<PaginaUsciteDigitali>();
        pagina.resize(751, 440);
        QVERIFY(BancoPagina::mostra(pagina));
        PannelloPunto *primo = pagina.pannello(1);
        PannelloPunto *secondo = pagina.pannello(2);
        const QString nome = QStringLiteral("Luci del giardino ").repeated(100000);
        primo->impostaNome(nome);
        secondo->impostaNome(nome.left(PannelloPunto::MassimoCaratteriMostrati + 1));
        QCOMPARE(primo->righeMostrate(), secondo->righeMostrate());
    }
    // A command's life on its panel: the mark from the click to the read-back or the drop,
    // the tooltip following the state, the not-current look until the next state.
    void attesaStatoESuggerimento()
    {
        PannelloPunto pannello(QStringLiteral("sbUD5"));
        pannello.impostaNome(QStringLiteral("Sirena"));
        pannello.impostaStato(true);
        QCOMPARE(testoSuggerimento(pannello), QStringLiteral("Sirena: acceso"));
        QCOMPARE(pannello.sigla(), QStringLiteral("ON"));
        QCOMPARE(pannello.accessibleName(), QStringLiteral("Sirena: acceso"));

        // Queued, written, then read back.
        EsitoInvio comando = pannello.attesaComando();
        EsitoInvio rilettura = pannello.attesaRilettura();
        QVERIFY(pannello.isInAttesa());
        QCOMPARE(testoSuggerimento(pannello), QStringLiteral("Sirena: acceso (comando in corso)"));
        // A state from before the command was written is no read-back of it.
        pannello.impostaStato(true);
        QVERIFY(pannello.isInAttesa());
        comando.scritto();
        QVERIFY(pannello.isInAttesa());
        pannello.impostaStato(false);
        QVERIFY(!pannello.isInAttesa());
        QCOMPARE(testoSuggerimento(pannello), QStringLiteral("Sirena: spento"));
        QCOMPARE(pannello.sigla(), QStringLiteral("OFF"));
        QCOMPARE(pannello.accessibleName(), QStringLiteral("Sirena: spento"));

        // Dropped before it was written.
        comando = pannello.attesaComando();
        comando.scartato();
        QVERIFY(!pannello.isInAttesa());
        // Written, but the read-back request dropped: no read-back will come.
        comando = pannello.attesaComando();
        rilettura = pannello.attesaRilettura();
        comando.scritto();
        rilettura.scartato();
        QVERIFY(!pannello.isInAttesa());
        // Two commands for one point: the mark stays while one is still to be written.
        EsitoInvio primo = pannello.attesaComando();
        EsitoInvio secondo = pannello.attesaComando();
        primo.scritto();
        pannello.impostaStato(true);
        QVERIFY(pannello.isInAttesa());
        secondo.scritto();
        pannello.impostaStato(false);
        QVERIFY(!pannello.isInAttesa());

        pannello.segnaNonAttuale();
        QVERIFY(pannello.isNonAttuale());
        QCOMPARE(pannello.colore(), QPalette().color(QPalette::Button));
        QCOMPARE(pannello.nome(), QStringLiteral("Sirena"));
        QCOMPARE(testoSuggerimento(pannello), QStringLiteral("Sirena: stato non aggiornato"));
        QCOMPARE(pannello.sigla(), QString());
        QCOMPARE(pannello.accessibleName(), QStringLiteral("Sirena: stato non aggiornato"));
        pannello.impostaStato(true);
        QVERIFY(!pannello.isNonAttuale());
        QCOMPARE(pannello.colore(), PannelloPunto::coloreAcceso());
    }

    // The state is painted in words in the bottom corner, clear of the caption, and only when
    // the board has told it.
    void siglaDipinta()
    {
        PannelloPunto pannello(QStringLiteral("sbUD1"));
        pannello.impostaNome(QStringLiteral("Riscaldamento Zona Notte Piano Primo"));
        pannello.resize(150, 48);
        const auto scuriInBasso = [&pannello] {
            const QImage immagine = pannello.grab().toImage();
            int scuri = 0;
            for (int y = 48 - 13; y < 48 - 3; ++y) {
                for (int x = 150 - 40; x < 150 - 4; ++x) {
                    scuri += qGray(immagine.pixel(x, y)) < 80 ? 1 : 0;
                }
            }
            return scuri;
        };
        QCOMPARE(scuriInBasso(), 0);
        pannello.impostaStato(false);
        QVERIFY(scuriInBasso() > 10);
        QVERIFY(pannello.righeMostrate().size() >= 2);
        pannello.segnaNonAttuale();
        QCOMPARE(scuriInBasso(), 0);
    }

    // An input panel takes no click but still shows its tooltip.
    void ingressoSenzaClic()
    {
        PannelloPunto pannello(QStringLiteral("sbID1"));
        pannello.setSolaLettura(true);
        QSignalSpy clic(&pannello, &QPushButton::clicked);
        pannello.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pannello));
        QTest::mouseClick(&pannello, Qt::LeftButton);
        QCOMPARE(clic.size(), 0);
        QVERIFY(!pannello.testAttribute(Qt::WA_TransparentForMouseEvents));
    }
};

QTEST_MAIN(TestPannelloPunto)
#include "tst_pannelloPunto.moc"
