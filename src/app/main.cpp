#include "app/TfrmMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The name picks the user's settings folder (~/.config/brivola) and the menu entry.
    QApplication::setApplicationName(QStringLiteral("brivola"));
    QApplication::setDesktopFileName(QStringLiteral("brivola"));
    QIcon icona;
    for (const int lato : {16, 32, 48, 64, 128, 256}) {
        icona.addFile(QStringLiteral(":/icone/brivola-%1.png").arg(lato), QSize(lato, lato));
    }
    QApplication::setWindowIcon(icona);
    TfrmMain frmMain;
    frmMain.show();
    return app.exec();
}
