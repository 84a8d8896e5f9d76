#pragma once

#include <QIcon>
#include <QProxyStyle>
#include <QStyle>

// The application style's standard icon of `tipo`, made at its first use and shared after:
// the style builds a new icon, reading its pictures again, at every call.
QIcon iconaStandard(QStyle::StandardPixmap tipo);

// The style the window is drawn with: the Fusion style's own, except that the icons the window
// needs at start come from Qt's pictures read as PNG, without guessing their format. Guessing
// asks every image-format plugin Qt has, loading them all (and the libraries they need) before
// the first paint, for two small PNGs.
class StileIcone : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap tipo, const QStyleOption *opzione = nullptr,
                       const QWidget *widget = nullptr) const override;
};
