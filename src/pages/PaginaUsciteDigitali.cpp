#include "pages/PaginaUsciteDigitali.h"

#include <QPushButton>

PaginaUsciteDigitali::PaginaUsciteDigitali(QWidget *parent) : PaginaBase(QStringLiteral("TabSheet2"), parent)
{
    aggiungiTitolo(QStringLiteral("lbtsUD"), QStringLiteral("Uscite Digitali"));
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPUD"), QStringLiteral("Periferiche"));
    m_home = aggiungiPulsante(QStringLiteral("sbHome1"), QStringLiteral("Pagina Iniziale"));
}
