#include "pages/PannelloPunto.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionFocusRect>
#include <QTextDocument>
#include <qdrawutil.h>

PannelloPunto::PannelloPunto(const QString &nome, QWidget *parent) : QPushButton(parent)
{
    setObjectName(nome);
    setMinimumSize(150, 48);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    QFont carattere = font();
    carattere.setBold(true);
    setFont(carattere);
    aggiornaSuggerimento();
}

void PannelloPunto::impostaNome(const QString &nome)
{
    m_nome = nome;
    // '&' would otherwise mark a shortcut and vanish from the caption.
    setText(QString(nome).replace(QLatin1Char('&'), QStringLiteral("&&")));
    aggiornaSuggerimento();
    update();
}

void PannelloPunto::aggiornaSuggerimento()
{
    QString stato;
    switch (m_stato) {
    case Stato::Acceso:
        stato = QStringLiteral("acceso");
        break;
    case Stato::Spento:
        stato = QStringLiteral("spento");
        break;
    case Stato::NonAttuale:
        stato = QStringLiteral("stato non aggiornato");
        break;
    case Stato::Ignoto:
        stato = QStringLiteral("stato non ancora letto");
        break;
    }
    QString testo = m_nome + QStringLiteral(": ") + stato;
    if (isInAttesa()) {
        testo += QStringLiteral(" (comando in corso)");
    }
    // As text, never as markup.
    setToolTip(Qt::convertFromPlainText(testo));
}

void PannelloPunto::impostaStato(bool acceso)
{
    QPalette tavolozza = palette();
    tavolozza.setColor(QPalette::Button, acceso ? coloreAcceso() : coloreSpento());
    tavolozza.setColor(QPalette::ButtonText, Qt::black);
    setPalette(tavolozza);
    m_stato = acceso ? Stato::Acceso : Stato::Spento;
    // A state that arrives after the command was written is its read-back.
    m_scritto = false;
    attesaCambiata();
}

void PannelloPunto::azzeraStato()
{
    setPalette(QPalette());
    m_stato = Stato::Ignoto;
    aggiornaSuggerimento();
}

void PannelloPunto::segnaNonAttuale()
{
    setPalette(QPalette());
    m_stato = Stato::NonAttuale;
    aggiornaSuggerimento();
}

EsitoInvio PannelloPunto::attesaComando()
{
    ++m_daScrivere;
    attesaCambiata();
    const QPointer<PannelloPunto> pannello(this);
    return EsitoInvio{[pannello] {
                          if (pannello) {
                              --pannello->m_daScrivere;
                              pannello->m_scritto = true;
                              pannello->attesaCambiata();
                          }
                      },
                      [pannello] {
                          if (pannello) {
                              --pannello->m_daScrivere;
                              pannello->attesaCambiata();
                          }
                      }};
}

EsitoInvio PannelloPunto::attesaRilettura()
{
    const QPointer<PannelloPunto> pannello(this);
    return EsitoInvio{{}, [pannello] {
                          if (pannello && pannello->m_daScrivere == 0) {
                              pannello->m_scritto = false;
                              pannello->attesaCambiata();
                          }
                      }};
}

void PannelloPunto::attesaCambiata()
{
    aggiornaSuggerimento();
    update();
}

void PannelloPunto::setSolaLettura(bool solaLettura)
{
    m_solaLettura = solaLettura;
    setFocusPolicy(solaLettura ? Qt::NoFocus : Qt::StrongFocus);
}

void PannelloPunto::mousePressEvent(QMouseEvent *event)
{
    if (m_solaLettura) {
        event->ignore();
        return;
    }
    QPushButton::mousePressEvent(event);
}

void PannelloPunto::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_solaLettura) {
        event->ignore();
        return;
    }
    QPushButton::mouseReleaseEvent(event);
}

void PannelloPunto::keyPressEvent(QKeyEvent *event)
{
    if (m_solaLettura) {
        event->ignore();
        return;
    }
    QPushButton::keyPressEvent(event);
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

    if (isInAttesa()) {
        // The pending mark: a dashed border inside the bevel and an hourglass in the corner.
        QPen tratteggio(Qt::black, 2, Qt::DashLine);
        pittore.setPen(tratteggio);
        pittore.setBrush(Qt::NoBrush);
        pittore.drawRect(area.adjusted(4, 4, -5, -5));
        pittore.setPen(palette().color(QPalette::ButtonText));
        pittore.drawText(area.adjusted(6, 4, -8, -4), Qt::AlignTop | Qt::AlignRight,
                         QString(QChar(0x231B)));
    }

    if (hasFocus()) {
        QStyleOptionFocusRect opzioni;
        opzioni.initFrom(this);
        opzioni.rect = area.adjusted(4, 4, -4, -4);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opzioni, &pittore, this);
    }
}
