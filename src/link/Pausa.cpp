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

// A timer wakes up to a millisecond or so late: it is set this much short of the end, and the
// rest is slept, so the pause ends within microseconds of its time.
constexpr qint64 kAnticipoNs = 2000000;

int msPrimaDellaFine(qint64 restanteNs)
{
    return int(std::max<qint64>(0, restanteNs - kAnticipoNs) / 1000000);
}

} // namespace

void Pausa::avvia(int ms)
{
    m_limiteNs = qint64(std::max(0, ms)) * 1000000;
    m_trascorso.start();
    m_attiva = true;
    m_timer.start(msPrimaDellaFine(m_limiteNs));
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
    if (restanteNs > kAnticipoNs + 1000000) {
        // Woken well early: wait again.
        m_timer.start(msPrimaDellaFine(restanteNs));
        return;
    }
    if (restanteNs >= 0) {
        QThread::usleep(static_cast<unsigned long>(restanteNs / 1000 + 1));
    }
    m_attiva = false;
    emit finita();
}
