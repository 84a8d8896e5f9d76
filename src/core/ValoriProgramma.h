#pragma once

#include "core/TipoCollegamento.h"

#include <QString>

#include <array>

// Names, units and ranges loaded from "Impostazioni.INI", held as read (or as defaulted).
struct ValoriConfigurazione
{
    std::array<QString, 8> nomiUD;
    std::array<QString, 8> nomiID;
    std::array<QString, 2> nomiUA;
    std::array<QString, 8> nomiIA;
    std::array<QString, 8> unitaIA;   // index into the unit list, as text
    std::array<QString, 8> minimiIA;  // range minimum, decimal text
    std::array<QString, 8> massimiIA; // range maximum, decimal text
};

// The program-wide values. Owned by the main window, handed by reference to whoever needs
// them, touched on the GUI thread only.
struct ValoriProgramma
{
    // Page indexes of the main page control; the reply kind uses the same numbers.
    enum Pagina {
        Home = 0,
        UsciteDigitali = 1,
        IngressiDigitali = 2,
        UsciteAnalogiche = 3,
        IngressiAnalogici = 4,
        PerifUsciteDigitali = 5,
        PerifIngressiDigitali = 6,
        PerifUsciteAnalogiche = 7,
        Configurazione = 8,
    };

    TipoCollegamento tipoCollegamento = TipoCollegamento::Nessuno;
    bool pronto = false;      // the board's ready prompt "F?" has been seen
    QString bufferRicezione;  // text received since the last ready prompt
    int tipoRisposta = 0;     // page that asked for the pending reply
    QString modoContinuo = QStringLiteral("0");
    // What the board's last complete response (up to its prompt) showed, or what the operator
    // last switched it to: the one thing that tells whether "*/C" would stop the stream or
    // start it. `modoContinuo` also turns "1" for a moment at any inputs reply.
    bool continuoInCorso = false;

    // Tell apart equal-looking serial replies.
    int contatoreIA = 1;   // analog input 1..8 of the next reply
    bool toggleUA = true;  // next analog output reply is for output 1
    int contatoreUAP = 1;  // peripheral analog channel of the next reply

    // The window is closing: every wait ends at once and its action is abandoned.
    bool inChiusura = false;

    QString cartellaProgramma; // with a trailing separator
    QString fileImpostazioni;
    QString filePorte;

    ValoriConfigurazione configurazione;
};
