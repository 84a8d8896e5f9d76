#include "pages/widgets/PannelloPunto.h"

#include "pages/widgets/CorniceFuoco.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QTextDocument>
#include <QTextLayout>
#include <qdrawutil.h>

#include <algorithm>

namespace {

constexpr QSize kDimensioneMinima(150, 48);
// A larger panel carries a larger caption: its font is a seventh of the panel's height, never
// smaller than the panel's own font nor more than twice it.
constexpr int kAltezzePerRiga = 7;
constexpr double kCrescitaMassima = 2.0;
// The state mark ("ON", "OFF") in the bottom corner, just inside the bevel: a ninth of the
// panel's height, never under 8 pixels.
constexpr int kAltezzePerSigla = 9;
constexpr int kAltezzaSiglaMinima = 8;
constexpr int kMargineSigla = 3;

} // namespace

PannelloPunto::PannelloPunto(const QString &nome, QWidget *parent) : QPushButton(parent)
{
    setObjectName(nome);
    setMinimumSize(kDimensioneMinima);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    QFont carattere = font();
    carattere.setBold(true);
    setFont(carattere);
    CorniceFuoco::disegnoProprio(this);
    aggiornaSuggerimento();
}

void PannelloPunto::impostaNome(const QString &nome)
{
    m_nome = nome;
    QString accorciato = nome.left(MassimoCaratteriMostrati);
    // '&' would otherwise mark a shortcut and vanish from the caption.
    setText(accorciato.replace(QLatin1Char('&'), QStringLiteral("&&")));
    aggiornaSuggerimento();
    m_righeValide = false;
    update();
}

QString PannelloPunto::sigla() const
{
    switch (m_stato) {
    case Stato::Acceso:
        return QStringLiteral("ON");
    case Stato::Spento:
        return QStringLiteral("OFF");
    case Stato::NonAttuale:
    case Stato::Ignoto:
        break;
    }
    return {};
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
    // A screen reader hears the state with the name, as the eye sees it by colour and mark.
    setAccessibleName(testo);
    if (isInAttesa()) {
        testo += QStringLiteral(" (comando in corso)");
    }
    // As text, never as markup.
    setToolTip(Qt::convertFromPlainText(testo));
}

// The button's own hint grows with its text; the panels of a page must stay equal whatever
// their names.
QSize PannelloPunto::sizeHint() const
{
    return kDimensioneMinima;
}

QSize PannelloPunto::minimumSizeHint() const
{
    return kDimensioneMinima;
}

QFont PannelloPunto::carattereSigla() const
{
    QFont carattere = font();
    carattere.setPixelSize(std::max(kAltezzaSiglaMinima, height() / kAltezzePerSigla));
    return carattere;
}

QRect PannelloPunto::areaSigla() const
{
    const int altezza = QFontMetrics(carattereSigla()).height();
    return QRect(6, height() - kMargineSigla - altezza, width() - 12, altezza);
}

QRect PannelloPunto::areaTesto() const
{
    // The caption keeps clear of the state mark under it.
    return rect().adjusted(6, 4, -6, -kMargineSigla - areaSigla().height());
}

QStringList PannelloPunto::righeMostrate() const
{
    if (m_righeValide) {
        return m_righe;
    }
    m_righe.clear();
    m_righeValide = true;
    m_carattere = font();
    const int proprio = QFontInfo(m_carattere).pixelSize();
    const int voluto = std::min(height() / kAltezzePerRiga, int(proprio * kCrescitaMassima));
    if (voluto > proprio) {
        m_carattere.setPixelSize(voluto);
    }
    QString testo = m_nome.left(MassimoCaratteriMostrati);
    if (m_nome.size() > MassimoCaratteriMostrati) {
        testo += QChar(0x2026);
    }
    const QRect area = areaTesto();
    if (testo.isEmpty() || area.width() <= 0) {
        return m_righe;
    }
    const QFontMetrics metriche(m_carattere);
    const int righeMassime = std::max(1, area.height() / metriche.lineSpacing());
    QTextLayout impaginazione(testo, m_carattere);
    QTextOption opzioni;
    opzioni.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    impaginazione.setTextOption(opzioni);
    impaginazione.beginLayout();
    while (m_righe.size() < righeMassime) {
        QTextLine riga = impaginazione.createLine();
        if (!riga.isValid()) {
            break;
        }
        riga.setLineWidth(area.width());
        if (m_righe.size() + 1 == righeMassime &&
            riga.textStart() + riga.textLength() < testo.size()) {
            // The last line that fits carries the rest, cut with an ellipsis.
            m_righe << metriche.elidedText(testo.mid(riga.textStart()), Qt::ElideRight,
                                           area.width());
            break;
        }
        m_righe << testo.mid(riga.textStart(), riga.textLength()).trimmed();
    }
    impaginazione.endLayout();
    return m_righe;
}

void PannelloPunto::resizeEvent(QResizeEvent *event)
{
    m_righeValide = false;
    QPushButton::resizeEvent(event);
}

void PannelloPunto::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        m_righeValide = false;
    }
    QPushButton::changeEvent(event);
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
    const QStringList righe = righeMostrate();
    pittore.setFont(m_carattere);
    const QRect testo = areaTesto().translated(isDown() ? QPoint(1, 1) : QPoint());
    const int interlinea = QFontMetrics(m_carattere).lineSpacing();
    QRect riga(testo.left(), testo.center().y() - int(righe.size()) * interlinea / 2 + 1,
               testo.width(), interlinea);
    for (const QString &testoRiga : righe) {
        pittore.drawText(riga, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, testoRiga);
        riga.translate(0, interlinea);
    }

    // The state in words too: red and green alone are one colour to many eyes.
    if (const QString testoSigla = sigla(); !testoSigla.isEmpty()) {
        pittore.setFont(carattereSigla());
        pittore.drawText(areaSigla(), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                         testoSigla);
    }

    if (isInAttesa()) {
        // The pending mark: a dashed border inside the bevel and an hourglass in the corner.
        QPen tratteggio(Qt::black, 2, Qt::DashLine);
        pittore.setPen(tratteggio);
        pittore.setBrush(Qt::NoBrush);
        pittore.drawRect(area.adjusted(4, 4, -5, -5));
        // Drawn, not a glyph: not every font has an hourglass.
        const QRect clessidra(area.right() - 17, area.top() + 8, 9, 13);
        const QPolygon sabbia({clessidra.topLeft(), clessidra.topRight(), clessidra.center(),
                               clessidra.bottomRight(), clessidra.bottomLeft(),
                               clessidra.center()});
        pittore.setPen(QPen(Qt::black, 1));
        pittore.setBrush(Qt::black);
        pittore.drawPolygon(sabbia);
        pittore.setBrush(Qt::NoBrush);
    }

    if (hasFocus()) {
        // Inside the bevel, thick, in the highlight colour: seen on red and on green.
        CorniceFuoco::disegna(pittore, area.adjusted(2, 2, -2, -2), palette());
    }
}
