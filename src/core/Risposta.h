#pragma once

#include <QList>
#include <QString>

#include <array>

// What a command asks the board for, and so how its reply is read.
enum class TipoRisposta {
    Nessuna,           // a command with no reply of its own
    Rele,              // "*/RS": one relay outputs frame
    Ingressi,          // "*/I": one digital inputs frame
    UsciteAnalogiche,  // "*/PS": two analog output frames
    IngressiAnalogici, // "*/A": eight analog input frames
    UsciteUnita,       // "*/ER" u "S": one frame of eight
    IngressiUnita,     // "*/EI" u: one frame of eight
    CanaliUnita,       // "*/EA" u "S": eight frames of three digits
};

// One reply of the board, read from the text between two ready prompts.
struct Risposta
{
    TipoRisposta tipo = TipoRisposta::Nessuna;
    // The peripheral unit (0..7) the command addressed; -1 for the board's own points.
    int unita = -1;
    // Digital replies: channel 1 first; "1" in the frame means set.
    std::array<bool, 8> stati{};
    // Numeric replies: the raw value of each frame found, in order (analog input readings
    // 0..65535, analog output levels 0..255, unit channel levels 0..63).
    QList<int> valori;
    int frameAttesi = 0;
    int frameTrovati = 0;
    // Every frame found is whole by the strict rule: a digital body of at least eight
    // characters, a numeric body of one to its width in decimal digits.
    bool rigorosa = false;
    // A value that is not a number (the standard error box reports it); the frames after it
    // are not read.
    QString errore;

    bool trovata() const { return frameTrovati > 0; }
    bool completa() const { return frameTrovati >= frameAttesi && errore.isEmpty(); }
};
