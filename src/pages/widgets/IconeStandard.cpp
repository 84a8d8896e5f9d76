#include "pages/widgets/IconeStandard.h"

#include <QApplication>
#include <QHash>
#include <QImageReader>
#include <QWidget>

namespace {

// Where Qt keeps the pictures of the Fusion style's standard icons.
const QString kCartellaQt = QStringLiteral(":/qt-project.org/styles/commonstyle/images/");

// The icon of `tipo` from the Fusion style's own pictures when it is one the window shows at
// start; a null icon otherwise.
QIcon iconaDaImmaginiQt(QStyle::StandardPixmap tipo)
{
    struct Immagini
    {
        QStyle::StandardPixmap tipo;
        const char *nome;
        std::initializer_list<int> lati;
    };
    static const Immagini elenco[] = {
        {QStyle::SP_DialogSaveButton, "standardbutton-save-%1.png", {16, 32, 128}},
        {QStyle::SP_ToolBarHorizontalExtensionButton, "toolbar-ext-h-%1.png", {8, 16, 32}},
    };
    for (const Immagini &immagini : elenco) {
        if (immagini.tipo != tipo) {
            continue;
        }
        QIcon icona;
        for (const int lato : immagini.lati) {
            QImageReader lettore(kCartellaQt + QString::fromLatin1(immagini.nome).arg(lato), "png");
            lettore.setAutoDetectImageFormat(false);
            const QImage immagine = lettore.read();
            if (immagine.isNull()) {
                // Another Qt keeps other pictures: its style knows them.
                return {};
            }
            icona.addPixmap(QPixmap::fromImage(immagine));
        }
        return icona;
    }
    return {};
}

} // namespace

QIcon iconaStandard(QStyle::StandardPixmap tipo)
{
    // Widgets live on the GUI thread only, so one table serves them all.
    static QHash<int, QIcon> fatte;
    auto trovata = fatte.constFind(int(tipo));
    if (trovata == fatte.cend()) {
        trovata = fatte.insert(int(tipo), QApplication::style()->standardIcon(tipo));
    }
    return *trovata;
}

QIcon StileIcone::standardIcon(StandardPixmap tipo, const QStyleOption *opzione,
                               const QWidget *widget) const
{
    const bool daSinistra = widget ? widget->layoutDirection() == Qt::LeftToRight
                                   : QApplication::layoutDirection() == Qt::LeftToRight;
    if (daSinistra &&
        baseStyle()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) == 0) {
        const QIcon icona = iconaDaImmaginiQt(tipo);
        if (!icona.isNull()) {
            return icona;
        }
    }
    return QProxyStyle::standardIcon(tipo, opzione, widget);
}
