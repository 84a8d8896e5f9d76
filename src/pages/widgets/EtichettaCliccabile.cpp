#include "pages/widgets/EtichettaCliccabile.h"

#include "pages/widgets/CorniceFuoco.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

#include <algorithm>

EtichettaCliccabile::EtichettaCliccabile(const QString &testo, QWidget *parent)
    : QLabel(testo, parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    CorniceFuoco::disegnoProprio(this);
    // Room for the focus frame around the text.
    setContentsMargins(4, 2, 4, 2);
}

void EtichettaCliccabile::impostaMnemonico(int posizione)
{
    if (posizione < 0 || posizione >= text().size()) {
        return;
    }
    m_posizioneMnemonico = posizione;
    if (!m_scorciatoia) {
        m_scorciatoia = new QShortcut(this);
        m_scorciatoia->setContext(Qt::WindowShortcut);
        connect(m_scorciatoia, &QShortcut::activated, this, [this] {
            setFocus(Qt::ShortcutFocusReason);
            emit cliccata();
        });
    }
    const auto tasto = static_cast<Qt::Key>(text().at(posizione).toUpper().unicode());
    m_scorciatoia->setKey(QKeySequence(Qt::ALT | tasto));
    setToolTip(text() + QStringLiteral(" (") +
               m_scorciatoia->key().toString(QKeySequence::NativeText) + QLatin1Char(')'));
    update();
}

QKeySequence EtichettaCliccabile::mnemonico() const
{
    return m_scorciatoia ? m_scorciatoia->key() : QKeySequence();
}

void EtichettaCliccabile::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit cliccata();
    }
}

void EtichettaCliccabile::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            emit cliccata();
            return;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Left:
        focusNextPrevChild(false);
        return;
    case Qt::Key_Down:
    case Qt::Key_Right:
        focusNextPrevChild(true);
        return;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void EtichettaCliccabile::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    QPainter pittore(this);
    if (m_posizioneMnemonico >= 0 && m_posizioneMnemonico < text().size()) {
        // The whole text may already be underlined: the mnemonic gets a thicker bar below it.
        const QFontMetrics metriche(font());
        const QRect area = contentsRect();
        const int larghezzaTesto = metriche.horizontalAdvance(text());
        int x = area.left();
        if (alignment() & Qt::AlignHCenter) {
            x += (area.width() - larghezzaTesto) / 2;
        } else if (alignment() & Qt::AlignRight) {
            x += area.width() - larghezzaTesto;
        }
        x += metriche.horizontalAdvance(text().left(m_posizioneMnemonico));
        const int larghezza = metriche.horizontalAdvance(text().at(m_posizioneMnemonico));
        const int y = area.top() + (area.height() + metriche.height()) / 2 - 1;
        pittore.fillRect(QRect(x, std::min(y, height() - 2), larghezza, 2),
                         palette().color(foregroundRole()));
    }
    if (hasFocus()) {
        CorniceFuoco::disegna(pittore, rect(), palette());
    }
}
