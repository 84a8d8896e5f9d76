#pragma once

#include "pages/PaginaBase.h"

#include <array>

class PannelloPunto;
class QPushButton;

// Page 2: the board's eight digital inputs.
class PaginaIngressiDigitali : public PaginaBase
{
    Q_OBJECT
public:
    explicit PaginaIngressiDigitali(QWidget *parent = nullptr);

    QPushButton *pulsanteHome() const { return m_home; }
    QPushButton *pulsantePeriferiche() const { return m_periferiche; }
    PannelloPunto *pannello(int n) const { return m_pannelli.at(n - 1); }

private:
    std::array<PannelloPunto *, 8> m_pannelli{};
    QPushButton *m_home = nullptr;
    QPushButton *m_periferiche = nullptr;
};
