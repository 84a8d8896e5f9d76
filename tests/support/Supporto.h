#pragma once

#include "link/Temporizzazioni.h"

#include <QString>
#include <QtGlobal>

#include <functional>

// Writes `contenuto` to `percorso` as UTF-8, replacing the file.
bool scriviTesto(const QString &percorso, const QString &contenuto);
// The whole file as UTF-8 text, or an empty string.
QString leggiTesto(const QString &percorso);

// The text of a "Porte.INI" choosing TCP to the board on `ip`:`porta`.
QString testoPorteTcp(quint16 porta, const QString &ip = QStringLiteral("127.0.0.1"));
// The text of a "Porte.INI" choosing the serial link "Comm 1" at 38400 on `dispositivo`.
QString testoPorteSeriale(const QString &dispositivo);
// "Porte.INI" in `cartella` with one of those texts.
bool scriviPorteTcp(const QString &cartella, quint16 porta,
                    const QString &ip = QStringLiteral("127.0.0.1"));
bool scriviPorteSeriale(const QString &cartella, const QString &dispositivo);

// Runs `prova` in a child process as an ordinary user: as root (as in CI) it drops to
// "nobody", who, unlike root, cannot read a file without read permission. Returns what `prova`
// returned; a child that failed to run says "errore".
QByteArray comeUtenteComune(const std::function<QByteArray()> &prova);

// The CPU time the process has used, in nanoseconds.
qint64 tempoCpuNs();

// Pacing and waits a tenth of the board's or less, for tests that are not about timing: the
// conversation keeps its order and its rules, only faster.
Temporizzazioni tempiBrevi();
