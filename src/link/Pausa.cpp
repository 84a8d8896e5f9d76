#include "link/Pausa.h"

#include <QThread>

#include <algorithm>

Pausa::Pausa(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Pausa::sveglia);
}

namespace {

// A timer wakes up to a millisecond or two late: a long pause sets it this much short of the end
// and sleeps the rest, so it ends within microseconds of its time. Short pauses (tests' shortened
// timings) rely on the timer alone, so the thread is never held for long.
constexpr qint64 kAnticipoNs = 2000000;
constexpr qint64 kPausaLungaNs = 20000000;

int msAllaSveglia(qint64 restanteNs, qint64 totaleNs)
{
    const qint64 anticipo = totaleNs >= kPausaLungaNs ? kAnticipoNs : 0;
    return int(std::max<qint64>(0, restanteNs - anticipo) / 1000000);
}

} // namespace

void Pausa::avvia(int ms)
{
    m_limiteNs = qint64(std::max(0, ms)) * 1000000;
    m_trascorso.start();
    m_attiva = true;
    m_timer.start(msAllaSveglia(m_limiteNs, m_limiteNs));
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
    const int ms = msAllaSveglia(restanteNs, m_limiteNs);
    if (ms >= 1) {
        // Woken early: wait again.
        m_timer.start(ms);
        return;
    }
    if (restanteNs >= 0) {
        QThread::usleep(static_cast<unsigned long>(restanteNs / 1000 + 1));
    }
    m_attiva = false;
    emit finita();
}
