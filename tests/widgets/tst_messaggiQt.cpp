// The program's own message boxes: a real warning box as the operator sees it, and a board
// that keeps sending bad values while one is open.
#include "pages/widgets/MessaggiQt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

namespace {

QList<QMessageBox *> boxAperti()
{
    QList<QMessageBox *> aperti;
    for (QWidget *finestra : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(finestra); box && box->isVisible()) {
            aperti << box;
        }
    }
    return aperti;
}

} // namespace

class TestMessaggiQt : public QObject
{
    Q_OBJECT

private slots:
    void unBoxAllaVolta();
    void sopraLaFinestraAttiva();
};

void TestMessaggiQt::unBoxAllaVolta()
{
    MessaggiQt messaggi;
    QStringList visti;
    int boxInsieme = 0;
    // Looks at what is on screen from inside each box's own event loop, then closes it.
    std::function<void()> guardaEChiudi;
    guardaEChiudi = [&] {
        const QList<QMessageBox *> aperti = boxAperti();
        if (aperti.isEmpty()) {
            QTimer::singleShot(10, guardaEChiudi);
            return;
        }
        boxInsieme = std::max<int>(boxInsieme, aperti.size());
        QMessageBox *box = aperti.first();
        visti << box->windowTitle() + QLatin1Char('|') + box->text();
        if (visti.size() == 1) {
            QCOMPARE(box->icon(), QMessageBox::Warning);
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
            // A board sending bad values while the box is open: counted, never stacked.
            for (int i = 0; i < 3; ++i) {
                messaggi.errore(QStringLiteral("'x' is not a valid integer value"));
            }
            QCOMPARE(boxAperti().size(), 1);
        }
        box->button(QMessageBox::Ok)->click();
        if (visti.size() < 2) {
            QTimer::singleShot(10, guardaEChiudi);
        }
    };
    QTimer::singleShot(0, guardaEChiudi);
    messaggi.avviso(QStringLiteral("Attenzione non e' stato definito il collegamento <b>"));

    QCOMPARE(visti,
             (QStringList{QStringLiteral("Attenzione|Attenzione non e' stato definito il "
                                         "collegamento <b>"),
                          QStringLiteral("Attenzione|") + MessaggiQt::testoTralasciati(3)}));
    QCOMPARE(boxInsieme, 1);
    QVERIFY(MessaggiQt::testoTralasciati(3).contains(QLatin1String("3")));
    QVERIFY(boxAperti().isEmpty());
}

// A box goes over the window of ours the operator works in, not over the main one.
void TestMessaggiQt::sopraLaFinestraAttiva()
{
    QWidget principale;
    auto *secondaria = new QWidget(&principale, Qt::Window);
    principale.show();
    secondaria->show();
    secondaria->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), secondaria);
    MessaggiQt messaggi(&principale);
    QWidget *sopra = nullptr;
    std::function<void()> guardaEChiudi;
    guardaEChiudi = [&] {
        const QList<QMessageBox *> aperti = boxAperti();
        if (aperti.isEmpty()) {
            QTimer::singleShot(10, guardaEChiudi);
            return;
        }
        sopra = aperti.first()->parentWidget();
        aperti.first()->button(QMessageBox::Ok)->click();
    };
    QTimer::singleShot(0, guardaEChiudi);
    messaggi.messaggio(QStringLiteral("Esportate 10 letture"));
    QCOMPARE(sopra, secondaria);

    // A window that is not ours leaves the box on the main window.
    QWidget estranea;
    estranea.show();
    estranea.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &estranea);
    QTimer::singleShot(0, guardaEChiudi);
    messaggi.messaggio(QStringLiteral("Esportate 10 letture"));
    QCOMPARE(sopra, &principale);
}

QTEST_MAIN(TestMessaggiQt)
#include "tst_messaggiQt.moc"
