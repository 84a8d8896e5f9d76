#include "storico/SchemaStorico.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <array>

namespace SchemaStorico {

namespace {

// Step i takes a file of layout i to layout i + 1.
//
// Times: analog readings by minute number (ms since the epoch / 60000, UTC) with the reading's
// milliseconds inside the minute packed in the blob; rollups by period in minutes (1, 10, 60,
// 360) and the minute number of their start; states and events in milliseconds since the epoch, UTC.
const std::array<QStringList, 1> kPassi = {
    QStringList{
        QStringLiteral("CREATE TABLE letture(minuto INTEGER NOT NULL, ingresso INTEGER NOT NULL,"
                       " dati BLOB NOT NULL, PRIMARY KEY(minuto, ingresso)) WITHOUT ROWID"),
        QStringLiteral("CREATE TABLE riassunti(periodo INTEGER NOT NULL, inizio INTEGER NOT NULL,"
                       " ingresso INTEGER NOT NULL, minimo INTEGER NOT NULL,"
                       " massimo INTEGER NOT NULL, somma INTEGER NOT NULL,"
                       " numero INTEGER NOT NULL, PRIMARY KEY(periodo, inizio, ingresso))"
                       " WITHOUT ROWID"),
        QStringLiteral("CREATE TABLE stati(punto INTEGER NOT NULL, ms INTEGER NOT NULL,"
                       " valore INTEGER NOT NULL, PRIMARY KEY(punto, ms)) WITHOUT ROWID"),
        QStringLiteral("CREATE TABLE eventi(id INTEGER PRIMARY KEY, ms INTEGER NOT NULL,"
                       " tipo INTEGER NOT NULL, punto INTEGER NOT NULL DEFAULT 0,"
                       " valore INTEGER NOT NULL DEFAULT 0, origine INTEGER NOT NULL DEFAULT 0,"
                       " testo TEXT NOT NULL DEFAULT '')"),
        QStringLiteral("CREATE INDEX eventi_ms ON eventi(ms)"),
        QStringLiteral("CREATE TABLE etichette(ingresso INTEGER NOT NULL, da_ms INTEGER NOT NULL,"
                       " nome TEXT NOT NULL, unita TEXT NOT NULL, PRIMARY KEY(ingresso, da_ms))"
                       " WITHOUT ROWID"),
    },
};

bool esegui(QSqlDatabase &db, const QString &testo, QSqlError *errore, QVariant *valore = nullptr)
{
    QSqlQuery q(db);
    if (!q.exec(testo)) {
        *errore = q.lastError();
        return false;
    }
    if (valore && q.next()) {
        *valore = q.value(0);
    }
    return true;
}

} // namespace

int versione()
{
    return int(kPassi.size());
}

Guasto guastoDi(const QSqlError &errore)
{
    if (errore.type() == QSqlError::NoError) {
        return Guasto::Nessuno;
    }
    // The driver gives SQLite's extended result code; its low byte is the primary one.
    switch (errore.nativeErrorCode().toInt() & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        return Guasto::Occupato;
    case 10: // SQLITE_IOERR: a write refused past a file-size limit ends here
    case 13: // SQLITE_FULL
        return Guasto::Pieno;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return Guasto::Danneggiato;
    default:
        return Guasto::Altro;
    }
}

Esito prepara(QSqlDatabase &db, QSqlError *errore)
{
    QVariant numero;
    if (!esegui(db, QStringLiteral("PRAGMA user_version"), errore, &numero)) {
        return Esito::Guasto;
    }
    const int attuale = numero.toInt();
    if (attuale > versione()) {
        return Esito::Recente;
    }
    // With the WAL journal a commit survives the process's death without waiting for the disk;
    // only a power cut may lose the last second.
    if (!esegui(db, QStringLiteral("PRAGMA journal_mode=WAL"), errore) ||
        !esegui(db, QStringLiteral("PRAGMA synchronous=NORMAL"), errore)) {
        return Esito::Guasto;
    }
    for (int passo = attuale; passo < versione(); ++passo) {
        if (!esegui(db, QStringLiteral("BEGIN IMMEDIATE"), errore)) {
            return Esito::Guasto;
        }
        for (const QString &istruzione : kPassi.at(size_t(passo))) {
            if (!esegui(db, istruzione, errore)) {
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
                return Esito::Guasto;
            }
        }
        if (!esegui(db, QStringLiteral("PRAGMA user_version=%1").arg(passo + 1), errore) ||
            !esegui(db, QStringLiteral("COMMIT"), errore)) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return Esito::Guasto;
        }
    }
    return Esito::Pronto;
}

} // namespace SchemaStorico
