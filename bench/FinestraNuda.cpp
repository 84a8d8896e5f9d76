// The yardsticks for start-up: a bare Qt 6 window with nothing in it, and with "--testo" the
// least a window that shows text has (a menu bar and a label), closed by Ctrl+Q like the panel.
#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QShortcut>

#include <cstring>

int main(int argc, char **argv)
{
    QApplication applicazione(argc, argv);
    QMainWindow finestra;
    if (argc > 1 && std::strcmp(argv[1], "--testo") == 0) {
        finestra.menuBar()->addMenu(QStringLiteral("&File"));
        finestra.setCentralWidget(new QLabel(QStringLiteral("Progetto Brivola")));
    }
    finestra.resize(751, 585);
    auto *esci = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &finestra);
    QObject::connect(esci, &QShortcut::activated, &finestra, &QWidget::close);
    finestra.show();
    return applicazione.exec();
}
