#pragma once

#include "pages/PaginaBase.h"

class QPushButton;

class PaginaPerifIngressiDigitali : public PaginaBase
{
    Q_OBJECT
public:
    explicit PaginaPerifIngressiDigitali(QWidget *parent = nullptr);

    // Back to the board page of the same kind.
    QPushButton *pulsanteRitorno() const { return m_ritorno; }

private:
    QPushButton *m_ritorno = nullptr;
};
