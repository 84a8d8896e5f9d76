#include "Pty.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

Pty::Pty()
{
    char nome[256] = {};
    if (openpty(&m_master, &m_slave, nome, nullptr, nullptr) != 0) {
        return;
    }
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    tcsetattr(m_slave, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_nome = QString::fromLocal8Bit(nome);
    m_lettore = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_lettore.get(), &QSocketNotifier::activated, [this] {
        char blocco[4096];
        ssize_t n = 0;
        while ((n = ::read(m_master, blocco, sizeof blocco)) > 0) {
            m_letti.append(blocco, qsizetype(n));
        }
    });
}

Pty::~Pty()
{
    chiudiMaster();
    if (m_slave >= 0) {
        ::close(m_slave);
    }
}

bool Pty::scrivi(const QByteArray &dati)
{
    return ::write(m_master, dati.constData(), size_t(dati.size())) == dati.size();
}

qsizetype Pty::scriviParte(QByteArrayView dati)
{
    const ssize_t scritti = ::write(m_master, dati.data(), size_t(dati.size()));
    return scritti < 0 && errno == EAGAIN ? 0 : qsizetype(scritti);
}

void Pty::chiudiMaster()
{
    m_lettore.reset();
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}
