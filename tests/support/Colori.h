#pragma once

#include "pages/widgets/PannelloPunto.h"

#include <QColor>
#include <QString>

// A page's eight point panels as letters, point 1 first: "R" the light red of a point that is
// on, "G" the green of one that is off, "?" any other colour.
template <typename Pagina> QString colori(const Pagina &pagina)
{
    QString esito;
    for (int n = 1; n <= 8; ++n) {
        const QColor colore = pagina.pannello(n)->colore();
        esito += colore == QColor(255, 89, 89)  ? QLatin1Char('R')
                 : colore == QColor(0, 255, 64) ? QLatin1Char('G')
                                                : QLatin1Char('?');
    }
    return esito;
}
