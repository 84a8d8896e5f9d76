#pragma once

#include "core/Risposta.h"

#include <functional>

// Who is told how a command ended: written on the link, or dropped (never sent); when it is
// about to be written (its ready prompt has come), `inizio`; and, for a command that asks the
// board for something, its reply once the prompt that ends it has come.
struct EsitoInvio
{
    std::function<void()> scritto;
    std::function<void()> scartato;
    std::function<void()> inizio = {};
    std::function<void(const Risposta &)> risposta = {};
};
