#include "pages/PaginaPerifUsciteAnalogiche.h"

#include <QPushButton>

PaginaPerifUsciteAnalogiche::PaginaPerifUsciteAnalogiche(QWidget *parent) : PaginaBase(QStringLiteral("TabSheet8"), parent)
{
    aggiungiSpaziatura();
    m_ritorno = aggiungiPulsante(QStringLiteral("sbUA"), QStringLiteral("Uscite Analogiche"));
}
