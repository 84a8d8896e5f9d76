#pragma once

#include <QByteArray>
#include <QString>

// Why a write failed, in the operator's words: "Disco pieno" for a full disk, the system's own
// text for what has no words of ours.
QString motivoScrittura(int codiceErrore, const QString &testoSistema = {});

// Replaces `file` with `dati` in one atomic step (a temporary file beside it, then a rename).
// Every step is checked, the flush that a full disk makes fail included, and on any failure the
// old file stays as it was and `motivo` says why. Temporary files left beside it by an earlier
// save that never finished (the process killed before the rename) are removed first.
bool scriviFileAtomico(const QString &file, const QByteArray &dati, QString *motivo = nullptr);

// Removes "<file>.XXXXXX", the temporary files our own saves of `file` leave when killed.
void rimuoviAvanziSalvataggio(const QString &file);
