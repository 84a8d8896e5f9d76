#include "pages/PaginaUsciteAnalogiche.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PaginaUsciteAnalogiche::PaginaUsciteAnalogiche(QWidget *parent)
    : PaginaBase(QStringLiteral("TabSheet4"), parent)
{
    aggiungiTitolo(QStringLiteral("lbtsUA"), QStringLiteral("Uscite Analogiche"));
    auto *colonna = new QVBoxLayout(contenuto());
    colonna->setContentsMargins(40, 16, 40, 16);
    for (int n = 1; n <= 2; ++n) {
        auto *titolo = new QLabel(contenuto());
        titolo->setObjectName(QStringLiteral("lbUA0%1").arg(n));
        titolo->setTextFormat(Qt::PlainText);
        QFont carattere = titolo->font();
        carattere.setBold(true);
        titolo->setFont(carattere);
        colonna->addWidget(titolo);
        colonna->addStretch(1);
        m_titoli[n - 1] = titolo;
    }
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPUA"), QStringLiteral("Periferiche"));
    m_periferiche->setEnabled(false);
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton2"), QStringLiteral("Pagina Iniziale"));
}
