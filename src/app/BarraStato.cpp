#include "app/BarraStato.h"

#include <QLabel>
#include <QTextDocument>

#include <algorithm>

BarraStato::BarraStato(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("stbStatusBar"));
    setSizeGripEnabled(false);
    setFixedHeight(20);
    QFont carattere = font();
    carattere.setPointSize(8);
    setFont(carattere);
    // The panels are placed by hand, edge to edge, so their widths are exactly the ones set
    // and never widen the window.
    for (int i = 0; i < numeroPannelli(); ++i) {
        auto *pannello = new QLabel(this);
        pannello->setObjectName(QStringLiteral("stbPannello%1").arg(i));
        pannello->setTextFormat(Qt::PlainText);
        pannello->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pannello->setContentsMargins(2, 0, 2, 0);
        m_pannelli[i] = pannello;
    }
    disponi();
}

void BarraStato::resizeEvent(QResizeEvent *event)
{
    QStatusBar::resizeEvent(event);
    disponi();
}

void BarraStato::disponi()
{
    int x = 0;
    for (int i = 0; i < numeroPannelli(); ++i) {
        m_pannelli[i]->setGeometry(x, 0, m_larghezze[i], height());
        x += m_larghezze[i];
        mostraTesto(i);
    }
}

void BarraStato::mostraTesto(int pannello)
{
    QLabel *etichetta = m_pannelli.at(pannello);
    const QString &testo = m_testi.at(pannello);
    // Cut at a word's middle with no mark, a notice reads as a different one.
    const int spazio = etichetta->contentsRect().width();
    const QString mostrato =
        spazio > 0 ? etichetta->fontMetrics().elidedText(testo, Qt::ElideRight, spazio) : testo;
    if (etichetta->text() != mostrato) {
        etichetta->setText(mostrato);
    }
}

void BarraStato::impostaTesto(int pannello, const QString &testo)
{
    QLabel *etichetta = m_pannelli.at(pannello);
    m_testi.at(pannello) = testo;
    mostraTesto(pannello);
    // A long notice is cut by the panel's width: the whole text is its tooltip.
    etichetta->setToolTip(testo.isEmpty() ? QString() : Qt::convertFromPlainText(testo));
}

QString BarraStato::testo(int pannello) const
{
    return m_testi.at(pannello);
}

int BarraStato::larghezzaPannello(int pannello) const
{
    return m_larghezze.at(pannello);
}

void BarraStato::impostaLarghezzaPannello(int pannello, int larghezza)
{
    m_larghezze.at(pannello) = std::max(0, larghezza);
    disponi();
}
