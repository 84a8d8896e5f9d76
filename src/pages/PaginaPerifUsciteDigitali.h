#pragma once

#include "pages/PaginaBase.h"

class QPushButton;

class PaginaPerifUsciteDigitali : public PaginaBase
{
    Q_OBJECT
public:
    explicit PaginaPerifUsciteDigitali(QWidget *parent = nullptr);

    // Back to the board page of the same kind.
    QPushButton *pulsanteRitorno() const { return m_ritorno; }

private:
    QPushButton *m_ritorno = nullptr;
};
