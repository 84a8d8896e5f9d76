#pragma once

#include <QObject>
#include <QPointer>

class QFocusFrame;
class QPainter;
class QPalette;
class QRect;
class QWidget;

// A clear focus frame: two pixels of the highlight colour around whatever control of its
// window has the keyboard focus. Styles draw focus as a faint dotted line, or only after a
// Tab; an operator working by keyboard must see where he is at a glance.
class CorniceFuoco : public QObject
{
    Q_OBJECT
public:
    // Follows the focus among the controls of `finestra`.
    explicit CorniceFuoco(QWidget *finestra);
    ~CorniceFuoco() override;

    // The frame drawn inside `area`, for the controls that paint their own focus.
    static void disegna(QPainter &pittore, const QRect &area, const QPalette &tavolozza);
    // `controllo` paints the frame itself (inside its own area) and gets no outer one.
    static void disegnoProprio(QWidget *controllo);

    // The control framed now; null when none.
    QWidget *controllo() const;

private:
    void segui(QWidget *controllo);

    QPointer<QWidget> m_finestra;
    // Lives beside the framed control, so it goes when that control's parent goes.
    QPointer<QFocusFrame> m_cornice;
};
