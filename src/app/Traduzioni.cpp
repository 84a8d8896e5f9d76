#include "app/Traduzioni.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool caricaTraduzioni(QCoreApplication &applicazione)
{
    const QLocale italiano(QLocale::Italian, QLocale::Italy);
    // Dates, numbers and the file dialogs' own texts follow the default locale.
    QLocale::setDefault(italiano);
    // "qt" is the meta catalogue that pulls in qtbase and the other modules' files.
    auto *traduttore = new QTranslator(&applicazione);
    if (!traduttore->load(italiano, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traduttore;
        return false;
    }
    QCoreApplication::installTranslator(traduttore);
    return true;
}
