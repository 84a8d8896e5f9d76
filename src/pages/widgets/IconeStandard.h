#pragma once

#include <QIcon>
#include <QStyle>

// The application style's standard icon of `tipo`, made at its first use and shared after:
// the style builds a new icon, reading its pictures again, at every call.
QIcon iconaStandard(QStyle::StandardPixmap tipo);
