#include "pages/PannelloPunto.h"

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
}

void PannelloPunto::impostaStato(bool acceso)
{
    QPalette tavolozza = palette();
    tavolozza.setColor(QPalette::Button, acceso ? coloreAcceso() : coloreSpento());
    tavolozza.setColor(QPalette::ButtonText, Qt::black);
    setPalette(tavolozza);
}

QColor PannelloPunto::colore() const
{
    return palette().color(QPalette::Button);
}
