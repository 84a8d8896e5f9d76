#include "app/TfrmMain.h"

TfrmMain::TfrmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Progetto Brivola"));
    resize(751, 585);
}
