#pragma once

#include "link/Comando.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// A panel's request as the bridge takes it: one whole command in its TCP form ("*/RS\r\n"),
// printable ASCII, with the reply it asks for found from the commands that read a bank; or the
// analog thresholds' head with its sixteen three-digit fields ("*/HAS" and 48 digits).
struct RichiestaPannello
{
    enum class Tipo { Non_valida, Comando, Continuo };
    Tipo tipo = Tipo::Non_valida;
    ::Comando comando;
    // Fields the board reads right after the command, without a prompt (the analog inputs'
    // sixteen thresholds after their head).
    QStringList diretti;
    // Why it is not valid, in the operator's words.
    QString motivo;

    static RichiestaPannello leggi(const QByteArray &payload);
};
