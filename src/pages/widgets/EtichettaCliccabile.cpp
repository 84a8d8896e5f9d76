#include "pages/widgets/EtichettaCliccabile.h"

#include <QMouseEvent>

EtichettaCliccabile::EtichettaCliccabile(const QString &testo, QWidget *parent)
    : QLabel(testo, parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

void EtichettaCliccabile::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit cliccata();
    }
}
