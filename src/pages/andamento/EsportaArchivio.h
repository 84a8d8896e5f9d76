#pragma once

#include <QString>
#include <QtGlobal>

class QIODevice;
class Storico;
class StoricoAnalogici;

// The analog readings of any stretch of the history as CSV, in the same form as the export of
// the kept readings: a header, then timestamp;ingresso;nome;valore;unità with the local time
// and its UTC offset, the name and unit each reading carried, CRLF line ends.
namespace EsportaArchivio {

// Readings from `daMs` up to, not including, `aMs`, oldest first across the inputs; with
// `recenti`, also the kept readings newer than the newest the history holds (not written yet).
// Returns the number written, -1 when the device refused.
qint64 scriviCsv(const Storico &archivio, qint64 daMs, qint64 aMs, QIODevice &uscita,
                 const StoricoAnalogici *recenti = nullptr);
// The same with the byte-order mark, through a temporary file that replaces `percorso` only when
// complete; -1 on failure with the reason in `errore`.
qint64 esportaCsv(const Storico &archivio, qint64 daMs, qint64 aMs, const QString &percorso,
                  QString *errore = nullptr, const StoricoAnalogici *recenti = nullptr);

} // namespace EsportaArchivio
