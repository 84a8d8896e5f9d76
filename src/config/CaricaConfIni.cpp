#include "config/CaricaConfIni.h"

#include "core/ValoriProgramma.h"
#include "config/ConfigurazionePredefinita.h"
#include "config/DestinatariConfigurazione.h"
#include "config/PaginaConfigurazione.h"
#include "settings/LetturaConfigurazione.h"
#include "settings/Utilita.h"

#include <QComboBox>
#include <QLineEdit>

#include <utility>

namespace {

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

    LetturaConfigurazione letta = LetturaConfigurazione::leggi(valori.fileImpostazioni);
    c = std::move(letta.valori);

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
    return letta.avvisi;
}
