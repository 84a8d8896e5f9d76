#include "app/TfrmMain.h"
#include "app/Traduzioni.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>

namespace {

// The window icon from two of the menu entry's pictures. Read as PNG with the format given
// and no guessing: a reader left to guess asks every image-format plugin Qt has, loading
// them all, before it tries the PNG reader built into Qt.
QIcon iconaFinestra()
{
    QIcon icona;
    for (const int lato : {32, 128}) {
        QImageReader lettore(QStringLiteral(":/icone/brivola-%1.png").arg(lato), "png");
        lettore.setAutoDetectImageFormat(false);
        icona.addPixmap(QPixmap::fromImage(lettore.read()));
    }
    return icona;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The name picks the user's settings folder (~/.config/brivola) and the menu entry.
    QApplication::setApplicationName(QStringLiteral("brivola"));
    QApplication::setDesktopFileName(QStringLiteral("brivola"));
    QApplication::setWindowIcon(iconaFinestra());
    caricaTraduzioni(app);
    TfrmMain frmMain;
    frmMain.show();
    return app.exec();
}
