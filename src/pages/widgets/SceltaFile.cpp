#include "pages/widgets/SceltaFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>

QString sceltaFileDaSalvare(QWidget *padre, const QString &titolo, const QString &radice,
                            const QString &estensione, const QString &filtro)
{
    const QString proposta = QDir::home().filePath(
        QStringLiteral("%1-%2.%3")
            .arg(radice,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                 estensione));
    return QFileDialog::getSaveFileName(padre, titolo, proposta, filtro);
}
