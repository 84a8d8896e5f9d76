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

std::array<int, 3> BarraStato::larghezzeDisposte(int barra, const std::array<int, 3> &proprie,
                                                 int serve0, int serve1)
{
    std::array<int, 3> larghezze = proprie;
    int manca = serve1 - proprie[1];
    if (manca <= 0) {
        return larghezze;
    }
    const int oltre = std::max(0, barra - (proprie[0] + proprie[1] + proprie[2]));
    const int dallaBarra = std::min(manca, oltre);
    manca -= dallaBarra;
    const int dalPrimo = std::clamp(proprie[0] - serve0, 0, manca);
    larghezze[0] -= dalPrimo;
    larghezze[1] += dallaBarra + dalPrimo;
    return larghezze;
}

int BarraStato::larghezzaTesto(int pannello) const
{
    const QLabel *etichetta = m_pannelli.at(pannello);
    const QString &testo = m_testi.at(pannello);
    if (testo.isEmpty()) {
        return 0;
    }
    const QMargins margini = etichetta->contentsMargins();
    const int cornice = 2 * etichetta->frameWidth() + margini.left() + margini.right();
    return etichetta->fontMetrics().horizontalAdvance(testo) + cornice + 1;
}

void BarraStato::disponi()
{
    const std::array<int, 3> disposte =
        larghezzeDisposte(width(), m_larghezze, larghezzaTesto(0), larghezzaTesto(1));
    int x = 0;
    for (int i = 0; i < numeroPannelli(); ++i) {
        m_pannelli[i]->setGeometry(x, 0, disposte[i], height());
        x += disposte[i];
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
    // Panels 0 and 1 share their room by what their texts need.
    if (pannello < 2) {
        disponi();
    } else {
        mostraTesto(pannello);
    }
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
