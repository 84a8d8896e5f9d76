#include "settings/ScritturaSicura.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

QString motivoScrittura(int codiceErrore, const QString &testoSistema)
{
    switch (codiceErrore) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Disco pieno");
    case EFBIG:
        return QStringLiteral("File troppo grande per il disco");
    case EROFS:
        return QStringLiteral("Disco di sola lettura");
    case EACCES:
    case EPERM:
        return QStringLiteral("Permesso negato");
    case EIO:
        return QStringLiteral("Errore del disco");
    default:
        break;
    }
    if (!testoSistema.isEmpty()) {
        return testoSistema;
    }
    return codiceErrore != 0 ? QString::fromLocal8Bit(std::strerror(codiceErrore))
                             : QStringLiteral("Errore sconosciuto");
}

void rimuoviAvanziSalvataggio(const QString &file)
{
    const QFileInfo info(file);
    // QSaveFile names its temporary file after the target plus six letters or digits.
    const QRegularExpression modello(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName()) + QStringLiteral("\\.[A-Za-z0-9]{6}")));
    const QDir cartella = info.absoluteDir();
    const QStringList candidati =
        cartella.entryList({info.fileName() + QStringLiteral(".??????")},
                           QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &nome : candidati) {
        if (modello.match(nome).hasMatch() && !QFileInfo(cartella.filePath(nome)).isSymLink()) {
            QFile::remove(cartella.filePath(nome));
        }
    }
}

bool scriviFileAtomico(const QString &file, const QByteArray &dati, QString *motivo)
{
    const auto fallito = [motivo](int codice, const QString &testo) {
        if (motivo) {
            *motivo = motivoScrittura(codice, testo);
        }
        return false;
    };
    rimuoviAvanziSalvataggio(file);
    QSaveFile uscita(file);
    errno = 0;
    if (!uscita.open(QIODevice::WriteOnly)) {
        return fallito(errno, uscita.errorString());
    }
    // The data sit in QSaveFile's buffer until the flush: a full disk only shows there, and
    // commit() would still rename the short file over the old one.
    errno = 0;
    if (uscita.write(dati) != dati.size() || !uscita.flush()) {
        const int codice = errno;
        const QString testo = uscita.errorString();
        uscita.cancelWriting();
        return fallito(codice, testo);
    }
    errno = 0;
    if (!uscita.commit()) {
        return fallito(errno, uscita.errorString());
    }
    return true;
}
