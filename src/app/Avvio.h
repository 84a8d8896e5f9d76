#pragma once

class QApplication;

// What the program sets on the application before its window: its name (which picks the
// settings folder and the menu entry), the window icon, the style and the Italian catalogues.
void preparaApplicazione(QApplication &applicazione);
