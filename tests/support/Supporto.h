#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

// Writes `contenuto` to `percorso` as UTF-8, replacing the file.
bool scriviTesto(const QString &percorso, const QString &contenuto);
// The whole file as UTF-8 text, or an empty string.
QString leggiTesto(const QString &percorso);

// "Porte.INI" in `cartella` choosing TCP to the board on 127.0.0.1:`porta`.
bool scriviPorteTcp(const QString &cartella, quint16 porta);
// "Porte.INI" in `cartella` choosing the serial link "Comm 1" at 38400 on `dispositivo`.
bool scriviPorteSeriale(const QString &cartella, const QString &dispositivo);

// A picture of `widget` as `nome` in the folder BRIVOLA_CARTELLA_FOTO names, for a person to
// look at; nothing when it is not set.
void salvaFoto(QWidget *widget, const QString &nome);
// The same at the widget's size and at 1280 x 1024 ("-1280" added to the name), then back.
void salvaFotoDueMisure(QWidget *widget, const QString &nome);
