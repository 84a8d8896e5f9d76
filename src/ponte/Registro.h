#pragma once

#include <QString>

// Log lines on stderr, one per call, each opening with the syslog level in the form journald
// reads from a service's output ("<3>", "<4>", "<6>"), then a word for a person at a terminal.
namespace Registro {

enum class Livello { Errore = 3, Avviso = 4, Info = 6, Debug = 7 };

void scrivi(Livello livello, const QString &testo);
inline void errore(const QString &testo)
{
    scrivi(Livello::Errore, testo);
}
inline void avviso(const QString &testo)
{
    scrivi(Livello::Avviso, testo);
}
inline void info(const QString &testo)
{
    scrivi(Livello::Info, testo);
}
// Written only when debug lines were asked for.
inline void debug(const QString &testo)
{
    scrivi(Livello::Debug, testo);
}
void setDebug(bool attivo);

} // namespace Registro
