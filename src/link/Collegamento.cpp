#include "link/Collegamento.h"

#include "core/Errori.h"
#include "core/TestoStato.h"
#include "core/ValoriProgramma.h"
#include "link/DispositiviSeriali.h"
#include "link/Seriale.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "settings/Utilita.h"

#include <QScopedValueRollback>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>
#include <limits>
#include <utility>

namespace {

// Speeds of the hidden speed group, item 1 first.
const QStringList kVelocita = {QStringLiteral("4800"), QStringLiteral("9600"),
                               QStringLiteral("19200"), QStringLiteral("38400")};

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

// Item number (from 1) to item index. The groups clamp any index below -1 to no selection, so
// the smallest int, which has no predecessor, stays as it is.
int indiceVoce(int numero)
{
    return numero == std::numeric_limits<int>::min() ? numero : numero - 1;
}

} // namespace

Collegamento::Collegamento(ValoriProgramma &valori, TestoStato &testoStato,
                           std::function<int()> paginaAttiva, QObject *parent)
    : QObject(parent), m_valori(valori), m_testoStato(testoStato),
      m_paginaAttiva(std::move(paginaAttiva)), m_seriale(new Seriale(this)),
      m_socket(new QTcpSocket(this))
{
    m_seriale->setObjectName(QStringLiteral("Seriale"));
    m_socket->setObjectName(QStringLiteral("ClientSocket"));
    connect(m_socket, &QTcpSocket::connected, this, &Collegamento::ClientSocketConnect);
    connect(m_socket, &QTcpSocket::disconnected, this, &Collegamento::ClientSocketDisconnect);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &Collegamento::ClientSocketError);
    connect(m_seriale, &Seriale::chiusa, this, &Collegamento::serialeChiusa);
}

bool Collegamento::collegamentoAttivo() const
{
    if (m_valori.tipoCollegamento == TipoCollegamento::Tcp) {
        return m_socketAttivo;
    }
    if (m_valori.tipoCollegamento == TipoCollegamento::Seriale) {
        return m_seriale->isOpen();
    }
    return false;
}

bool Collegamento::collegamentoGiu() const
{
    if (m_valori.tipoCollegamento == TipoCollegamento::Tcp) {
        return m_socket->state() == QAbstractSocket::UnconnectedState;
    }
    if (m_valori.tipoCollegamento == TipoCollegamento::Seriale) {
        return !m_seriale->isOpen();
    }
    return true;
}

void Collegamento::serialeChiusa()
{
    // The status text follows the port, also when the device goes away on its own.
    if (m_valori.tipoCollegamento == TipoCollegamento::Seriale) {
        MostraStatoSeriale();
    }
    if (!m_chiusuraVoluta) {
        m_perso = true;
        emit collegamentoPerso();
    }
}

QString Collegamento::leggiPorte(const QString &sezione, const QString &chiave) const
{
    return LeggiIni(m_valori.filePorte, sezione, chiave);
}

TipoCollegamento Collegamento::tipoSalvato() const
{
    const QString collegamento = leggiPorte(LayoutIni::kSezTipo, LayoutIni::kChiaveCollegamento);
    if (collegamento == QLatin1String("0")) {
        return TipoCollegamento::Seriale;
    }
    if (collegamento == QLatin1String("1")) {
        return TipoCollegamento::Tcp;
    }
    return TipoCollegamento::Nessuno;
}

SceltaSeriale Collegamento::sceltaSerialeSalvata() const
{
    QString numero = leggiPorte(LayoutIni::kSezPorta, LayoutIni::kChiaveNumero);
    QString velocita = leggiPorte(LayoutIni::kSezPorta, LayoutIni::kChiaveVelocita);
    if (numero.toUpper() == kErrore) {
        numero = QStringLiteral("1");
    }
    if (velocita.toUpper() == kErrore) {
        velocita = QStringLiteral("1");
    } else if (const qsizetype voce = kVelocita.indexOf(velocita); voce >= 0) {
        velocita = QString::number(voce + 1);
    }
    SceltaSeriale scelta;
    scelta.indiceNumero = indiceVoce(StrToInt(numero));
    scelta.indiceVelocita = indiceVoce(StrToInt(velocita));
    scelta.dispositivo = leggiPorte(LayoutIni::kSezPorta, LayoutIni::kChiaveDispositivo);
    if (scelta.dispositivo == kErrore) {
        scelta.dispositivo.clear();
    }
    return scelta;
}

QString Collegamento::ipSalvato() const
{
    return leggiPorte(LayoutIni::kSezTcp, LayoutIni::kChiaveIp);
}

QString Collegamento::portaSalvata() const
{
    return leggiPorte(LayoutIni::kSezTcp, LayoutIni::kChiavePortaTcp);
}

void Collegamento::setIndirizzoTcp(const QString &ip, const QString &porta)
{
    m_ip = ip;
    m_porta = porta;
}

bool Collegamento::salvaSeriale(int numero, int voceVelocita, const QString &dispositivo)
{
    const QString velocita =
        voceVelocita >= 1 && voceVelocita <= 4 ? kVelocita.at(voceVelocita - 1) : kVelocita.at(0);
    SalvataggioIni salvataggio(m_valori.filePorte);
    salvataggio.scrivi(LayoutIni::kSezTipo, LayoutIni::kChiaveCollegamento, QStringLiteral("0"));
    salvataggio.scrivi(LayoutIni::kSezPorta, LayoutIni::kChiaveNumero, QString::number(numero));
    salvataggio.scrivi(LayoutIni::kSezPorta, LayoutIni::kChiaveVelocita, velocita);
    salvataggio.scrivi(LayoutIni::kSezPorta, LayoutIni::kChiaveDispositivo, dispositivo);
    const bool salvato = salvataggio.concludi();
    if (!salvato) {
        emit avviso(salvataggio.errore());
    }

    // An open port on another device than the one just saved is closed, so the next page
    // entry opens the new one.
    const QString nuovo = Seriale::nomeDispositivo(dispositivo, numero);
    if (m_seriale->isOpen() && nuovo != m_seriale->nomeDispositivo()) {
        QScopedValueRollback voluta(m_chiusuraVoluta, true);
        m_seriale->chiudi();
    }
    return salvato;
}

bool Collegamento::salvaTcp()
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
    if (m_socket->state() == QAbstractSocket::UnconnectedState) {
        return salvato;
    }
    if (m_hostTentato == m_ip && m_portaTentata == m_porta.trimmed()) {
        return salvato;
    }
    {
        QScopedValueRollback voluta(m_chiusuraVoluta, true);
        m_socket->abort();
        m_socketAttivo = false;
    }
    m_testoStato.impostaTesto(0, QStringLiteral("Connessione TCP chiusa: nuove impostazioni"));
    return salvato;
}

void Collegamento::VerificaCollegamento()
{
    m_valori.tipoCollegamento = TipoCollegamento::Nessuno;
    if (m_tipoScelto == TipoCollegamento::Nessuno) {
        emit avviso(QStringLiteral("Attenzione non e' stato definito il collegamento"));
        throw AbortSilenzioso{};
    }
    m_valori.tipoCollegamento = m_tipoScelto;
    emit tipoVerificato();
    chiudiAltroCollegamento();
    if (m_tipoScelto == TipoCollegamento::Seriale) {
        ApriSeriale();
    }
}

void Collegamento::chiudiAltroCollegamento()
{
    // A board still talking on the link no longer chosen must not keep the page looking live.
    QScopedValueRollback voluta(m_chiusuraVoluta, true);
    if (m_valori.tipoCollegamento == TipoCollegamento::Tcp && m_seriale->isOpen()) {
        m_seriale->chiudi();
    }
    if (m_valori.tipoCollegamento == TipoCollegamento::Seriale &&
        m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_socket->abort();
        m_socketAttivo = false;
    }
}

void Collegamento::ApriSeriale()
{
    const QString numero = leggiPorte(LayoutIni::kSezPorta, LayoutIni::kChiaveNumero);
    if (numero == kErrore) {
        return;
    }
    const QString velocita = leggiPorte(LayoutIni::kSezPorta, LayoutIni::kChiaveVelocita);
    if (velocita == kErrore) {
        return;
    }
    const int numeroPorta = StrToInt(numero);
    const int baud = StrToInt(velocita);
    QString dispositivo = leggiPorte(LayoutIni::kSezPorta, LayoutIni::kChiaveDispositivo);
    if (dispositivo == kErrore) {
        dispositivo.clear();
    }
    try {
        // Moving an open port to another device is no lost link.
        QScopedValueRollback voluta(m_chiusuraVoluta, true);
        m_seriale->setDispositivo(dispositivo);
        m_seriale->setComNumber(numeroPorta);
    } catch (const ErroreProgramma &) {
        // The port is closed now; opening it below says why it cannot.
    }
    if (baud == 4800 || baud == 9600 || baud == 19200 || baud == 38400 || baud == 57600) {
        m_seriale->setBaud(baud);
        m_seriale->setParity(QSerialPort::NoParity);
        m_seriale->setDataBits(QSerialPort::Data8);
        m_seriale->setStopBits(QSerialPort::OneStop);
    }
    if (!m_seriale->isOpen()) {
        try {
            m_seriale->apri();
        } catch (const ErroreProgramma &) {
            emit messaggio(QStringLiteral("Verificare la porta selezionata\n\n") +
                                 motivoAperturaFallita(m_seriale->nomeDispositivo(),
                                                       m_seriale->erroreApertura(),
                                                       m_seriale->testoErroreApertura()));
        }
    }
    MostraStatoSeriale();
}

void Collegamento::MostraStatoSeriale()
{
    const QString numero = leggiPorte(LayoutIni::kSezPorta, LayoutIni::kChiaveNumero);
    const QString velocita = leggiPorte(LayoutIni::kSezPorta, LayoutIni::kChiaveVelocita);
    const QString stato = m_seriale->isOpen() ? QStringLiteral("Aperta") : QStringLiteral("Chiusa");
    static const QStringList kPorteConStato = {QStringLiteral("1"), QStringLiteral("2"),
                                               QStringLiteral("3"), QStringLiteral("4")};
    if (numero != kErrore && kPorteConStato.contains(numero)) {
        m_testoStato.impostaTesto(0, QStringLiteral("Comm ") + numero + QLatin1Char(' ') + stato +
                                         QStringLiteral(" Velocità ") + velocita);
    }
}

void Collegamento::ConnettiTcp(const QString &host, const QString &porta)
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
    m_testoStato.impostaTesto(0, QStringLiteral("Connessione in corso ......."));
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
    m_socket->abort();
    m_hostTentato = host;
    m_portaTentata = QString::number(numeroPorta);
    m_socket->connectToHost(host, static_cast<quint16>(numeroPorta));
}

void Collegamento::ClientSocketConnect()
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
        emit indirizzoTcpCambiato(m_ip, m_porta);
    }
    m_testoStato.impostaTesto(0, QStringLiteral("Connessione TCP Attiva --  IP: ") + m_ip +
                                     QStringLiteral("  Porta: ") + m_porta);
}

void Collegamento::ClientSocketDisconnect()
{
    const bool eraAttivo = std::exchange(m_socketAttivo, false);
    if (eraAttivo && !m_chiusuraVoluta) {
        m_perso = true;
        emit collegamentoPerso();
    }
}

void Collegamento::ClientSocketError()
{
    const bool eraAttivo = std::exchange(m_socketAttivo, false);
    if (eraAttivo && !m_chiusuraVoluta) {
        m_perso = true;
        emit collegamentoPerso();
    }
    m_testoStato.impostaTesto(0,
                              QStringLiteral("Attenzione Connessione non effettuata. Verificare!"));
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

void Collegamento::AttendiPronto()
{
    m_valori.pronto = false;
    const int pagina = m_paginaAttiva();
    AttendiCondizione(m_limitePronto, [this, pagina] {
        // The operator has left the page, or the window is closing: the entry is abandoned.
        if (m_valori.inChiusura || m_paginaAttiva() != pagina) {
            throw AbortSilenzioso{};
        }
        if (!m_valori.pronto) {
            // No prompt can come on a link that is down: no point waiting minutes for it.
            return collegamentoGiu();
        }
        m_valori.tipoRisposta = m_paginaAttiva();
        return true;
    });
}

void Collegamento::avviaPerPagina()
{
    if (m_valori.tipoCollegamento == TipoCollegamento::Seriale) {
        AttendiPronto();
    }
    if (m_valori.tipoCollegamento == TipoCollegamento::Tcp && !m_socketAttivo) {
        ConnettiTcp(m_ip, m_porta);
        AttendiPronto();
    }
}

void Collegamento::riavvia()
{
    // Only a link that was up and went down: one that has just failed to start at the page
    // entry has already told the operator why.
    if (!m_perso || collegamentoAttivo()) {
        return;
    }
    m_perso = false;
    VerificaCollegamento();
    avviaPerPagina();
}

void Collegamento::chiudi()
{
    if (m_valori.tipoCollegamento == TipoCollegamento::Tcp) {
        m_socket->abort();
        m_socketAttivo = false;
    }
}
