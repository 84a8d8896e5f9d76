#include "pages/widgets/ImmagineStirata.h"

#include <QMouseEvent>
#include <QPainter>

ImmagineStirata::ImmagineStirata(const QPixmap &immagine, QWidget *parent)
    : QWidget(parent), m_immagine(immagine)
{
}

void ImmagineStirata::paintEvent(QPaintEvent *)
{
    QPainter pittore(this);
    pittore.setRenderHint(QPainter::SmoothPixmapTransform);
    pittore.drawPixmap(rect(), m_immagine);
}

void ImmagineStirata::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit cliccata();
    }
}
