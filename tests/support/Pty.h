#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QSocketNotifier;

// A pseudo-terminal pair in raw mode: the port under test opens the slave, the test plays the
// board on the master and collects what the port wrote.
class Pty
{
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isValido() const { return m_master >= 0 && !m_nome.isEmpty(); }
    QString nome() const { return m_nome; }
    int slave() const { return m_slave; }
    int master() const { return m_master; }
    // Everything read on the master so far.
    const QByteArray &letti() const { return m_letti; }
    bool scrivi(const QByteArray &dati);
    // Writes as much of `dati` as the line takes now; returns how much, -1 on error.
    qsizetype scriviParte(QByteArrayView dati);
    // The board goes away: the slave side sees the line hang up.
    void chiudiMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_nome;
    QByteArray m_letti;
    std::unique_ptr<QSocketNotifier> m_lettore;
};
