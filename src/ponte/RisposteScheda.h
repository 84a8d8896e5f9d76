#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>

// Reads the board's replies for the bridge. Stricter than the panel, which shows a missing or
// short frame as zeros: here a reply that lacks a frame, or holds a value that is not a number,
// gives nothing, so that nothing is published the board did not send.
namespace RisposteScheda {

using Digitali = std::array<bool, 8>;

// What a reply carries, by the command that asked for it.
enum class Attesa {
    Nessuna,          // a command with no reply of its own
    Rele,             // "*/RS": one relay outputs frame
    Ingressi,         // "*/I": one digital inputs frame
    Analogici,        // "*/A": eight analog input frames
    UsciteAnalogiche, // "*/PS": two analog output frames
    UsciteUnita,      // "*/ER" u "S": one frame of eight
    IngressiUnita,    // "*/EI" u: one frame of eight
    CanaliUnita,      // "*/EA" u "S": eight frames of three digits
};

// One round of continuous output: the digital inputs, then the eight analog readings.
struct BloccoContinuo
{
    Digitali ingressi{};
    std::array<int, 8> analogici{};
};

// The eight states of the first frame at or after `inizio` (a start marker, or empty for any
// "->"); nothing when the frame is missing or its body is shorter than eight characters.
std::optional<Digitali> digitali(const QString &testo, const QString &inizio = {});

// `quanti` frames in a row, from the first "->", each a number of at most `cifre` digits.
std::optional<QList<int>> numerici(const QString &testo, int quanti, int cifre,
                                   const QString &inizio = {});

// The continuous output, when the text is one (Protocollo::testoModoContinuo).
std::optional<BloccoContinuo> continuo(const QString &testo);

} // namespace RisposteScheda
