#include "link/TrasportoTcp.h"

#include "core/Errori.h"
#include "core/TestoStato.h"
#include "core/ValoriProgramma.h"
#include "link/Comando.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "settings/Utilita.h"

#include <QScopedValueRollback>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>
#include <utility>

namespace {

// The system's code for a socket error, as the operator's error box reports it.
int codiceSistema(QAbstractSocket::SocketError errore)
{
    switch (errore) {
    case QAbstractSocket::ConnectionRefusedError:
        return ECONNREFUSED;
    case QAbstractSocket::HostNotFoundError:
        return EHOSTUNREACH;
    case QAbstractSocket::SocketTimeoutError:
        return ETIMEDOUT;
    case QAbstractSocket::NetworkError:
        return ENETUNREACH;
    case QAbstractSocket::SocketAccessError:
        return EACCES;
    default:
        return static_cast<int>(errore);
    }
}

// The second line of a socket error: what was tried and what to check.
QString motivoErroreSocket(QAbstractSocket::SocketError errore, const QString &host,
                           const QString &porta, const QString &testoSistema)
{
    const QString indirizzo = host + QLatin1Char(':') + porta;
    switch (errore) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Connessione rifiutata da %1: la scheda è accesa e in ascolto su "
                              "questa porta?")
            .arg(indirizzo);
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("Indirizzo %1 non trovato: controllare l'indirizzo IP.").arg(host);
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("Nessuna risposta da %1: la scheda è raggiungibile in rete?")
            .arg(indirizzo);
    case QAbstractSocket::NetworkError:
        return QStringLiteral("Rete non raggiungibile verso %1: controllare il cavo o la rete.")
            .arg(indirizzo);
    default:
        return QStringLiteral("Collegamento con %1 non riuscito (%2).")
            .arg(indirizzo, testoSistema);
    }
}

} // namespace

TrasportoTcp::TrasportoTcp(const ValoriProgramma &valori, TestoStato &testoStato,
                           const Temporizzazioni &tempi, QObject *parent)
    : Trasporto(QStringLiteral("TCP"), testoStato, tempi, parent), m_valori(valori)
{
}

QTcpSocket &TrasportoTcp::clientSocket()
{
    if (!m_socket) {
        m_socket = new QTcpSocket(this);
        m_socket->setObjectName(QStringLiteral("ClientSocket"));
        connect(m_socket, &QTcpSocket::connected, this, &TrasportoTcp::ClientSocketConnect);
        connect(m_socket, &QTcpSocket::disconnected, this, &TrasportoTcp::ClientSocketDisconnect);
        connect(m_socket, &QTcpSocket::errorOccurred, this, &TrasportoTcp::ClientSocketError);
        connect(m_socket, &QTcpSocket::readyRead, this, &TrasportoTcp::leggi);
        connect(m_socket, &QTcpSocket::stateChanged, this, &Trasporto::statoCambiato);
    }
    return *m_socket;
}

bool TrasportoTcp::isGiu() const
{
    return !m_socket || m_socket->state() == QAbstractSocket::UnconnectedState;
}

void TrasportoTcp::setIndirizzo(const QString &ip, const QString &porta)
{
    m_ip = ip;
    m_porta = porta;
}

QString TrasportoTcp::ipSalvato() const
{
    return LeggiIni(m_valori.filePorte, LayoutIni::kSezTcp, LayoutIni::kChiaveIp);
}

QString TrasportoTcp::portaSalvata() const
{
    return LeggiIni(m_valori.filePorte, LayoutIni::kSezTcp, LayoutIni::kChiavePortaTcp);
}

QString TrasportoTcp::caricaImpostazioni()
{
    const QString ip = ipSalvato();
    const QString porta = portaSalvata();
    if (ip == kErrore || porta == kErrore || ip.isEmpty() || porta.isEmpty()) {
        return QStringLiteral("%1: mancano IP o Porta nella sezione [TCP]").arg(m_valori.filePorte);
    }
    setIndirizzo(ip, porta);
    return {};
}

QString TrasportoTcp::descrizione() const
{
    return QStringLiteral("TCP %1:%2").arg(m_ip, m_porta);
}

bool TrasportoTcp::salva()
{
    SalvataggioIni salvataggio(m_valori.filePorte);
    salvataggio.scrivi(LayoutIni::kSezTipo, LayoutIni::kChiaveCollegamento, QStringLiteral("1"));
    salvataggio.scrivi(LayoutIni::kSezTcp, LayoutIni::kChiaveIp, m_ip);
    salvataggio.scrivi(LayoutIni::kSezTcp, LayoutIni::kChiavePortaTcp, m_porta);
    const bool salvato = salvataggio.concludi();
    if (!salvato) {
        emit avviso(salvataggio.errore());
    }

    // A connection, made or under way, to another address than the one just saved is closed,
    // so the next page entry connects to the new one.
    if (isGiu() || (m_hostTentato == m_ip && m_portaTentata == m_porta.trimmed())) {
        return salvato;
    }
    abbandona();
    testoStato().impostaTesto(0, QStringLiteral("Connessione TCP chiusa: nuove impostazioni"));
    return salvato;
}

void TrasportoTcp::avvia()
{
    if (!m_socketAttivo) {
        ConnettiTcp(m_ip, m_porta);
    }
}

void TrasportoTcp::chiudi()
{
    if (!isGiu()) {
        abbandona();
    }
}

void TrasportoTcp::abbandona()
{
    QScopedValueRollback voluta(m_chiusuraVoluta, true);
    if (m_socket) {
        m_socket->abort();
    }
    m_socketAttivo = false;
}

void TrasportoTcp::ConnettiTcp(const QString &host, const QString &porta)
{
    if (host.isEmpty() || porta.isEmpty()) {
        emit messaggio(
            QStringLiteral("Attenzione. Dati non Corretti\n") +
            (host.isEmpty() ? QStringLiteral("Manca l'indirizzo IP della scheda: scriverlo nel "
                                             "campo IP (Collegamento > TCP/IP) e salvare.")
                            : QStringLiteral("Manca la porta della scheda per %1: scriverla nel "
                                             "campo Porta (Collegamento > TCP/IP) e salvare.")
                                  .arg(host)));
        return;
    }
    testoStato().impostaTesto(0, QStringLiteral("Connessione in corso ......."));
    int numeroPorta = -1;
    try {
        numeroPorta = StrToInt(porta);
    } catch (const ErroreConversione &) {
    }
    if (numeroPorta < 0 || numeroPorta > 65535) {
        emit messaggio(
            QStringLiteral("Attenzione. Porta non conforme\n") +
            QStringLiteral("\"%1\" non è un numero di porta da 0 a 65535.").arg(porta));
        return;
    }
    // A half-open attempt from before gives way to the new one.
    abbandona();
    m_hostTentato = host;
    m_portaTentata = QString::number(numeroPorta);
    clientSocket().connectToHost(host, static_cast<quint16>(numeroPorta));
}

void TrasportoTcp::ClientSocketConnect()
{
    m_socketAttivo = true;
    // Commands go out one character every 50 ms; Nagle's algorithm would bunch them up on
    // any link slower than loopback.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    bool pulito = false;
    for (QString *campo : {&m_ip, &m_porta}) {
        if (campo->toUpper() == kErrore) {
            campo->clear();
            pulito = true;
        }
    }
    if (pulito) {
        emit indirizzoCambiato(m_ip, m_porta);
    }
    testoStato().impostaTesto(0, QStringLiteral("Connessione TCP Attiva --  IP: ") + m_ip +
                                     QStringLiteral("  Porta: ") + m_porta);
    emit aperto();
}

void TrasportoTcp::ClientSocketDisconnect()
{
    const bool eraAttivo = std::exchange(m_socketAttivo, false);
    if (eraAttivo && !m_chiusuraVoluta) {
        emit perso();
    }
}

void TrasportoTcp::ClientSocketError()
{
    if (m_chiusuraVoluta) {
        return;
    }
    const bool eraAttivo = std::exchange(m_socketAttivo, false);
    testoStato().impostaTesto(0,
                              QStringLiteral("Attenzione Connessione non effettuata. Verificare!"));
    if (eraAttivo) {
        emit perso();
    }
    // Qt reports the board closing its end (even by a reset) as an error too. That is an
    // ordinary end of the session: the status shows the link is down, no error box, and the
    // next page entry connects again.
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError) {
        return;
    }
    const QString testo =
        QStringLiteral("Asynchronous socket error %1\n").arg(codiceSistema(m_socket->error())) +
        motivoErroreSocket(m_socket->error(), m_hostTentato, m_portaTentata,
                           m_socket->errorString());
    // Shown once the socket's own notification has returned, never from inside it.
    QTimer::singleShot(0, this, [this, testo] { emit errore(testo); });
}

void TrasportoTcp::leggi()
{
    const QByteArray dati = m_socket->readAll();
    if (!dati.isEmpty()) {
        emit datiRicevuti(dati);
    }
}

QList<Trasporto::Pezzo> TrasportoTcp::pezzi(const Comando &comando) const
{
    QList<Pezzo> elenco;
    elenco.reserve(comando.tcp.size());
    for (const QChar c : comando.tcp) {
        elenco.append({QByteArray(1, c.toLatin1()), tempi().carattereTcpMs});
    }
    return elenco;
}

QList<Trasporto::Pezzo> TrasportoTcp::pezziDiretti(const QString &testo) const
{
    // A field written without a prompt: the board takes the next one only after a serial
    // piece's pause, as on the serial line.
    Comando campo;
    campo.tcp = testo;
    QList<Pezzo> elenco = pezzi(campo);
    if (!elenco.isEmpty()) {
        elenco.last().pausaMs += tempi().pezzoMs;
    }
    return elenco;
}

bool TrasportoTcp::scriviPezzo(const QByteArray &dati)
{
    // An unconnected socket takes nothing: the character is lost.
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        return false;
    }
    if (m_socket->write(dati) < 0) {
        const QString testo = QStringLiteral("Windows socket error: %1 (%2), on API 'send'")
                                  .arg(m_socket->errorString())
                                  .arg(static_cast<int>(m_socket->error()));
        QTimer::singleShot(0, this, [this, testo] { emit errore(testo); });
        return false;
    }
    // Out now, not at the event loop's next turn: the pause is counted from here.
    m_socket->flush();
    return true;
}
