#include "SimulatoreScheda.h"

#include "protocol/Protocollo.h"
#include "settings/LayoutIni.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A partial command older than this is abandoned: the panel never pauses this long in the
// middle of one, so the writer has gone away.
constexpr qint64 AbbandonoComandoMs = 3000;
// Idle output is held back while this much is still unread on the pseudo-terminal, so prompts
// do not pile up while no panel is reading.
constexpr int LimiteNonLetti = 1024;
constexpr qsizetype LimiteUscitaSeriale = 65536;

QString nomeLinea(bool tcp)
{
    // As the panel's traffic record names the two links.
    return tcp ? QStringLiteral("TCP") : QStringLiteral("SER");
}

QString scappa(const QByteArray &dati)
{
    QString testo;
    for (const char byte : dati) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '\r') {
            testo += QLatin1String("\\r");
        } else if (c == '\n') {
            testo += QLatin1String("\\n");
        } else if (c == '\\') {
            testo += QLatin1String("\\\\");
        } else if (c >= 0x20 && c < 0x7f) {
            testo += QLatin1Char(static_cast<char>(c));
        } else {
            testo += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        }
    }
    return testo;
}

bool rendiGrezzo(int fd, int baud)
{
    termios impostazioni{};
    if (tcgetattr(fd, &impostazioni) != 0) {
        return false;
    }
    cfmakeraw(&impostazioni);
    impostazioni.c_cflag |= CLOCAL | CREAD;
    if (baud > 0) {
        speed_t velocita = B38400;
        switch (baud) {
        case 4800:
            velocita = B4800;
            break;
        case 9600:
            velocita = B9600;
            break;
        case 19200:
            velocita = B19200;
            break;
        case 57600:
            velocita = B57600;
            break;
        case 115200:
            velocita = B115200;
            break;
        default:
            break;
        }
        cfsetispeed(&impostazioni, velocita);
        cfsetospeed(&impostazioni, velocita);
    }
    return tcsetattr(fd, TCSANOW, &impostazioni) == 0;
}

} // namespace

SimulatoreScheda::SimulatoreScheda(QObject *parent) : QObject(parent)
{
    m_orologio.start();
    // A coarse timer may fire 5 % early: the idle period is the board's, never shorter.
    m_timerPronto.setTimerType(Qt::PreciseTimer);
    m_timerPronto.setInterval(m_intervallo);
    connect(&m_timerPronto, &QTimer::timeout, this, &SimulatoreScheda::battito);
    m_timerPronto.start();
    m_timerDeriva.setInterval(1000);
    connect(&m_timerDeriva, &QTimer::timeout, this, [this] { m_scheda.deriva(); });
    m_timerDeriva.start();
}

SimulatoreScheda::~SimulatoreScheda()
{
    chiudiSeriale();
}

quint16 SimulatoreScheda::avviaTcp(const QHostAddress &indirizzo, quint16 porta)
{
    if (!m_server) {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &SimulatoreScheda::nuovoCliente);
    }
    if (m_server->isListening()) {
        m_server->close();
    }
    if (!m_server->listen(indirizzo, porta)) {
        m_errore = m_server->errorString();
        return 0;
    }
    return m_server->serverPort();
}

QString SimulatoreScheda::apriPty()
{
    chiudiSeriale();
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        m_errore = QString::fromLocal8Bit(std::strerror(errno));
        if (master >= 0) {
            ::close(master);
        }
        return {};
    }
    const char *nome = ptsname(master);
    const QString percorso = nome ? QString::fromLocal8Bit(nome) : QString();
    const int slave = percorso.isEmpty() ? -1 : ::open(nome, O_RDWR | O_NOCTTY);
    if (slave < 0 || !rendiGrezzo(slave, 0)) {
        m_errore = QString::fromLocal8Bit(std::strerror(errno));
        if (slave >= 0) {
            ::close(slave);
        }
        ::close(master);
        return {};
    }
    m_fdSlave = slave;
    if (!apriSerialeSuFd(master)) {
        chiudiSeriale();
        return {};
    }
    return percorso;
}

bool SimulatoreScheda::apriDispositivo(const QString &percorso, int baud)
{
    chiudiSeriale();
    const int fd = ::open(percorso.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || !rendiGrezzo(fd, baud)) {
        m_errore = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    return apriSerialeSuFd(fd);
}

bool SimulatoreScheda::apriSerialeSuFd(int fd)
{
    const int flag = fcntl(fd, F_GETFL);
    if (flag < 0 || fcntl(fd, F_SETFL, flag | O_NONBLOCK) != 0) {
        m_errore = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    m_fdSeriale = fd;
    m_lettoreSeriale.azzera();
    m_notificaLettura = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notificaLettura, &QSocketNotifier::activated, this, &SimulatoreScheda::leggiSeriale);
    m_notificaScrittura = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_notificaScrittura->setEnabled(false);
    connect(m_notificaScrittura, &QSocketNotifier::activated, this,
            &SimulatoreScheda::scriviSerialeInSospeso);
    return true;
}

void SimulatoreScheda::chiudiSeriale()
{
    delete m_notificaLettura;
    m_notificaLettura = nullptr;
    delete m_notificaScrittura;
    m_notificaScrittura = nullptr;
    if (m_fdSeriale >= 0) {
        ::close(m_fdSeriale);
        m_fdSeriale = -1;
    }
    if (m_fdSlave >= 0) {
        ::close(m_fdSlave);
        m_fdSlave = -1;
    }
    m_uscitaSeriale.clear();
}

void SimulatoreScheda::setIntervallo(int ms)
{
    m_intervallo = std::max(1, ms);
    m_timerPronto.start(m_intervallo);
}

void SimulatoreScheda::setDeriva(bool attiva)
{
    if (attiva) {
        m_timerDeriva.start();
    } else {
        m_timerDeriva.stop();
    }
}

bool SimulatoreScheda::setRegistro(const QString &percorso)
{
    m_registro.close();
    m_registro.setFileName(percorso);
    if (!m_registro.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        m_errore = m_registro.errorString();
        return false;
    }
    return true;
}

void SimulatoreScheda::chiudiConnessione()
{
    if (m_cliente) {
        m_cliente->flush();
        m_cliente->disconnectFromHost();
    }
}

bool SimulatoreScheda::isClienteConnesso() const
{
    return m_cliente && m_cliente->state() == QAbstractSocket::ConnectedState;
}

void SimulatoreScheda::nuovoCliente()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_cliente) {
            // One panel at a time: the newcomer wins.
            m_cliente->disconnect(this);
            m_cliente->abort();
            m_cliente->deleteLater();
        }
        m_cliente = socket;
        m_lettoreTcp.azzera();
        m_comandiTcp = 0;
        connect(socket, &QTcpSocket::readyRead, this, &SimulatoreScheda::leggiTcp);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            socket->deleteLater();
            if (socket == m_cliente) {
                m_lettoreTcp.azzera();
                emit clienteDisconnesso();
            }
        });
        emit clienteConnesso();
    }
}

void SimulatoreScheda::leggiTcp()
{
    if (m_cliente) {
        ricevi(Linea::Tcp, m_cliente->readAll());
    }
}

void SimulatoreScheda::leggiSeriale()
{
    QByteArray dati;
    char buffer[4096];
    while (true) {
        const ssize_t letti = ::read(m_fdSeriale, buffer, sizeof buffer);
        if (letti > 0) {
            dati.append(buffer, letti);
            continue;
        }
        if (letti < 0 && errno == EINTR) {
            continue;
        }
        if (letti == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            // The line is gone (device unplugged); stop polling it.
            m_errore = QString::fromLocal8Bit(std::strerror(letti == 0 ? EIO : errno));
            m_notificaLettura->setEnabled(false);
        }
        break;
    }
    if (!dati.isEmpty()) {
        ricevi(Linea::Seriale, dati);
    }
}

void SimulatoreScheda::scriviSerialeInSospeso()
{
    while (!m_uscitaSeriale.isEmpty() && m_fdSeriale >= 0) {
        const ssize_t scritti = ::write(m_fdSeriale, m_uscitaSeriale.constData(),
                                        static_cast<size_t>(m_uscitaSeriale.size()));
        if (scritti > 0) {
            m_uscitaSeriale.remove(0, scritti);
        } else if (scritti < 0 && errno == EINTR) {
            continue;
        } else {
            if (scritti < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                m_uscitaSeriale.clear();
            }
            break;
        }
    }
    if (m_notificaScrittura) {
        m_notificaScrittura->setEnabled(!m_uscitaSeriale.isEmpty());
    }
}

void SimulatoreScheda::ricevi(Linea linea, const QByteArray &dati)
{
    registra(linea, dati);
    m_ultimoRicevuto = m_orologio.elapsed();
    // Quiet while the panel is writing: a prompt in the middle of a command would be taken
    // as the answer to it.
    m_timerPronto.start(m_intervallo);
    emit datiRicevuti(dati);

    LettoreComandi &lettore = linea == Linea::Tcp ? m_lettoreTcp : m_lettoreSeriale;
    const QStringList comandi = lettore.aggiungi(dati);
    for (const QString &comando : comandi) {
        QString risposta = m_scheda.esegui(comando);
        // Switched on, the continuous output starts at once: its first round is the answer.
        if (comando == Protocollo::continuo().pezziSeriale.join(QString()) &&
            m_scheda.stato().continuo) {
            risposta = m_scheda.bloccoContinuo();
        }
        rispondi(linea, risposta);
        emit comandoEseguito(comando);
        if (linea == Linea::Tcp && m_chiudiDopo > 0 && ++m_comandiTcp >= m_chiudiDopo) {
            chiudiConnessione();
        }
    }
}

void SimulatoreScheda::rispondi(Linea linea, const QString &risposta)
{
    m_timerPronto.start(m_intervallo);
    if (m_risposteDaPerdere > 0) {
        --m_risposteDaPerdere;
        return;
    }
    QString testo = risposta;
    if (!m_muto) {
        testo += testo.isEmpty() ? QString(Protocollo::Pronto)
                                 : Protocollo::FineRiga + Protocollo::Pronto;
    }
    if (!testo.isEmpty()) {
        invia(linea, testo.toLatin1());
    }
}

void SimulatoreScheda::invia(Linea linea, const QByteArray &dati)
{
    if (linea == Linea::Tcp) {
        if (isClienteConnesso()) {
            m_cliente->write(dati);
        }
        return;
    }
    if (m_fdSeriale < 0) {
        return;
    }
    if (m_uscitaSeriale.size() + dati.size() > LimiteUscitaSeriale) {
        return;
    }
    m_uscitaSeriale += dati;
    scriviSerialeInSospeso();
}

void SimulatoreScheda::inviaATutti(const QByteArray &dati, bool facoltativo)
{
    invia(Linea::Tcp, dati);
    if (m_fdSeriale < 0) {
        return;
    }
    if (facoltativo) {
        int nonLetti = 0;
        const bool pieno = m_fdSlave >= 0 && ioctl(m_fdSlave, TIOCINQ, &nonLetti) == 0 &&
                           nonLetti > LimiteNonLetti;
        if (pieno || !m_uscitaSeriale.isEmpty()) {
            return;
        }
    }
    invia(Linea::Seriale, dati);
}

bool SimulatoreScheda::isInArrivo() const
{
    int tcp = 0;
    int seriale = 0;
    if (isClienteConnesso()) {
        const qintptr socket = m_cliente->socketDescriptor();
        if (m_cliente->bytesAvailable() > 0 ||
            (socket >= 0 && ioctl(int(socket), FIONREAD, &tcp) == 0 && tcp > 0)) {
            return true;
        }
    }
    // A line no longer polled has nothing coming in.
    return m_fdSeriale >= 0 && m_notificaLettura && m_notificaLettura->isEnabled() &&
           ioctl(m_fdSeriale, FIONREAD, &seriale) == 0 && seriale > 0;
}

void SimulatoreScheda::battito()
{
    // Like the board's own loop, what has come in is read before the idle prompt: a command
    // on its way is not abandoned for the time it spent waiting to be read, and a prompt
    // while it is there would cross it.
    if (isInArrivo()) {
        return;
    }
    const qint64 adesso = m_orologio.elapsed();
    if (m_lettoreTcp.isInCorso() || m_lettoreSeriale.isInCorso()) {
        if (adesso - m_ultimoRicevuto < AbbandonoComandoMs) {
            return;
        }
        m_lettoreTcp.azzera();
        m_lettoreSeriale.azzera();
    }
    QString testo;
    if (m_scheda.stato().continuo) {
        testo = m_scheda.bloccoContinuo() + Protocollo::FineRiga;
    }
    if (!m_muto) {
        testo += Protocollo::Pronto;
    }
    if (!testo.isEmpty()) {
        inviaATutti(testo.toLatin1(), true);
    }
    if (!m_muto) {
        emit prontoInviato();
    }
}

void SimulatoreScheda::registra(Linea linea, const QByteArray &dati)
{
    const qint64 ms = m_orologio.elapsed();
    const QString nome = nomeLinea(linea == Linea::Tcp);
    m_ricevuti.append(Blocco{ms, nome, dati});
    if (m_registro.isOpen()) {
        m_registro.write(QStringLiteral("%1 %2 %3\n").arg(ms).arg(nome, scappa(dati)).toUtf8());
        m_registro.flush();
    }
}
