#include "pages/PaginaIngressiDigitali.h"

#include "pages/PannelloPunto.h"

#include <QPushButton>

PaginaIngressiDigitali::PaginaIngressiDigitali(QWidget *parent)
    : PaginaBase(QStringLiteral("TabSheet3"), parent)
{
    aggiungiTitolo(QStringLiteral("lbtsID"), QStringLiteral("Ingressi Digitali"));
    m_pannelli = creaPannelli(QStringLiteral("sbID"), QStringLiteral("(IN %1)"));
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPID"), QStringLiteral("Periferiche"));
    m_periferiche->setEnabled(false);
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton1"), QStringLiteral("Pagina Iniziale"));
}
