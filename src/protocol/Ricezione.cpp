#include "protocol/Ricezione.h"

#include "core/Errori.h"
#include "core/ValoriProgramma.h"
#include "link/Seriale.h"
#include "protocol/Protocollo.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <exception>

Ricezione::Ricezione(ValoriProgramma &valori, Seriale &seriale, QTcpSocket &socket,
                     std::function<int()> paginaAttiva, QObject *parent)
    : QObject(parent), m_valori(valori), m_seriale(seriale), m_socket(socket),
      m_paginaAttiva(std::move(paginaAttiva))
{
    m_consumatore = m_seriale.aggiungiConsumatore(this);
    connect(m_consumatore, &ConsumatoreSeriale::datiDisponibili, this, &Ricezione::datiSeriali);
    connect(&m_socket, &QTcpSocket::readyRead, this, &Ricezione::ClientSocketRead);
}

void Ricezione::registraParserTcp(int tipoRisposta, ParserTcp parser)
{
    m_parser.at(tipoRisposta) = std::move(parser);
}

bool Ricezione::accoda(TipoCollegamento collegamento, const QByteArray &dati)
{
    emit datiRicevuti(collegamento, dati);
    // Only the newest text is kept. A large read is cut before it is added, and the buffer
    // gives back room it no longer needs, so one flood does not hold its size for good.
    const qsizetype aggiunti = std::min<qsizetype>(dati.size(), MassimoBuffer);
    QString &buffer = m_valori.bufferRicezione;
    buffer += QString::fromLatin1(dati.right(aggiunti));
    if (buffer.size() > MassimoBuffer || aggiunti < dati.size()) {
        m_troncata = true;
    }
    if (buffer.size() > MassimoBuffer) {
        buffer.remove(0, buffer.size() - MassimoBuffer);
    }
    if (buffer.capacity() > 2 * MassimoBuffer) {
        buffer.squeeze();
    }
    // A buffer that held a prompt has been emptied, so only the new text, and the character
    // before it for a prompt split across two reads, can hold one.
    return buffer.indexOf(Protocollo::Pronto,
                          std::max<qsizetype>(0, buffer.size() - aggiunti - 1)) >= 0;
}

void Ricezione::aggiornaModoContinuo()
{
    const bool acceso = Protocollo::testoModoContinuo(m_valori.bufferRicezione);
    m_valori.modoContinuo = acceso ? QStringLiteral("1") : QStringLiteral("0");
    m_valori.continuoInCorso = acceso;
    emit modoContinuoRilevato(acceso);
}

// Serial: the framers cut the replies out; here only readiness, continuous mode and the log.
// One log line per completed response.
void Ricezione::datiSeriali(int)
{
    if (!m_seriale.isOpen() || m_consumatore->nonLetti() < 1) {
        return;
    }
    if (m_valori.tipoCollegamento == TipoCollegamento::Tcp) {
        // The line no longer chosen: its prompts say nothing of the board in use.
        emit datiRicevuti(TipoCollegamento::Seriale, m_consumatore->leggiTutto());
        return;
    }
    m_valori.pronto = accoda(TipoCollegamento::Seriale, m_consumatore->leggiTutto());
    if (m_valori.pronto) {
        emit rigaLog(m_valori.bufferRicezione);
        aggiornaModoContinuo();
        m_valori.bufferRicezione.clear();
        emit prontoRicevuto();
        // The framers keep their own packets, whole or dropped: the buffer cut loses nothing
        // they show.
        m_troncata = false;
    }
}

void Ricezione::segnalaTroncata()
{
    if (std::exchange(m_troncata, false)) {
        emit rispostaIncompleta();
    }
}

// TCP: one log line per read; a response is parsed once its ready prompt has arrived.
void Ricezione::ClientSocketRead()
{
    riceviTcp(m_socket.readAll());
}

void Ricezione::riceviTcp(const QByteArray &dati)
{
    if (m_valori.tipoCollegamento == TipoCollegamento::Seriale) {
        emit datiRicevuti(TipoCollegamento::Tcp, dati);
        return;
    }
    m_valori.pronto = accoda(TipoCollegamento::Tcp, dati);
    emit rigaLog(m_valori.bufferRicezione);
    if (!m_valori.pronto) {
        return;
    }
    aggiornaModoContinuo();
    // Before the parse: what the response still holds whole is painted live again after it.
    segnalaTroncata();
    analizzaTcp();
    m_valori.bufferRicezione.clear();
    if (m_valori.modoContinuo.toUpper() == QLatin1String("0")) {
        m_valori.tipoRisposta = 0;
    }
    emit prontoRicevuto();
}

void Ricezione::analizzaTcp()
{
    int tipo = m_valori.tipoRisposta;
    // The continuous output belongs to no request: it goes to the page on screen when that
    // page shows inputs, and to no other page.
    if (m_valori.continuoInCorso && m_paginaAttiva) {
        const int pagina = m_paginaAttiva();
        tipo = pagina == ValoriProgramma::IngressiDigitali ||
                       pagina == ValoriProgramma::IngressiAnalogici
                   ? pagina
                   : 0;
    }
    if (tipo < 0 || tipo >= static_cast<int>(m_parser.size()) || !m_parser[tipo]) {
        return;
    }
    QString errore;
    try {
        m_parser[tipo](m_valori.bufferRicezione);
    } catch (const ErroreProgramma &e) {
        errore = e.messaggio();
    } catch (const std::exception &e) {
        // Nothing may leave a socket notification for the event loop.
        errore = QString::fromLocal8Bit(e.what());
    }
    if (!errore.isNull()) {
        // A value that is not a number: the response is dropped whole and reported once,
        // after this notification has returned, so no modal box runs inside it.
        QTimer::singleShot(0, this, [this, errore] { emit this->errore(errore); });
    }
}
