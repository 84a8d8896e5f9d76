#pragma once

#include <functional>

class QDialog;

// Runs `azione` on the next modal dialog to appear, from inside the event loop of the click that
// opens it. Arm it before the click. A dialog still open after `azione` (a failed check returned
// early) is rejected, so a test never hangs on it.
void suDialogoModale(std::function<void(QDialog &)> azione);
