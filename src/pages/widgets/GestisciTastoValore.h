#pragma once

class DisplayLed;
class QAbstractButton;
class QKeyEvent;
class QLineEdit;
class QSpinBox;

// The percentage boxes of the analog output pages. Decides a key pressed in `casella`, looking
// at its text before the key takes effect: digits and Backspace pass while the text has at most
// three characters; Enter puts the value (empty -> 0, above 100 -> 100) on the display and the
// spinner and clicks the send button. Returns true when the key must reach the box, false when
// it is used up or refused.
bool GestisciTastoValore(QLineEdit *casella, const QKeyEvent *tasto, QAbstractButton *invio,
                         QSpinBox *spinner, DisplayLed *display);

// Installs GestisciTastoValore on `casella` for its key presses, and limits it to three
// characters.
void collegaTastoValore(QLineEdit *casella, QAbstractButton *invio, QSpinBox *spinner,
                        DisplayLed *display);

// Keys that move the cursor or focus, or delete, but type nothing: every value box lets them
// through.
bool isTastoDiServizio(const QKeyEvent *tasto);
