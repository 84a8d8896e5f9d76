#pragma once

#include "core/Errori.h"
#include "core/Messaggi.h"

#include <exception>
#include <type_traits>
#include <utility>

// Runs one event handler so that no exception ever reaches the Qt event loop: a silent abort
// ends the action quietly, any other error goes to the standard error box.
template <typename F>
void eseguiGestore(Messaggi &messaggi, F &&gestore)
{
    try {
        std::forward<F>(gestore)();
    } catch (const AbortSilenzioso &) {
    } catch (const ErroreProgramma &e) {
        messaggi.errore(e.messaggio());
    } catch (const std::exception &e) {
        messaggi.errore(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        messaggi.errore(QStringLiteral("Errore imprevisto"));
    }
}

// A handler that takes none of the signal's arguments. The arguments only make the call depend
// on them, so that it is compiled only where it is made (clang checks it earlier otherwise).
template <typename G, typename... A>
void chiamaSenzaArgomenti(const G &gestore, A &&...)
{
    gestore();
}

// Wraps a handler for connect(): the returned callable guards it with eseguiGestore. The
// signal's arguments reach the handler when it takes them.
template <typename F>
auto protetto(Messaggi &messaggi, F gestore)
{
    return [&messaggi, gestore = std::move(gestore)](auto &&...argomenti) {
        eseguiGestore(messaggi, [&] {
            if constexpr (std::is_invocable_v<const F &, decltype(argomenti)...>) {
                gestore(argomenti...);
            } else {
                chiamaSenzaArgomenti(gestore, argomenti...);
            }
        });
    };
}
