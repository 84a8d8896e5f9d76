#include "pages/PaginaIngressiAnalogici.h"

#include <QPushButton>

PaginaIngressiAnalogici::PaginaIngressiAnalogici(QWidget *parent) : PaginaBase(QStringLiteral("TabSheet5"), parent)
{
    aggiungiTitolo(QStringLiteral("lbtsIA"), QStringLiteral("Ingressi Analogici"));
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPIA"), QStringLiteral("Periferiche"));
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton3"), QStringLiteral("Pagina Iniziale"));
}
