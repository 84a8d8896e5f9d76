#include "core/Messaggi.h"

QStringList MessaggiRegistrati::testi(Tipo tipo) const
{
    QStringList risultato;
    for (const Voce &voce : m_voci) {
        if (voce.tipo == tipo) {
            risultato.append(voce.testo);
        }
    }
    return risultato;
}
