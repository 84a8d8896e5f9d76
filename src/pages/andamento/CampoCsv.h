#pragma once

#include <QByteArray>
#include <QString>

// One field of our CSV files (";" between fields), in UTF-8: quoted, with its quotes doubled,
// when it holds a separator, a quote or a line end.
inline QByteArray campoCsv(const QString &testo)
{
    QByteArray c = testo.toUtf8();
    if (c.contains(';') || c.contains('"') || c.contains('\n') || c.contains('\r')) {
        c.replace("\"", "\"\"");
        c = '"' + c + '"';
    }
    return c;
}
