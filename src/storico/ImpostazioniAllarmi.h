#pragma once

#include <QString>

#include <array>
#include <optional>

// The alarm settings of the board's inputs as "Impostazioni.INI" keeps them, and whether a
// reading is an alarm: a digital input at its alarm level, an analog input outside its range.
struct ImpostazioniAllarmi
{
    std::array<bool, 8> digitaleAbilitato{};
    // The input is in alarm when it reads clear ("Low"); otherwise when it reads set ("High").
    std::array<bool, 8> digitaleBasso{};
    std::array<bool, 8> analogicoAbilitato{};
    // In the input's units; an input whose thresholds are not numbers raises no alarm.
    std::array<std::optional<double>, 8> minimo;
    std::array<std::optional<double>, 8> massimo;

    // The enable and level strings, character n (from the left) for input n; a missing
    // character or a missing key ("ERRORE") counts as not enabled, a missing level as "High".
    static ImpostazioniAllarmi daTesti(const QString &abilitaDigitali, const QString &livelli,
                                       const QString &abilitaAnalogici,
                                       const std::array<QString, 8> &minimi,
                                       const std::array<QString, 8> &massimi);
    static ImpostazioniAllarmi daFile(const QString &fileImpostazioni);

    // `ingresso` 1..8.
    bool allarmeDigitale(int ingresso, bool stato) const;
    bool allarmeAnalogico(int ingresso, double valore) const;
    // "sotto 10", "sopra 40": what the alarm of an analog value is, for the logbook.
    QString motivoAnalogico(int ingresso, double valore) const;
};
