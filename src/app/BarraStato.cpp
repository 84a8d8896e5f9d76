#include "app/BarraStato.h"

#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

BarraStato::BarraStato(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("stbStatusBar"));
    setSizeGripEnabled(false);
    setFixedHeight(20);
    // The panels sit on a strip of our own that covers the whole bar, so their widths are
    // exactly the ones set, without the bar's own spacing, and never widen the window.
    m_striscia = new QWidget(this);
    auto *riga = new QHBoxLayout(m_striscia);
    riga->setContentsMargins(0, 0, 0, 0);
    riga->setSpacing(0);
    const std::array<int, 3> larghezze{300, 180, 170};
    for (int i = 0; i < numeroPannelli(); ++i) {
        auto *pannello = new QLabel(m_striscia);
        pannello->setObjectName(QStringLiteral("stbPannello%1").arg(i));
        pannello->setTextFormat(Qt::PlainText);
        pannello->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pannello->setContentsMargins(2, 0, 2, 0);
        pannello->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        riga->addWidget(pannello);
        m_pannelli[i] = pannello;
        impostaLarghezzaPannello(i, larghezze[i]);
    }
    riga->addStretch(1);
}

void BarraStato::resizeEvent(QResizeEvent *event)
{
    QStatusBar::resizeEvent(event);
    m_striscia->setGeometry(rect());
}

void BarraStato::impostaTesto(int pannello, const QString &testo)
{
    m_pannelli.at(pannello)->setText(testo);
}

QString BarraStato::testo(int pannello) const
{
    return m_pannelli.at(pannello)->text();
}

int BarraStato::larghezzaPannello(int pannello) const
{
    return m_pannelli.at(pannello)->maximumWidth();
}

void BarraStato::impostaLarghezzaPannello(int pannello, int larghezza)
{
    QLabel *etichetta = m_pannelli.at(pannello);
    etichetta->setMinimumWidth(0);
    etichetta->setMaximumWidth(std::max(0, larghezza));
    etichetta->setMinimumWidth(std::max(0, larghezza));
}
