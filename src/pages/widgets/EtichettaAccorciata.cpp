#include "pages/widgets/EtichettaAccorciata.h"

#include <QPainter>
#include <QStyle>

namespace {

// A caption of up to about this many characters keeps its whole width, as the pages are laid
// out for; a longer one gives way to its neighbours.
constexpr int kCaratteriGarantiti = 40;
constexpr int kCaratteriRichiesti = 60;

QString accorcia(const QString &testo)
{
    return testo.size() > EtichettaAccorciata::MassimoCaratteriMostrati
               ? testo.left(EtichettaAccorciata::MassimoCaratteriMostrati) + QChar(0x2026)
               : testo;
}

} // namespace

EtichettaAccorciata::EtichettaAccorciata(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void EtichettaAccorciata::impostaTesto(const QString &testo)
{
    setText(testo);
    setToolTip(Qt::convertFromPlainText(testo));
}

QString EtichettaAccorciata::testoMostrato() const
{
    // One line: control characters such as a line feed must not open a second one.
    QString riga = accorcia(text());
    for (QChar &c : riga) {
        if (c.category() == QChar::Other_Control) {
            c = QLatin1Char(' ');
        }
    }
    return fontMetrics().elidedText(riga, Qt::ElideRight, contentsRect().width());
}

QSize EtichettaAccorciata::dimensione(int caratteri) const
{
    const QFontMetrics metriche = fontMetrics();
    const int larghezza =
        qMin(metriche.horizontalAdvance(accorcia(text())), metriche.averageCharWidth() * caratteri);
    const QMargins margini = contentsMargins();
    return {larghezza + margini.left() + margini.right(),
            metriche.height() + margini.top() + margini.bottom()};
}

QSize EtichettaAccorciata::sizeHint() const
{
    return dimensione(kCaratteriRichiesti);
}

QSize EtichettaAccorciata::minimumSizeHint() const
{
    return dimensione(kCaratteriGarantiti);
}

void EtichettaAccorciata::paintEvent(QPaintEvent *)
{
    QPainter pittore(this);
    style()->drawItemText(&pittore, contentsRect(), int(alignment()), palette(), isEnabled(),
                          testoMostrato(), foregroundRole());
}
