#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// One pause of the conversation with the board, on the event loop: `finita` comes strictly
// after the nominal time, measured on a monotonic clock, and only a little after it. A timer
// may wake early or late by a millisecond: it is set a little short and the rest is slept.
class Pausa : public QObject
{
    Q_OBJECT
public:
    explicit Pausa(QObject *parent = nullptr);

    void avvia(int ms);
    void ferma();
    bool isAttiva() const { return m_timer.isActive() || m_attiva; }

signals:
    void finita();

private:
    void sveglia();

    QTimer m_timer;
    QElapsedTimer m_trascorso;
    qint64 m_limiteNs = 0;
    bool m_attiva = false;
};
