#include "pages/widgets/ImmagineStirata.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <utility>

ImmagineStirata::ImmagineStirata(const QString &file, QWidget *parent)
    : QWidget(parent), m_file(file)
{
}

void ImmagineStirata::paintEvent(QPaintEvent *)
{
    if (m_immagine.isNull()) {
        // Queued, so the frame being painted reaches the screen first.
        if (!std::exchange(m_caricamentoChiesto, true)) {
            QTimer::singleShot(0, this, &ImmagineStirata::carica);
        }
        return;
    }
    QPainter pittore(this);
    pittore.setRenderHint(QPainter::SmoothPixmapTransform);
    pittore.drawPixmap(rect(), m_immagine);
}

void ImmagineStirata::carica()
{
    // The format as given, not guessed: guessing asks every image-format plugin, loading them all.
    QImageReader lettore(m_file, QFileInfo(m_file).suffix().toLatin1());
    lettore.setAutoDetectImageFormat(false);
    m_immagine = QPixmap::fromImage(lettore.read());
    update();
    emit caricata();
}

void ImmagineStirata::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit cliccata();
    }
}
