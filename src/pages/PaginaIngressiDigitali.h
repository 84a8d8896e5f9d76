#pragma once

#include "pages/PaginaBase.h"

class QPushButton;

class PaginaIngressiDigitali : public PaginaBase
{
    Q_OBJECT
public:
    explicit PaginaIngressiDigitali(QWidget *parent = nullptr);

    QPushButton *pulsanteHome() const { return m_home; }
    QPushButton *pulsantePeriferiche() const { return m_periferiche; }

private:
    QPushButton *m_home = nullptr;
    QPushButton *m_periferiche = nullptr;
};
