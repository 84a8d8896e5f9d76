#include "app/Avvio.h"

#include "app/Traduzioni.h"
#include "pages/widgets/IconeStandard.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>

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

} // namespace

void preparaApplicazione(QApplication &applicazione)
{
    QApplication::setApplicationName(QStringLiteral("brivola"));
    QApplication::setDesktopFileName(QStringLiteral("brivola"));
    QApplication::setWindowIcon(iconaFinestra());
    // The style the operator chose (Fusion unless told), with the start-up icons read directly.
    QApplication::setStyle(new StileIcone(QApplication::style()->name()));
    caricaTraduzioni(applicazione);
}
