#pragma once

#include "core/TipoCollegamento.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class ConsumatoreSeriale;
class QTcpSocket;
class Seriale;
struct ValoriProgramma;

// What the board sends, on either link: the ready flag, the continuous-mode flag, the log, and
// on TCP the parsing of each complete response for the page that asked for it.
class Ricezione : public QObject
{
    Q_OBJECT
public:
    // Parses a complete TCP response (the receive buffer, which it may cut) for one page.
    using ParserTcp = std::function<void(QString &buffer)>;

    // Past this size without a ready prompt the oldest received text is dropped.
    static constexpr qsizetype MassimoBuffer = 64 * 1024;

    // `paginaAttiva`: the page on screen, which gets the board's continuous output.
    Ricezione(ValoriProgramma &valori, Seriale &seriale, QTcpSocket &socket,
              std::function<int()> paginaAttiva = {}, QObject *parent = nullptr);

    // `tipoRisposta` is the page index 1..7.
    void registraParserTcp(int tipoRisposta, ParserTcp parser);

    // The serial port's data-available notification.
    void datiSeriali(int conteggio);
    // The TCP socket's read notification.
    void ClientSocketRead();
    // What one TCP read brought.
    void riceviTcp(const QByteArray &dati);

signals:
    // One line for the log memo.
    void rigaLog(const QString &testo);
    // The board's continuous output was found on (the "Continua" buttons go down) or off.
    void modoContinuoRilevato(bool acceso);
    // A complete response (up to the ready prompt) has been handled: the board is alive.
    void prontoRicevuto();
    // The TCP response about to be parsed lost its oldest text to the buffer limit: what it
    // carried is not all on screen. Sent before the parse, which paints what is left whole.
    void rispostaIncompleta();
    // Every chunk as it came off a link.
    void datiRicevuti(TipoCollegamento collegamento, const QByteArray &dati);
    // A response held a value that is not a number: the standard error box is due. Sent
    // once the link's own notification has returned.
    void errore(const QString &testo);

private:
    // Adds a read to the receive buffer; true when the buffer now holds a ready prompt.
    bool accoda(TipoCollegamento collegamento, const QByteArray &dati);
    void aggiornaModoContinuo();
    void segnalaTroncata();
    void analizzaTcp();

    ValoriProgramma &m_valori;
    Seriale &m_seriale;
    QTcpSocket &m_socket;
    std::function<int()> m_paginaAttiva;
    // Text of the response under way was dropped at the buffer limit.
    bool m_troncata = false;
    ConsumatoreSeriale *m_consumatore = nullptr;
    std::array<ParserTcp, 9> m_parser{};
};
