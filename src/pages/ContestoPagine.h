#pragma once

#include <functional>

class Collegamento;
class FramerPagine;
class Invio;
class Messaggi;
class ModoContinuo;
class Ricezione;
struct ValoriProgramma;

// The shared operations a board page reaches, handed over by the main window.
struct ContestoPagine
{
    ValoriProgramma &valori;
    Messaggi &messaggi;
    Collegamento &collegamento;
    Invio &invio;
    FramerPagine &framer;
    Ricezione &ricezione;
    ModoContinuo &modoContinuo;
    // The configuration reload; may throw, which ends the calling action.
    std::function<void()> caricaConfIni;
    std::function<void(int pagina)> mostraPagina;
};
