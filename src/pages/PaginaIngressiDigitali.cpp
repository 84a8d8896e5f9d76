#include "pages/PaginaIngressiDigitali.h"

#include "pages/PannelloPunto.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

PaginaIngressiDigitali::PaginaIngressiDigitali(QWidget *parent)
    : PaginaBase(QStringLiteral("TabSheet3"), parent)
{
    aggiungiTitolo(QStringLiteral("lbtsID"), QStringLiteral("Ingressi Digitali"));
    auto *griglia = new QGridLayout(contenuto());
    griglia->setContentsMargins(40, 16, 40, 16);
    griglia->setHorizontalSpacing(60);
    griglia->setVerticalSpacing(4);
    for (int n = 1; n <= 8; ++n) {
        auto *pannello = new PannelloPunto(QStringLiteral("sbID%1").arg(n), contenuto());
        auto *didascalia = new QLabel(QStringLiteral("(IN %1)").arg(n), contenuto());
        didascalia->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        const int riga = ((n - 1) % 4) * 2;
        griglia->addWidget(pannello, riga, (n - 1) / 4);
        griglia->addWidget(didascalia, riga + 1, (n - 1) / 4);
        m_pannelli[n - 1] = pannello;
    }
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPID"), QStringLiteral("Periferiche"));
    m_periferiche->setEnabled(false);
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton1"), QStringLiteral("Pagina Iniziale"));
}
