#pragma once

#include "protocol/FramerPagine.h"

#include <QString>

#include <functional>

class Collegamento;
class Invio;
class Messaggi;
class ModoContinuo;
class Ricezione;
struct ValoriProgramma;

// The shared operations a board page reaches, handed over by whoever builds the pages: the
// main window, or a test that builds one page alone.
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
    // A short notice for the operator (status panel 1); may be empty.
    std::function<void(const QString &testo)> notizia = {};

    // Entering a board page from home: the configuration reloaded, the link checked, the page
    // on screen, `prepara` (what the page loads of its own), the link started, and on the
    // serial line the page's reply framer armed with the analog count reset.
    void apriPaginaScheda(int pagina, FramerPagine::Indice framerPagina,
                          const std::function<void()> &prepara = {});
};
