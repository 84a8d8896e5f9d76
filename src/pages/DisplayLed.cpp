#include "pages/DisplayLed.h"

DisplayLed::DisplayLed(const QString &nome, QWidget *parent) : QLCDNumber(parent)
{
    setObjectName(nome);
    setDigitCount(4);
    setSegmentStyle(QLCDNumber::Flat);
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setMinimumSize(90, 36);
    // Lit green segments on black, as the board's own displays.
    QPalette colori = palette();
    colori.setColor(QPalette::Window, Qt::black);
    colori.setColor(QPalette::WindowText, QColor(0, 255, 64));
    setPalette(colori);
    setAutoFillBackground(true);
    svuota();
}

void DisplayLed::mostra(const QString &testo)
{
    m_testo = testo;
    // Text the segments cannot draw must not spill: keep the digit count wide enough.
    if (testo.size() > digitCount()) {
        setDigitCount(static_cast<int>(testo.size()));
    }
    display(testo);
}

void DisplayLed::svuota()
{
    m_testo.clear();
    display(QString());
}
