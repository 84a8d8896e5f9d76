#pragma once

class QApplication;

// What the program sets on the application before its window: its name (which picks the
// settings folder and the menu entry), the style and the Italian catalogues; the window icon
// follows the first window's first paint.
void preparaApplicazione(QApplication &applicazione);
