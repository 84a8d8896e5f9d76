#pragma once

#include "pages/PaginaBase.h"

class QPushButton;

class PaginaUsciteDigitali : public PaginaBase
{
    Q_OBJECT
public:
    explicit PaginaUsciteDigitali(QWidget *parent = nullptr);

    QPushButton *pulsanteHome() const { return m_home; }
    QPushButton *pulsantePeriferiche() const { return m_periferiche; }

private:
    QPushButton *m_home = nullptr;
    QPushButton *m_periferiche = nullptr;
};
