#pragma once

#include "pages/periferiche/PaginaPeriferica.h"

#include <array>

class DisplayLed;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

// Page 7: the eight analog channels of the selected peripheral unit, set and read back as
// percentages (the unit's levels run from 0 to 63).
class PaginaPerifUsciteAnalogiche : public PaginaPeriferica
{
    Q_OBJECT
public:
    PaginaPerifUsciteAnalogiche(ContestoPagine &contesto, QWidget *parent = nullptr);

    // Back to the board page of the same kind.
    QPushButton *pulsanteRitorno() const { return m_ritorno; }
    DisplayLed *display(int n) const { return m_canali.at(n - 1).display; }
    QSpinBox *spinner(int n) const { return m_canali.at(n - 1).spinner; }
    QLineEdit *casella(int n) const { return m_canali.at(n - 1).casella; }

    // "Periferiche" on the analog outputs page.
    void sbPUAClick();
    void rgUAPClick();
    void sbUAPRichClick();
    void sbUAPResClick();
    void sbUAPResTotaleClick();
    // Send button n (sbUAPInvio1 .. sbUAPInvio8): channel n of the selected unit to the spinner.
    void sbUAPInvioNClick(int n);
    // Mouse released on spinner n (UDP01 .. UDP08).
    void UDPNMouseUp(int n);
    // The eight channel levels of a reply, channel 1 first; channels whose frame is missing
    // are left alone, and a reply for another unit than the one selected paints nothing.
    void mostraValori(const Risposta &risposta);

protected:
    void azzeraPunti() override;
    void unitaScelta() override { rgUAPClick(); }
    bool eventFilter(QObject *oggetto, QEvent *evento) override;

private:
    struct Canale
    {
        QLineEdit *casella = nullptr;
        DisplayLed *display = nullptr;
        QSpinBox *spinner = nullptr;
        QToolButton *invio = nullptr;
    };

    QWidget *creaCanale(int n);
    void richiediValori(int unita);
    // The unit's level 0..63 shown as a percentage on channel n.
    void mostraCanale(int n, int livello);

    std::array<Canale, 8> m_canali{};
    QPushButton *m_ritorno = nullptr;
};
