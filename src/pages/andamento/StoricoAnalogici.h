#pragma once

#include "pages/andamento/BufferLetture.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <vector>

class QDateTime;
class QIODevice;
struct ValoriConfigurazione;

// The kept history of the eight analog inputs: every scaled value the analog inputs page shows,
// with its time, at most 24 hours and 86 400 readings per input. Each reading keeps the name
// and unit the configuration gave its input when it arrived, for the export.
class StoricoAnalogici : public QObject
{
    Q_OBJECT
public:
    static constexpr int NumeroIngressi = 8;
    // One reading per second for a day.
    static constexpr qsizetype LettureMassime = 86400;
    static constexpr qint64 DurataMassimaMs = 24LL * 60 * 60 * 1000;

    explicit StoricoAnalogici(const ValoriConfigurazione &configurazione,
                              QObject *parent = nullptr);

    // `ingresso` 1..8; a reading of any other input, or without a valid time, is ignored.
    void aggiungiLettura(int ingresso, qint64 valore, const QDateTime &quando);
    // The same at a time in milliseconds since the epoch: a local QDateTime takes some
    // microseconds to convert, this takes none.
    void aggiungiLetturaMs(int ingresso, qint64 valore, qint64 ms);
    // A value shown just now; what the analog inputs page's signal connects to.
    void aggiungiLetturaOra(int ingresso, qint64 valore);
    const BufferLetture &letture(int ingresso) const { return m_letture.at(ingresso - 1); }
    qsizetype numeroLetture() const;
    void svuota();

    // The input's name and unit text as the configuration holds them now; the unit is empty
    // when its index is not one of the unit list.
    QString nome(int ingresso) const;
    QString unita(int ingresso) const;

    // Every kept reading, oldest first across the inputs: a header line, then
    // timestamp;ingresso;nome;valore;unità with the local time and its UTC offset, CRLF line
    // ends, UTF-8 without the byte-order mark.
    qint64 scriviCsv(QIODevice &uscita) const;
    // The same with the byte-order mark, written through a temporary file that replaces
    // `percorso` only when complete. Returns the number of readings, -1 on failure.
    qint64 esportaCsv(const QString &percorso, QString *errore = nullptr) const;

    // ISO 8601 local time with milliseconds and the UTC offset: 2026-12-07T11:00:00.250+01:00.
    static QString dataOraIso(qint64 ms);

signals:
    void letturaAggiunta(int ingresso);

private:
    // Name and unit in force from the reading numbered `daNumero` on.
    struct Etichetta
    {
        qint64 daNumero = 0;
        QString nome;
        QString unita;
    };

    const ValoriConfigurazione &m_configurazione;
    std::vector<BufferLetture> m_letture;
    std::vector<QList<Etichetta>> m_etichette;
};
