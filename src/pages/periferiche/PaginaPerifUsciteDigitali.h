#pragma once

#include "pages/periferiche/PaginaPeriferica.h"

#include <array>

class PannelloPunto;
class QPushButton;

// Page 5: the eight digital outputs of the selected peripheral unit. Every switch or reset is
// followed by a request for the same unit, and the panels show the last states it sent.
class PaginaPerifUsciteDigitali : public PaginaPeriferica
{
    Q_OBJECT
public:
    PaginaPerifUsciteDigitali(ContestoPagine &contesto, QWidget *parent = nullptr);

    // Back to the board page of the same kind.
    QPushButton *pulsanteRitorno() const { return m_ritorno; }
    PannelloPunto *pannello(int n) const { return m_pannelli.at(n - 1); }

    // "Periferiche" on the digital outputs page.
    void sbPUDClick();
    void rgUDPClick();
    void sbUDPRichClick();
    // "Out n" clicked: switch output n of the selected unit, then ask for its states.
    void sbUDPNClick(int n);
    void sbUDPResClick();
    void sbUDPResetTotaleClick();

protected:
    void azzeraPunti() override;
    void unitaScelta() override { rgUDPClick(); }

private:
    // The unit's output states, painted when they come; `esito` hears how the request went.
    void richiediStati(int unita, const EsitoInvio &esito = {});

    std::array<PannelloPunto *, 8> m_pannelli{};
    QPushButton *m_ritorno = nullptr;
};
