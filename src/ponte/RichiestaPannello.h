#pragma once

#include "link/Comando.h"

#include <QByteArray>
#include <QString>

// A panel's request as the bridge takes it: one whole command in its TCP form ("*/RS\r\n"),
// printable ASCII, with the reply it asks for found from the commands that read a bank.
struct RichiestaPannello
{
    enum class Tipo { Non_valida, Comando, Continuo };
    Tipo tipo = Tipo::Non_valida;
    ::Comando comando;
    // Why it is not valid, in the operator's words.
    QString motivo;

    static RichiestaPannello leggi(const QByteArray &payload);
};
