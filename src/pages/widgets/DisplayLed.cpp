#include "pages/widgets/DisplayLed.h"

#include <QPainter>
#include <QPointer>

#include <algorithm>

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
    setPalette(colori);
    impostaColore(coloreAcceso());
    setAutoFillBackground(true);
    svuota();
}

void DisplayLed::impostaColore(const QColor &colore)
{
    QPalette colori = palette();
    colori.setColor(QPalette::WindowText, colore);
    setPalette(colori);
}

void DisplayLed::segnaNonAttuale()
{
    m_nonAttuale = true;
    impostaColore(coloreAttenuato());
    if (m_testo.isEmpty()) {
        display(QStringLiteral("---"));
    }
}

void DisplayLed::mostra(const QString &testo)
{
    if (m_nonAttuale) {
        m_nonAttuale = false;
        impostaColore(coloreAcceso());
    }
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

EsitoInvio DisplayLed::attesaComando()
{
    ++m_inAttesa;
    update();
    const QPointer<DisplayLed> display(this);
    const auto fine = [display] {
        if (display) {
            display->fineAttesa();
        }
    };
    return EsitoInvio{fine, fine};
}

void DisplayLed::fineAttesa()
{
    m_inAttesa = std::max(0, m_inAttesa - 1);
    update();
}

void DisplayLed::paintEvent(QPaintEvent *event)
{
    QLCDNumber::paintEvent(event);
    if (!isInAttesa()) {
        return;
    }
    QPainter pittore(this);
    pittore.setPen(QPen(QColor(255, 220, 0), 2, Qt::DashLine));
    pittore.setBrush(Qt::NoBrush);
    pittore.drawRect(rect().adjusted(2, 2, -3, -3));
}
