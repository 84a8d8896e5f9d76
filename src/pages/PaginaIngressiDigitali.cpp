#include "pages/PaginaIngressiDigitali.h"

#include <QPushButton>

PaginaIngressiDigitali::PaginaIngressiDigitali(QWidget *parent) : PaginaBase(QStringLiteral("TabSheet3"), parent)
{
    aggiungiTitolo(QStringLiteral("lbtsID"), QStringLiteral("Ingressi Digitali"));
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPID"), QStringLiteral("Periferiche"));
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton1"), QStringLiteral("Pagina Iniziale"));
}
