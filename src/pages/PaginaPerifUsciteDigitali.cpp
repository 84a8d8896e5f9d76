#include "pages/PaginaPerifUsciteDigitali.h"

#include <QPushButton>

PaginaPerifUsciteDigitali::PaginaPerifUsciteDigitali(QWidget *parent) : PaginaBase(QStringLiteral("TabSheet6"), parent)
{
    aggiungiSpaziatura();
    m_ritorno = aggiungiPulsante(QStringLiteral("sbUD"), QStringLiteral("Uscite Digitali"));
}
