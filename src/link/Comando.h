#pragma once

#include "core/Risposta.h"

#include <QString>
#include <QStringList>

// One command for the board in both of its transport forms, and the reply it asks for.
struct Comando
{
    // Written on the serial line one write each, no line end.
    QStringList pezziSeriale;
    // Written on TCP one character at a time, line end included where the board wants one.
    QString tcp;
    TipoRisposta attesa = TipoRisposta::Nessuna;
    // The peripheral unit the command addresses, -1 for none.
    int unita = -1;
};
