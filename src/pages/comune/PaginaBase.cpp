#include "pages/comune/PaginaBase.h"

#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/PannelloPunto.h"
#include "pages/widgets/ScalaPagina.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

PaginaBase::PaginaBase(const QString &nomeFoglio, QWidget *parent) : QWidget(parent)
{
    setObjectName(nomeFoglio);
    m_scala = new ScalaPagina(this);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    m_contenuto = new QWidget(this);
    m_layout->addWidget(m_contenuto, 1);

    auto *barra = new QFrame(this);
    barra->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_pulsanti = new QHBoxLayout(barra);
    m_pulsanti->setContentsMargins(6, 4, 6, 4);
    m_scala->spazi(m_pulsanti);
    m_layout->addWidget(barra);
}

QSize PaginaBase::minimumSizeHint() const
{
    return m_scala->minimoBase(QWidget::minimumSizeHint());
}

void PaginaBase::aggiungiTitolo(const QString &nome, const QString &titolo)
{
    auto *etichetta = new QLabel(titolo, this);
    etichetta->setObjectName(nome);
    etichetta->setTextFormat(Qt::PlainText);
    etichetta->setAlignment(Qt::AlignCenter);
    etichetta->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_scala->minimo(etichetta, QSize(0, 30));
    QFont carattere = etichetta->font();
    carattere.setBold(true);
    etichetta->setFont(carattere);
    m_scala->carattere(etichetta, 16);
    m_layout->insertWidget(0, etichetta);
}

QPushButton *PaginaBase::aggiungiPulsante(const QString &nome, const QString &testo)
{
    auto *pulsante = new QPushButton(testo, this);
    pulsante->setObjectName(nome);
    m_scala->minimo(pulsante, QSize(110, 0));
    m_pulsanti->addWidget(pulsante);
    return pulsante;
}

void PaginaBase::aggiungiSpaziatura()
{
    m_pulsanti->addStretch(1);
}

std::array<PannelloPunto *, 8> PaginaBase::creaPannelli(const QString &radice,
                                                        const QString &didascalia)
{
    std::array<PannelloPunto *, 8> pannelli{};
    auto *griglia = new QGridLayout(m_contenuto);
    griglia->setContentsMargins(40, 16, 40, 16);
    griglia->setHorizontalSpacing(60);
    griglia->setVerticalSpacing(4);
    m_scala->spazi(griglia);
    for (int n = 1; n <= 8; ++n) {
        auto *pannello = new PannelloPunto(radice + QString::number(n), m_contenuto);
        auto *etichetta = new QLabel(didascalia.arg(n), m_contenuto);
        etichetta->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        const int riga = ((n - 1) % 4) * 2;
        const int colonna = (n - 1) / 4;
        griglia->addWidget(pannello, riga, colonna);
        griglia->addWidget(etichetta, riga + 1, colonna);
        pannelli[n - 1] = pannello;
    }
    return pannelli;
}

void PaginaBase::segnaNonAttuale()
{
    for (PannelloPunto *pannello : findChildren<PannelloPunto *>()) {
        pannello->segnaNonAttuale();
    }
    for (DisplayLed *display : findChildren<DisplayLed *>()) {
        display->segnaNonAttuale();
    }
}

bool PaginaBase::isNonAttuale() const
{
    const auto pannelli = findChildren<PannelloPunto *>();
    const auto display = findChildren<DisplayLed *>();
    return std::any_of(pannelli.cbegin(), pannelli.cend(),
                       [](const PannelloPunto *p) { return p->isNonAttuale(); }) ||
           std::any_of(display.cbegin(), display.cend(),
                       [](const DisplayLed *d) { return d->isNonAttuale(); });
}
