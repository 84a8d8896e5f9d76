#include "Supporto.h"

#include <QFile>

bool scriviTesto(const QString &percorso, const QString &contenuto)
{
    QFile file(percorso);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(contenuto.toUtf8()) >= 0;
}

QString leggiTesto(const QString &percorso)
{
    QFile file(percorso);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}
