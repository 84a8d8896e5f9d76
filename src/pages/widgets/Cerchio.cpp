#include "pages/widgets/Cerchio.h"

#include <QMouseEvent>
#include <QPainter>

Cerchio::Cerchio(const QColor &colore, int diametro, QWidget *parent)
    : QWidget(parent), m_colore(colore)
{
    setFixedSize(diametro, diametro);
    setCursor(Qt::PointingHandCursor);
}

void Cerchio::paintEvent(QPaintEvent *)
{
    QPainter pittore(this);
    pittore.setRenderHint(QPainter::Antialiasing);
    pittore.setPen(Qt::NoPen);
    pittore.setBrush(m_colore);
    pittore.drawEllipse(rect().adjusted(0, 0, -1, -1));
}

void Cerchio::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        emit rilasciato();
    }
}
