#include "app/Avvio.h"
#include "app/TfrmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    preparaApplicazione(app);
    TfrmMain frmMain;
    frmMain.show();
    return app.exec();
}
