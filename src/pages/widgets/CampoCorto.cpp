#include "pages/widgets/CampoCorto.h"

#include <QFontMetrics>

namespace {

// The room QLineEdit's own hint gives its text: seventeen "x".
constexpr int kCaratteriQLineEdit = 17;

} // namespace

CampoCorto::CampoCorto(const QString &campione, QWidget *parent)
    : QLineEdit(parent), m_campione(campione)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

// The line edit's own hint with the sample's width in place of its usual text room: frame,
// margins and the style's padding stay as the style wants them.
QSize CampoCorto::sizeHint() const
{
    QSize dimensione = QLineEdit::sizeHint();
    const QFontMetrics metriche(font());
    // One average character more, so the cursor after the last digit never scrolls it out.
    dimensione.setWidth(dimensione.width() -
                        metriche.horizontalAdvance(QLatin1Char('x')) * kCaratteriQLineEdit +
                        metriche.horizontalAdvance(m_campione) + metriche.averageCharWidth());
    return dimensione;
}

QSize CampoCorto::minimumSizeHint() const
{
    return sizeHint();
}
