#pragma once

#include "pages/widgets/PannelloPunto.h"

#include <QColor>
#include <QPalette>
#include <QPushButton>
#include <QString>
#include <QTextDocumentFragment>

// A page's eight point panels as letters, point 1 first: "R" the light red of a point that is
// on, "G" the green of one that is off, "-" the window's colour (not read yet, or no longer
// current), "?" any other colour.
template <typename Pagina> QString colori(const Pagina &pagina)
{
    const QColor finestra = QPushButton().palette().color(QPalette::Button);
    QString esito;
    for (int n = 1; n <= 8; ++n) {
        const QColor colore = pagina.pannello(n)->colore();
        esito += colore == PannelloPunto::coloreAcceso()   ? QLatin1Char('R')
                 : colore == PannelloPunto::coloreSpento() ? QLatin1Char('G')
                 : colore == finestra                      ? QLatin1Char('-')
                                                           : QLatin1Char('?');
    }
    return esito;
}

// A panel's tooltip as the operator reads it.
inline QString testoSuggerimento(const PannelloPunto &pannello)
{
    return QTextDocumentFragment::fromHtml(pannello.toolTip())
        .toPlainText()
        .replace(QChar(0xA0), QLatin1Char(' '));
}
