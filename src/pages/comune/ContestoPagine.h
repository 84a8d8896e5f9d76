#pragma once

#include <QString>

#include <functional>

class Collegamento;
class Invio;
class Messaggi;
class ModoContinuo;
class SessioneScheda;
struct ValoriProgramma;

// The shared operations a board page reaches, handed over by whoever builds the pages: the
// main window, or a test that builds one page alone.
struct ContestoPagine
{
    ValoriProgramma &valori;
    Messaggi &messaggi;
    SessioneScheda &sessione;
    Collegamento &collegamento;
    Invio &invio;
    ModoContinuo &modoContinuo;
    // The configuration reload; may throw, which ends the calling action.
    std::function<void()> caricaConfIni;
    std::function<void(int pagina)> mostraPagina;
    // A short notice for the operator (status panel 1); may be empty.
    std::function<void(const QString &testo)> notizia = {};

    // Entering a board page from home: the configuration reloaded, the link checked, the page
    // on screen, `prepara` (what the page loads of its own), and the link started; the page's
    // first command then waits for the board as long as an entry does.
    void apriPaginaScheda(int pagina, const std::function<void()> &prepara = {});
};
