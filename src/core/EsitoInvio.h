#pragma once

#include <functional>

// Who is told how a command ended: written on the link, or dropped (never sent); and, when it
// is about to be written (its ready prompt has come), `inizio`: from then on the board's next
// reply answers it.
struct EsitoInvio
{
    std::function<void()> scritto;
    std::function<void()> scartato;
    std::function<void()> inizio = {};
};
