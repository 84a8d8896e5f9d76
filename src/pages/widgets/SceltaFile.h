#pragma once

#include <QString>

class QWidget;

// The save dialog, proposing `radice`-yyyyMMdd-HHmmss.`estensione` in the home folder; the
// chosen path, or nothing when the operator cancels.
QString sceltaFileDaSalvare(QWidget *padre, const QString &titolo, const QString &radice,
                            const QString &estensione, const QString &filtro);
