#pragma once

#include <functional>

// Who is told how a command ended: written on the link, or dropped (never sent).
struct EsitoInvio
{
    std::function<void()> scritto;
    std::function<void()> scartato;
};
