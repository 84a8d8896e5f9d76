#include "pages/widgets/GestisciTastoValore.h"

#include "pages/widgets/DisplayLed.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>

namespace {

constexpr int kMassimoCaratteri = 3;
constexpr int kMassimoPercentuale = 100;

// Routes the box's key presses through GestisciTastoValore.
class FiltroTastoValore : public QObject
{
public:
    FiltroTastoValore(QLineEdit *casella, QAbstractButton *invio, QSpinBox *spinner,
                      DisplayLed *display)
        : QObject(casella), m_casella(casella), m_invio(invio), m_spinner(spinner),
          m_display(display)
    {
    }

protected:
    bool eventFilter(QObject *oggetto, QEvent *evento) override
    {
        if (oggetto == m_casella && evento->type() == QEvent::KeyPress) {
            const auto *tasto = static_cast<const QKeyEvent *>(evento);
            return !GestisciTastoValore(m_casella, tasto, m_invio, m_spinner, m_display);
        }
        return false;
    }

private:
    QLineEdit *m_casella;
    QAbstractButton *m_invio;
    QSpinBox *m_spinner;
    DisplayLed *m_display;
};

bool isInvio(const QKeyEvent *tasto)
{
    return tasto->key() == Qt::Key_Return || tasto->key() == Qt::Key_Enter;
}

bool isCifra(const QKeyEvent *tasto)
{
    const QString testo = tasto->text();
    return testo.size() == 1 && testo.at(0) >= QLatin1Char('0') && testo.at(0) <= QLatin1Char('9');
}

} // namespace

bool isTastoDiServizio(const QKeyEvent *tasto)
{
    switch (tasto->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Delete:
        return true;
    default:
        return false;
    }
}

bool GestisciTastoValore(QLineEdit *casella, const QKeyEvent *tasto, QAbstractButton *invio,
                         QSpinBox *spinner, DisplayLed *display)
{
    const QString testo = casella->text();
    // Keys that type no character (focus, cursor, Delete) work as in any box.
    if (isTastoDiServizio(tasto)) {
        return true;
    }
    if (isInvio(tasto)) {
        QString valore = testo.isEmpty() ? QStringLiteral("0") : testo;
        // Only digits ever get in, at most three of them, so the text is a small number.
        if (valore.toInt() > kMassimoPercentuale) {
            valore = QString::number(kMassimoPercentuale);
        }
        display->mostra(valore);
        spinner->setValue(valore.toInt());
        invio->click();
        return false;
    }
    if (isCifra(tasto) || tasto->key() == Qt::Key_Backspace) {
        return testo.size() <= kMassimoCaratteri;
    }
    return false;
}

void collegaTastoValore(QLineEdit *casella, QAbstractButton *invio, QSpinBox *spinner,
                        DisplayLed *display)
{
    casella->setMaxLength(kMassimoCaratteri);
    // Only typed digits may get in: no pasting or dropping through the mouse.
    casella->setContextMenuPolicy(Qt::NoContextMenu);
    casella->setDragEnabled(false);
    casella->setAcceptDrops(false);
    casella->installEventFilter(new FiltroTastoValore(casella, invio, spinner, display));
}
