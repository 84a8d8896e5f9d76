#include "pages/PaginaIngressiAnalogici.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

PaginaIngressiAnalogici::PaginaIngressiAnalogici(QWidget *parent)
    : PaginaBase(QStringLiteral("TabSheet5"), parent)
{
    aggiungiTitolo(QStringLiteral("lbtsIA"), QStringLiteral("Ingressi Analogici"));
    auto *griglia = new QGridLayout(contenuto());
    griglia->setContentsMargins(30, 12, 30, 12);
    griglia->setHorizontalSpacing(20);
    for (int n = 1; n <= 8; ++n) {
        auto *titolo = new QLabel(contenuto());
        titolo->setObjectName(QStringLiteral("lbIA0%1").arg(n));
        titolo->setTextFormat(Qt::PlainText);
        QFont carattere = titolo->font();
        carattere.setBold(true);
        titolo->setFont(carattere);
        auto *unita = new QLabel(contenuto());
        unita->setObjectName(QStringLiteral("lbIAT0%1").arg(n));
        unita->setTextFormat(Qt::PlainText);
        const int riga = (n - 1) % 4;
        const int colonna = ((n - 1) / 4) * 2;
        griglia->addWidget(titolo, riga, colonna);
        griglia->addWidget(unita, riga, colonna + 1);
        m_titoli[n - 1] = titolo;
        m_unita[n - 1] = unita;
    }
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPIA"), QStringLiteral("Periferiche"));
    m_periferiche->hide();
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton3"), QStringLiteral("Pagina Iniziale"));
}
