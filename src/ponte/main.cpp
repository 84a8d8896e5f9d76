// brivola-ponte: the board's points on an MQTT broker, for Home Assistant and the like.
#include "ponte/ProgrammaPonte.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return eseguiProgrammaPonte(app);
}
