#include "pages/widgets/ScalaPagina.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGridLayout>
#include <QLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// Small steps: a window dragged wider does not re-lay the page at every pixel.
constexpr double kPasso = 0.05;
// Of what the page grows, its text follows this share.
constexpr double kQuotaTesto = 0.6;

} // namespace

ScalaPagina::ScalaPagina(QWidget *pagina) : QObject(pagina), m_pagina(pagina)
{
    pagina->installEventFilter(this);
}

double ScalaPagina::testoPer(double fattore)
{
    return std::min(1.0 + (fattore - 1.0) * kQuotaTesto, TestoMassimo);
}

void ScalaPagina::carattere(QWidget *widget, int pixel)
{
    m_voci.push_back({widget, Tipo::Carattere, QSize(pixel, pixel)});
    applica(m_voci.back());
}

void ScalaPagina::minimo(QWidget *widget, QSize minimo)
{
    m_voci.push_back({widget, Tipo::Minimo, minimo});
    applica(m_voci.back());
}

void ScalaPagina::fisso(QWidget *widget, QSize dimensione)
{
    m_voci.push_back({widget, Tipo::Fisso, dimensione});
    applica(m_voci.back());
}

void ScalaPagina::icona(QAbstractButton *pulsante, QSize dimensione)
{
    m_voci.push_back({pulsante, Tipo::Icona, dimensione});
    applica(m_voci.back());
}

void ScalaPagina::spazi(QLayout *layout)
{
    Spazi voce{layout, layout->contentsMargins(), layout->spacing(), layout->spacing()};
    if (auto *griglia = qobject_cast<QGridLayout *>(layout)) {
        voce.orizzontale = griglia->horizontalSpacing();
        voce.verticale = griglia->verticalSpacing();
    }
    m_spazi.push_back(voce);
    applica(m_spazi.back());
}

QSize ScalaPagina::minimoBase(QSize minimoAttuale) const
{
    return {int(std::ceil(minimoAttuale.width() / m_fattore)),
            int(std::ceil(minimoAttuale.height() / m_fattore))};
}

bool ScalaPagina::eventFilter(QObject *oggetto, QEvent *evento)
{
    if (oggetto == m_pagina && evento->type() == QEvent::Resize) {
        aggiorna();
    }
    return QObject::eventFilter(oggetto, evento);
}

QSize ScalaPagina::scalata(QSize base) const
{
    return {int(std::lround(base.width() * m_fattore)),
            int(std::lround(base.height() * m_fattore))};
}

void ScalaPagina::aggiorna()
{
    const double rapporto = std::min(double(m_pagina->width()) / DimensioneBase.width(),
                                     double(m_pagina->height()) / DimensioneBase.height());
    const double fattore = std::clamp(std::floor(rapporto / kPasso) * kPasso, 1.0, FattoreMassimo);
    if (std::abs(fattore - m_fattore) < kPasso / 2) {
        return;
    }
    m_fattore = fattore;

    // The page's own font carries every text that sets no size of its own.
    if (m_fattore == 1.0) {
        m_pagina->setFont(QFont());
    } else {
        QFont carattere = m_pagina->font();
        if (m_puntiBase == 0) {
            m_puntiBase = carattere.pointSizeF() > 0 ? carattere.pointSizeF()
                                                     : -double(carattere.pixelSize());
        }
        if (m_puntiBase > 0) {
            carattere.setPointSizeF(m_puntiBase * fattoreTesto());
        } else {
            carattere.setPixelSize(int(std::lround(-m_puntiBase * fattoreTesto())));
        }
        m_pagina->setFont(carattere);
    }
    for (const Voce &voce : m_voci) {
        applica(voce);
    }
    for (const Spazi &spazi : m_spazi) {
        applica(spazi);
    }
    emit cambiata();
}

void ScalaPagina::applica(const Voce &voce) const
{
    QWidget *widget = voce.widget;
    if (!widget) {
        return;
    }
    switch (voce.tipo) {
    case Tipo::Carattere: {
        QFont carattere = widget->font();
        carattere.setPixelSize(int(std::lround(voce.base.height() * fattoreTesto())));
        widget->setFont(carattere);
        break;
    }
    case Tipo::Minimo:
        widget->setMinimumSize(scalata(voce.base));
        break;
    case Tipo::Fisso: {
        // A side given as 0 is left to the widget.
        const QSize dimensione = scalata(voce.base);
        if (dimensione.width() > 0) {
            widget->setFixedWidth(dimensione.width());
        }
        if (dimensione.height() > 0) {
            widget->setFixedHeight(dimensione.height());
        }
        break;
    }
    case Tipo::Icona:
        static_cast<QAbstractButton *>(widget)->setIconSize(scalata(voce.base));
        break;
    }
}

void ScalaPagina::applica(const Spazi &spazi) const
{
    QLayout *layout = spazi.layout;
    if (!layout) {
        return;
    }
    const auto scala = [this](int valore) { return int(std::lround(valore * m_fattore)); };
    const QMargins &m = spazi.margini;
    layout->setContentsMargins(scala(m.left()), scala(m.top()), scala(m.right()),
                               scala(m.bottom()));
    if (auto *griglia = qobject_cast<QGridLayout *>(layout)) {
        griglia->setHorizontalSpacing(scala(spazi.orizzontale));
        griglia->setVerticalSpacing(scala(spazi.verticale));
    } else if (spazi.orizzontale >= 0) {
        layout->setSpacing(scala(spazi.orizzontale));
    }
}
