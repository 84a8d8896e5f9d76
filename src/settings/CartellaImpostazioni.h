#pragma once

#include <QString>

struct ValoriProgramma;

// Where "Porte.INI" and "Impostazioni.INI" live when the program picks the folder itself.
struct CartellaImpostazioni
{
    QString cartella;    // with a trailing '/'
    QString descrizione; // one line for the log view, in Italian
};

// Beside the program when its folder is writable and it is not an installed copy (a built or
// copied program, the demo); otherwise `cartellaUtente` (the user's configuration folder),
// created here when missing. An installed copy is recognised by its menu entry in
// "../share/applications/" beside the program folder, so root running /usr/bin/brivola does not
// write into /usr/bin either.
CartellaImpostazioni scegliCartellaImpostazioni(const QString &cartellaProgramma,
                                                const QString &cartellaUtente);

// Points the program-wide values at the two settings files in `cartella`.
void usaCartellaImpostazioni(ValoriProgramma &valori, const QString &cartella);

// The menu entry's file name, as installed under share/applications/.
inline const QString kVoceMenu = QStringLiteral("brivola.desktop");
