#pragma once

#include "pages/PaginaBase.h"

#include <array>

class QLabel;
class QPushButton;

// Page 4: the board's eight analog inputs, each with its name and unit.
class PaginaIngressiAnalogici : public PaginaBase
{
    Q_OBJECT
public:
    explicit PaginaIngressiAnalogici(QWidget *parent = nullptr);

    QPushButton *pulsanteHome() const { return m_home; }
    // The hidden "Periferiche" button.
    QPushButton *pulsantePeriferiche() const { return m_periferiche; }
    // lbIA0n: the input's name and "(IN n)"; lbIAT0n: its unit.
    QLabel *titolo(int n) const { return m_titoli.at(n - 1); }
    QLabel *unita(int n) const { return m_unita.at(n - 1); }

private:
    std::array<QLabel *, 8> m_titoli{};
    std::array<QLabel *, 8> m_unita{};
    QPushButton *m_home = nullptr;
    QPushButton *m_periferiche = nullptr;
};
