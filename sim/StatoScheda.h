#pragma once

#include <QString>
#include <QStringList>

#include <array>

// Everything the simulated board remembers. Arrays are indexed from 0 = point 1.
struct StatoScheda
{
    struct Unita
    {
        std::array<bool, 8> uscite{};
        std::array<bool, 8> ingressi{};
        std::array<int, 8> analogiche{}; // 0..63
        // An absent unit answers nothing: the board sends its prompt with no frame.
        bool presente = true;
    };

    std::array<bool, 8> rele{};
    std::array<bool, 8> ingressi{};
    std::array<int, 2> usciteAnalogiche{};  // 0..255
    std::array<int, 8> ingressiAnalogici{}; // 0..65535
    std::array<Unita, 8> unita{};

    bool continuo = false;

    // Alarm settings and relay time exactly as received.
    QString abilitazioniDigitali;
    QString livelliDigitali;
    QString abilitazioniAnalogiche;
    QStringList soglieAnalogiche;
    QString tempoRele;
};
