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
    void adpUDPStringPacket(const QString &pacchetto);
    // The same reply inside a complete TCP response; left alone when the frame is missing.
    void analizzaRispostaTcp(const QString &risposta);

protected:
    void azzeraPunti() override;
    void unitaScelta() override { rgUDPClick(); }

private:
    void richiediStati(int unita);

    std::array<PannelloPunto *, 8> m_pannelli{};
    QPushButton *m_ritorno = nullptr;
};
