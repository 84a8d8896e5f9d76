#pragma once

#include "pages/PaginaBase.h"

class QPushButton;

class PaginaPerifUsciteAnalogiche : public PaginaBase
{
    Q_OBJECT
public:
    explicit PaginaPerifUsciteAnalogiche(QWidget *parent = nullptr);

    // Back to the board page of the same kind.
    QPushButton *pulsanteRitorno() const { return m_ritorno; }

private:
    QPushButton *m_ritorno = nullptr;
};
