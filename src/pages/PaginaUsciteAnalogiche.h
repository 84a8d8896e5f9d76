#pragma once

#include "pages/PaginaBase.h"

#include <array>

class QLabel;
class QPushButton;

// Page 3: the board's two analog outputs.
class PaginaUsciteAnalogiche : public PaginaBase
{
    Q_OBJECT
public:
    explicit PaginaUsciteAnalogiche(QWidget *parent = nullptr);

    QPushButton *pulsanteHome() const { return m_home; }
    QPushButton *pulsantePeriferiche() const { return m_periferiche; }
    // lbUA01, lbUA02: the output's name and "(OUT n)".
    QLabel *titolo(int n) const { return m_titoli.at(n - 1); }

private:
    std::array<QLabel *, 2> m_titoli{};
    QPushButton *m_home = nullptr;
    QPushButton *m_periferiche = nullptr;
};
