#pragma once

class QCoreApplication;

// Qt's own Italian catalogues (standard dialogs and buttons) and the Italian locale for dates
// and the clock, whatever the system's language. True when the catalogues were found.
bool caricaTraduzioni(QCoreApplication &applicazione);
