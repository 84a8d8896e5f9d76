#pragma once

#include "pages/periferiche/PaginaPeriferica.h"

#include <array>

class PannelloPunto;
class QPushButton;

// Page 6: the eight digital inputs of the selected peripheral unit, read-only.
class PaginaPerifIngressiDigitali : public PaginaPeriferica
{
    Q_OBJECT
public:
    PaginaPerifIngressiDigitali(ContestoPagine &contesto, QWidget *parent = nullptr);

    // Back to the board page of the same kind.
    QPushButton *pulsanteRitorno() const { return m_ritorno; }
    PannelloPunto *pannello(int n) const { return m_pannelli.at(n - 1); }

    // "Periferiche" on the digital inputs page.
    void sbPIDClick();
    void rgIDPClick();
    void sbIDPRichClick();

protected:
    void azzeraPunti() override;
    void unitaScelta() override { rgIDPClick(); }

private:
    // The unit's input states, painted when they come.
    void richiediStati(int unita);

    std::array<PannelloPunto *, 8> m_pannelli{};
    QPushButton *m_ritorno = nullptr;
};
