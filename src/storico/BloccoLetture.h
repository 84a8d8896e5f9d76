#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// The analog readings of one input within one minute, packed in one blob: per reading its
// milliseconds into the minute and the raw value as two bytes each, then the scaled value as
// a zigzag varint (one or two bytes for the usual ranges). Readings are appended as they come,
// so a blob may be extended by later writes without reading it back.
namespace BloccoLetture {

constexpr qint64 MsMinuto = 60 * 1000;

struct Voce
{
    qint64 ms = 0;
    int grezzo = 0;
    qint64 valore = 0;
};

// The minute a time falls in, rounded down also before the epoch.
qint64 minutoDi(qint64 ms);
// Appends `voce`, which must fall in `minuto`; a raw value outside 0..65535 is clamped.
void aggiungi(QByteArray &blocco, qint64 minuto, const Voce &voce);
// Every whole reading of the blob in the order written; `integro` is false when the blob ends
// in the middle of a reading or holds an offset past the minute (a damaged row).
QList<Voce> leggi(const QByteArray &blocco, qint64 minuto, bool *integro = nullptr);

} // namespace BloccoLetture
