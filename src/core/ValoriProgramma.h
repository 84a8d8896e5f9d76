#pragma once

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

// The program's settings: where its files are and what "Impostazioni.INI" holds. Owned by the
// main window, handed by reference to whoever needs them, touched on the GUI thread only. What
// the conversation with the board is doing lives in its session, not here.
struct ValoriProgramma
{
    // Page indexes of the main page control.
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

    QString cartellaProgramma; // with a trailing separator
    QString fileImpostazioni;
    QString filePorte;

    ValoriConfigurazione configurazione;
};
