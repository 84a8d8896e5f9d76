// The yardstick for start-up: a bare Qt 6 window with nothing in it, closed by Ctrl+Q like
// the panel.
#include <QApplication>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication applicazione(argc, argv);
    QWidget finestra;
    finestra.resize(751, 585);
    auto *esci = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &finestra);
    QObject::connect(esci, &QShortcut::activated, &finestra, &QWidget::close);
    finestra.show();
    return applicazione.exec();
}
