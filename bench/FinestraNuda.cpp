// The yardsticks for start-up, closed by Ctrl+Q like the panel. Without arguments, a bare Qt 6
// window with nothing in it. With "--testo", the least window a program that shows text has,
// built lean: a menu bar, a status bar and a label, and no image-format plugin loaded (the menu
// bar's extension icon is read as PNG with its format given; guessing it would load them all).
#include <QApplication>
#include <QImageReader>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProxyStyle>
#include <QShortcut>
#include <QStatusBar>

#include <cstring>

namespace {

class StileSnello : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap tipo, const QStyleOption *opzione,
                       const QWidget *widget) const override
    {
        if (tipo != SP_ToolBarHorizontalExtensionButton) {
            return QProxyStyle::standardIcon(tipo, opzione, widget);
        }
        QIcon icona;
        for (const int lato : {8, 16, 32}) {
            QImageReader lettore(
                QStringLiteral(":/qt-project.org/styles/commonstyle/images/toolbar-ext-h-%1.png")
                    .arg(lato),
                "png");
            lettore.setAutoDetectImageFormat(false);
            icona.addPixmap(QPixmap::fromImage(lettore.read()));
        }
        return icona;
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication applicazione(argc, argv);
    const bool testo = argc > 1 && std::strcmp(argv[1], "--testo") == 0;
    if (testo) {
        QApplication::setStyle(new StileSnello(QApplication::style()->name()));
    }
    QMainWindow finestra;
    if (testo) {
        finestra.menuBar()->addMenu(QStringLiteral("&File"));
        finestra.setCentralWidget(new QLabel(QStringLiteral("Progetto Brivola")));
        finestra.statusBar()->showMessage(QStringLiteral("Pronto"));
    }
    finestra.resize(751, 585);
    auto *esci = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &finestra);
    QObject::connect(esci, &QShortcut::activated, &finestra, &QWidget::close);
    finestra.show();
    return applicazione.exec();
}
