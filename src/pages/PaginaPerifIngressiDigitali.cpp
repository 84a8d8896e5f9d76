#include "pages/PaginaPerifIngressiDigitali.h"

#include <QPushButton>

PaginaPerifIngressiDigitali::PaginaPerifIngressiDigitali(QWidget *parent) : PaginaBase(QStringLiteral("TabSheet7"), parent)
{
    aggiungiSpaziatura();
    m_ritorno = aggiungiPulsante(QStringLiteral("sbID"), QStringLiteral("Ingressi Digitali"));
}
