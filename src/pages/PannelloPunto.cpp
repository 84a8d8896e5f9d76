#include "pages/PannelloPunto.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

PannelloPunto::PannelloPunto(const QString &nome, QWidget *parent) : QPushButton(parent)
{
    setObjectName(nome);
    setMinimumSize(150, 48);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    QFont carattere = font();
    carattere.setBold(true);
    setFont(carattere);
}

void PannelloPunto::impostaNome(const QString &nome)
{
    m_nome = nome;
    // '&' would otherwise mark a shortcut and vanish from the caption.
    setText(QString(nome).replace(QLatin1Char('&'), QStringLiteral("&&")));
    update();
}

void PannelloPunto::impostaStato(bool acceso)
{
    QPalette tavolozza = palette();
    tavolozza.setColor(QPalette::Button, acceso ? coloreAcceso() : coloreSpento());
    tavolozza.setColor(QPalette::ButtonText, Qt::black);
    setPalette(tavolozza);
}

void PannelloPunto::azzeraStato()
{
    setPalette(QPalette());
}

void PannelloPunto::setSolaLettura(bool solaLettura)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, solaLettura);
    setFocusPolicy(solaLettura ? Qt::NoFocus : Qt::StrongFocus);
}

QColor PannelloPunto::colore() const
{
    return palette().color(QPalette::Button);
}

// Painted by hand: styles shade a button's face with gradients, and the operator must see
// the state colour itself.
void PannelloPunto::paintEvent(QPaintEvent *)
{
    QPainter pittore(this);
    const QRect area = rect();
    pittore.fillRect(area, colore());
    qDrawShadePanel(&pittore, area, palette(), isDown(), 2);

    pittore.setPen(palette().color(QPalette::ButtonText));
    pittore.setFont(font());
    const QRect testo = area.adjusted(6, 4, -6, -4).translated(isDown() ? QPoint(1, 1) : QPoint());
    pittore.drawText(testo, Qt::AlignCenter | Qt::TextWordWrap, m_nome);

    if (hasFocus()) {
        QStyleOptionFocusRect opzioni;
        opzioni.initFrom(this);
        opzioni.rect = area.adjusted(4, 4, -4, -4);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opzioni, &pittore, this);
    }
}
