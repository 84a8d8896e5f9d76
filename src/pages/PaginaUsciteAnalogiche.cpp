#include "pages/PaginaUsciteAnalogiche.h"

#include <QPushButton>

PaginaUsciteAnalogiche::PaginaUsciteAnalogiche(QWidget *parent) : PaginaBase(QStringLiteral("TabSheet4"), parent)
{
    aggiungiTitolo(QStringLiteral("lbtsUA"), QStringLiteral("Uscite Analogiche"));
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPUA"), QStringLiteral("Periferiche"));
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton2"), QStringLiteral("Pagina Iniziale"));
}
