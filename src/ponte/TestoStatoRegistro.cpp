#include "ponte/TestoStatoRegistro.h"

#include "ponte/Registro.h"

void TestoStatoRegistro::impostaTesto(int pannello, const QString &testo)
{
    if (pannello < 0 || pannello >= int(m_testi.size())) {
        return;
    }
    if (m_testi[pannello] == testo) {
        return;
    }
    m_testi[pannello] = testo;
    // Panel 1 carries the notices about dropped commands.
    if (pannello == 1) {
        Registro::avviso(QStringLiteral("scheda: ") + testo);
    } else {
        Registro::info(QStringLiteral("scheda: ") + testo);
    }
}

QString TestoStatoRegistro::testo(int pannello) const
{
    return pannello >= 0 && pannello < int(m_testi.size()) ? m_testi[pannello] : QString();
}
