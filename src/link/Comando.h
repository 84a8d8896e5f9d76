#pragma once

#include <QString>
#include <QStringList>

// One command for the board in both of its transport forms.
struct Comando
{
    // Written on the serial line one write each, no line end.
    QStringList pezziSeriale;
    // Written on TCP one character at a time, line end included where the board wants one.
    QString tcp;
};
