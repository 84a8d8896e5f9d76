#include "link/Pausa.h"

#include <QThread>

#include <algorithm>

Pausa::Pausa(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Pausa::sveglia);
}

void Pausa::avvia(int ms)
{
    m_limiteNs = qint64(std::max(0, ms)) * 1000000;
    m_trascorso.start();
    m_attiva = true;
    m_timer.start(std::max(0, ms));
}

void Pausa::ferma()
{
    m_attiva = false;
    m_timer.stop();
}

void Pausa::sveglia()
{
    if (!m_attiva) {
        return;
    }
    const qint64 restanteNs = m_limiteNs - m_trascorso.nsecsElapsed();
    if (restanteNs >= 1000000) {
        m_timer.start(int(restanteNs / 1000000));
        return;
    }
    if (restanteNs >= 0) {
        // The timer counts whole milliseconds: the last fraction is slept, so the pause ends
        // within microseconds of its time instead of up to a millisecond late.
        QThread::usleep(static_cast<unsigned long>(restanteNs / 1000 + 1));
    }
    m_attiva = false;
    emit finita();
}
