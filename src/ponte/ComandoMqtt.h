#pragma once

#include "ponte/Punto.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What a payload on a "/set" topic asks of a point.
struct RichiestaComando
{
    // Lascia: nothing to change (two toggles given before the first was carried out).
    enum class Azione { Accendi, Spegni, Commuta, Valore, Lascia };
    Azione azione = Azione::Valore;
    // For Valore: a percentage 0..100 for a board analog output, the level 0..63 for a unit
    // channel (the board has 64 of them: every level set comes back as it was set).
    int valore = 0;
};

// The request, or why there is none (in Italian, for the "errore" topic).
struct InterpretazioneComando
{
    std::optional<RichiestaComando> richiesta;
    QString motivo;
};

// Switches take "ON", "OFF" or "TOGGLE"; analog outputs a number 0..100, rounded to a whole
// percent; unit channels a level 0..63, rounded to a whole level. Anything else is refused with
// its reason.
InterpretazioneComando interpretaComando(const Punto &punto, const QByteArray &payload);

// What a point must end up as when `poi` comes while `prima` is still waiting: the latest
// wins, and a toggle turns the waiting state over.
RichiestaComando unisciRichieste(const RichiestaComando &prima, const RichiestaComando &poi);

// Longest payload looked at; longer ones are refused unread.
inline constexpr qsizetype kMassimoPayloadComando = 64;

// The highest level of a unit channel.
inline constexpr int kMassimoLivelloCanale = 63;
