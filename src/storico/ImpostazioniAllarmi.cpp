#include "storico/ImpostazioniAllarmi.h"

#include "core/Errori.h"
#include "protocol/Conversioni.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"

namespace {

bool carattere(const QString &testo, int i, QChar c)
{
    return i < testo.size() && testo.at(i) == c;
}

std::optional<double> numero(const QString &testo)
{
    try {
        return Conversioni::StrToFloat(testo);
    } catch (const ErroreProgramma &) {
        return std::nullopt;
    }
}

QString testoNumero(double valore)
{
    return QString::number(valore, 'g', 15);
}

} // namespace

ImpostazioniAllarmi ImpostazioniAllarmi::daTesti(const QString &abilitaDigitali,
                                                 const QString &livelli,
                                                 const QString &abilitaAnalogici,
                                                 const std::array<QString, 8> &minimi,
                                                 const std::array<QString, 8> &massimi)
{
    ImpostazioniAllarmi a;
    for (int i = 0; i < 8; ++i) {
        const auto n = size_t(i);
        a.digitaleAbilitato[n] = carattere(abilitaDigitali, i, QLatin1Char('1'));
        a.digitaleBasso[n] = i < livelli.size() && livelli.at(i) != QLatin1Char('0');
        a.analogicoAbilitato[n] = carattere(abilitaAnalogici, i, QLatin1Char('1'));
        a.minimo[n] = numero(minimi[n]);
        a.massimo[n] = numero(massimi[n]);
    }
    return a;
}

ImpostazioniAllarmi ImpostazioniAllarmi::daFile(const QString &file)
{
    const QString sezione = LayoutIni::kSezImpostazioni;
    std::array<QString, 8> minimi;
    std::array<QString, 8> massimi;
    for (int n = 1; n <= 8; ++n) {
        minimi[size_t(n - 1)] = LeggiIni(file, sezione, LayoutIni::numerata(QStringLiteral("StatoAMin"), n));
        massimi[size_t(n - 1)] = LeggiIni(file, sezione, LayoutIni::numerata(QStringLiteral("StatoAMax"), n));
    }
    return daTesti(LeggiIni(file, sezione, LayoutIni::kChiaveAllarme),
                   LeggiIni(file, sezione, LayoutIni::kChiaveStato),
                   LeggiIni(file, sezione, LayoutIni::kChiaveAllarmeA), minimi, massimi);
}

bool ImpostazioniAllarmi::allarmeDigitale(int ingresso, bool stato) const
{
    if (ingresso < 1 || ingresso > 8) {
        return false;
    }
    const auto n = size_t(ingresso - 1);
    return digitaleAbilitato[n] && stato != digitaleBasso[n];
}

bool ImpostazioniAllarmi::allarmeAnalogico(int ingresso, double valore) const
{
    if (ingresso < 1 || ingresso > 8) {
        return false;
    }
    const auto n = size_t(ingresso - 1);
    return analogicoAbilitato[n] && minimo[n] && massimo[n] &&
           (valore < *minimo[n] || valore > *massimo[n]);
}

QString ImpostazioniAllarmi::motivoAnalogico(int ingresso, double valore) const
{
    if (!allarmeAnalogico(ingresso, valore)) {
        return QString();
    }
    const auto n = size_t(ingresso - 1);
    return valore < *minimo[n] ? QStringLiteral("sotto %1").arg(testoNumero(*minimo[n]))
                               : QStringLiteral("sopra %1").arg(testoNumero(*massimo[n]));
}
