#include "ponte/Registro.h"

#include <atomic>
#include <cstdio>

namespace Registro {

namespace {

std::atomic<bool> g_debug{false};

const char *parola(Livello livello)
{
    switch (livello) {
    case Livello::Errore:
        return "errore";
    case Livello::Avviso:
        return "avviso";
    case Livello::Info:
        return "info";
    case Livello::Debug:
        return "debug";
    }
    return "";
}

} // namespace

void setDebug(bool attivo)
{
    g_debug = attivo;
}

void scrivi(Livello livello, const QString &testo)
{
    if (livello == Livello::Debug && !g_debug) {
        return;
    }
    // One line per record whatever the text holds, so journald keeps it as one entry.
    QString riga = testo;
    riga.replace(QLatin1Char('\n'), QLatin1String(" | "));
    riga.replace(QLatin1Char('\r'), QLatin1Char(' '));
    // One fprintf per line: lines from the MQTT thread never mix with the main thread's.
    std::fprintf(stderr, "<%d>%s: %s\n", static_cast<int>(livello), parola(livello),
                 riga.toUtf8().constData());
    std::fflush(stderr);
}

} // namespace Registro
