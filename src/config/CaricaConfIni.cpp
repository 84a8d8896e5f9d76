#include "config/CaricaConfIni.h"

#include "core/ValoriProgramma.h"
#include "config/ConfigurazionePredefinita.h"
#include "config/DestinatariConfigurazione.h"
#include "config/PaginaConfigurazione.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "settings/Utilita.h"
#include "core/Errori.h"

#include <QComboBox>
#include <QLineEdit>

#include <array>
#include <functional>

namespace {

// One key at a time, in file order, each through its own open and close of the file.
template <std::size_t N>
void leggi(const QString &file, std::array<QString, N> &valori,
           const std::function<QString(int)> &chiave)
{
    for (std::size_t i = 0; i < N; ++i) {
        valori[i] = LeggiIni(file, LayoutIni::kSezOption, chiave(static_cast<int>(i) + 1));
    }
}

// Only the exact marker counts as missing; an empty value is a value.
template <std::size_t N>
void completa(std::array<QString, N> &valori, const std::array<QString, N> &predefiniti)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (valori[i] == kErrore) {
            valori[i] = predefiniti[i];
        }
    }
}

bool unitaValida(int indice)
{
    return indice >= 0 && indice < ConfigurazionePredefinita::kUnita.size();
}

} // namespace

QStringList CaricaConfIni(ValoriProgramma &valori, PaginaConfigurazione &pagina,
                          DestinatariConfigurazione &destinatari)
{
    namespace P = ConfigurazionePredefinita;
    ValoriConfigurazione &c = valori.configurazione;
    const QString &file = valori.fileImpostazioni;

    leggi(file, c.nomiUD, LayoutIni::chiaveUD);
    leggi(file, c.nomiID, LayoutIni::chiaveID);
    leggi(file, c.nomiUA, LayoutIni::chiaveUA);
    leggi(file, c.nomiIA, LayoutIni::chiaveIA);
    leggi(file, c.unitaIA, LayoutIni::chiaveIAT);
    leggi(file, c.minimiIA, LayoutIni::chiaveIAV);
    leggi(file, c.massimiIA, LayoutIni::chiaveIAVM);

    completa(c.nomiUD, P::kNomiUD);
    completa(c.nomiID, P::kNomiID);
    completa(c.nomiUA, P::kNomiUA);
    completa(c.nomiIA, P::kNomiIA);
    completa(c.unitaIA, P::kUnitaIA);
    completa(c.minimiIA, P::kMinimiIA);
    completa(c.massimiIA, P::kMassimiIA);

    // A unit that is not a whole number must not keep every page shut: it takes its default,
    // and the operator hears which key of which file was wrong.
    QStringList avvisi;
    for (int n = 1; n <= 8; ++n) {
        QString &unita = c.unitaIA[n - 1];
        try {
            StrToInt(unita);
        } catch (const ErroreConversione &) {
            avvisi << QStringLiteral("Valore non valido nel file %1: %2=%3 non è un numero; "
                                     "si usa %4.")
                          .arg(file, LayoutIni::chiaveIAT(n), unita, P::kUnitaIA[n - 1]);
            unita = P::kUnitaIA[n - 1];
        }
    }

    for (int n = 1; n <= 8; ++n) {
        pagina.eUDIni(n)->setText(c.nomiUD.at(n - 1));
    }
    for (int n = 1; n <= 8; ++n) {
        pagina.eIDIni(n)->setText(c.nomiID.at(n - 1));
    }
    for (int n = 1; n <= 2; ++n) {
        pagina.eUAIni(n)->setText(c.nomiUA.at(n - 1));
    }
    for (int n = 1; n <= 8; ++n) {
        pagina.eIAIni(n)->setText(c.nomiIA.at(n - 1));
    }

    for (int n = 1; n <= 8; ++n) {
        destinatari.impostaNomeUscitaDigitale(n, c.nomiUD.at(n - 1));
    }
    for (int n = 1; n <= 8; ++n) {
        destinatari.impostaNomeIngressoDigitale(n, c.nomiID.at(n - 1));
    }
    for (int n = 1; n <= 2; ++n) {
        destinatari.impostaTitoloUscitaAnalogica(n, c.nomiUA.at(n - 1) +
                                                        QStringLiteral(" (OUT %1)").arg(n));
    }
    for (int n = 1; n <= 8; ++n) {
        destinatari.impostaTitoloIngressoAnalogico(n, c.nomiIA.at(n - 1) +
                                                          QStringLiteral(" (IN %1)").arg(n));
    }

    for (int n = 1; n <= 8; ++n) {
        const int indice = StrToInt(c.unitaIA.at(n - 1));
        pagina.eIATIni(n)->setCurrentIndex(unitaValida(indice) ? indice : -1);
    }
    for (int n = 1; n <= 8; ++n) {
        const int indice = StrToInt(c.unitaIA.at(n - 1));
        if (unitaValida(indice)) {
            destinatari.impostaUnitaIngressoAnalogico(n, P::kUnita.at(indice));
        }
    }

    for (int n = 1; n <= 8; ++n) {
        pagina.eVal(n)->setText(c.minimiIA.at(n - 1));
    }
    for (int n = 1; n <= 8; ++n) {
        pagina.eValMax(n)->setText(c.massimiIA.at(n - 1));
    }
    return avvisi;
}
