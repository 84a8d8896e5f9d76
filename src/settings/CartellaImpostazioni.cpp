#include "settings/CartellaImpostazioni.h"

#include "core/ValoriProgramma.h"
#include "settings/LayoutIni.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString conBarra(const QString &cartella)
{
    QString risultato = QDir::fromNativeSeparators(cartella);
    if (!risultato.endsWith(QLatin1Char('/'))) {
        risultato += QLatin1Char('/');
    }
    return risultato;
}

} // namespace

CartellaImpostazioni scegliCartellaImpostazioni(const QString &cartellaProgramma,
                                                const QString &cartellaUtente)
{
    const QString programma = conBarra(cartellaProgramma);
    const bool installato =
        QFileInfo::exists(programma + QStringLiteral("../share/applications/") + kVoceMenu);
    const bool scrivibile = QFileInfo(programma).isWritable();
    if (!installato && scrivibile) {
        return {programma,
                QStringLiteral("Impostazioni nella cartella del programma: ") + programma};
    }

    const QString utente = conBarra(cartellaUtente);
    const QString motivo = installato ? QStringLiteral("programma installato")
                                      : QStringLiteral("la cartella del programma %1 non è "
                                                       "scrivibile")
                                            .arg(programma);
    QString descrizione =
        QStringLiteral("Impostazioni nella cartella dell'utente: %1 (%2)").arg(utente, motivo);
    if (!QDir().mkpath(utente)) {
        descrizione += QStringLiteral("; impossibile creare la cartella, le impostazioni non "
                                      "verranno salvate");
    }
    return {utente, descrizione};
}

void usaCartellaImpostazioni(ValoriProgramma &valori, const QString &cartella)
{
    QString conBarra = QDir::fromNativeSeparators(cartella);
    if (!conBarra.endsWith(QLatin1Char('/'))) {
        conBarra += QLatin1Char('/');
    }
    valori.cartellaProgramma = conBarra;
    valori.fileImpostazioni = conBarra + LayoutIni::kFileImpostazioni;
    valori.filePorte = conBarra + LayoutIni::kFilePorte;
}
