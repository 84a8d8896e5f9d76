#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// The layout of "Storico.sqlite" and how a file of an older layout is brought up to date.
// The layout's number is the file's user_version; each step takes a file from one number to
// the next inside one transaction, so a file is never left half way.
namespace SchemaStorico {

// The layout this program writes.
int versione();

// What a failed statement means for the store.
enum class Guasto {
    Nessuno,
    Occupato,    // another program holds the file
    Pieno,       // no room to write (a full disk or a file-size limit)
    Danneggiato, // not a database, or a damaged one
    Altro,
};
Guasto guastoDi(const QSqlError &errore);

enum class Esito { Pronto, Recente, Guasto };
// Sets the journal and brings the layout up to date. `Recente`: the file comes from a newer
// program and is left as it is. `errore` is set on `Guasto`.
Esito prepara(QSqlDatabase &db, QSqlError *errore);

} // namespace SchemaStorico
