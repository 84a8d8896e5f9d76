#pragma once

#include "pages/widgets/IconeStandard.h"

#include <QStyle>
#include <QToolButton>

// The disk button at the right of both link bars.
inline QToolButton *creaPulsanteSalva(QWidget *barra, const QString &nome)
{
    auto *pulsante = new QToolButton(barra);
    pulsante->setObjectName(nome);
    pulsante->setIcon(iconaStandard(QStyle::SP_DialogSaveButton));
    pulsante->setToolTip(QStringLiteral("Salva"));
    return pulsante;
}
