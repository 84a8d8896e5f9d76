#include "app/Avvio.h"

#include "app/Traduzioni.h"
#include "pages/widgets/IconeStandard.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QTimer>
#include <QWidget>

namespace {

// The window icon from two of the menu entry's pictures. Read as PNG with the format given
// and no guessing: a reader left to guess asks every image-format plugin Qt has, loading
// them all, before it tries the PNG reader built into Qt.
QIcon iconaFinestra()
{
    QIcon icona;
    for (const int lato : {32, 128}) {
        QImageReader lettore(QStringLiteral(":/icone/brivola-%1.png").arg(lato), "png");
        lettore.setAutoDetectImageFormat(false);
        icona.addPixmap(QPixmap::fromImage(lettore.read()));
    }
    return icona;
}

// Gives the windows their icon once the first of them has been painted: the window reaches the
// screen without waiting for its two pictures to be decoded.
class IconaDopoPrimaPittura : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *oggetto, QEvent *evento) override
    {
        if (evento->type() == QEvent::Paint && oggetto->isWidgetType() &&
            static_cast<QWidget *>(oggetto)->isWindow()) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Queued, so the frame being painted goes out first.
            QTimer::singleShot(0, this, [this] {
                QApplication::setWindowIcon(iconaFinestra());
                deleteLater();
            });
        }
        return false;
    }
};

} // namespace

void preparaApplicazione(QApplication &applicazione)
{
    QApplication::setApplicationName(QStringLiteral("brivola"));
    QApplication::setDesktopFileName(QStringLiteral("brivola"));
    applicazione.installEventFilter(new IconaDopoPrimaPittura(&applicazione));
    // The style the operator chose (Fusion unless told), with the start-up icons read directly.
    QApplication::setStyle(new StileIcone(QApplication::style()->name()));
    caricaTraduzioni(applicazione);
}
