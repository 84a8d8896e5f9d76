#pragma once

#include "core/TipoCollegamento.h"

#include <QObject>
#include <QString>

#include <functional>

class TestoStato;
class QTcpSocket;
class Seriale;
struct ValoriProgramma;

// The serial choice saved in "Porte.INI", as the serial bar shows it.
struct SceltaSeriale
{
    int indiceNumero = 0;   // item index of "Comm 1".."Comm 4"
    int indiceVelocita = 3; // item index among 4800, 9600, 19200, 38400
    QString dispositivo;    // empty for the device of the port number
};

// Choosing, saving, opening and closing the link to the board: the serial port or the TCP
// connection, and the wait for the board's first ready prompt when a board page is entered.
// It touches no widget and shows no box: the owner hears of it through the signals.
class Collegamento : public QObject
{
    Q_OBJECT
public:
    Collegamento(ValoriProgramma &valori, TestoStato &testoStato,
                 std::function<int()> paginaAttiva, QObject *parent = nullptr);

    Seriale &seriale() const { return *m_seriale; }
    QTcpSocket &clientSocket() const { return *m_socket; }
    // Connected, from the connect notification until the disconnect or error one.
    bool socketAttivo() const { return m_socketAttivo; }
    // The link of the current connection kind is up: socket connected, or port open.
    bool collegamentoAttivo() const;

    // The kind the operator chose in the "Collegamento" menu; none until chosen.
    TipoCollegamento tipoScelto() const { return m_tipoScelto; }
    void setTipoScelto(TipoCollegamento tipo) { m_tipoScelto = tipo; }
    // The kind saved in "Porte.INI"; none when the file says neither.
    TipoCollegamento tipoSalvato() const;
    // The serial choice saved in "Porte.INI"; a number that is not one throws ErroreConversione.
    SceltaSeriale sceltaSerialeSalvata() const;
    // The address and port saved in "Porte.INI", as they stand ("ERRORE" when missing).
    QString ipSalvato() const;
    QString portaSalvata() const;

    // Where the TCP link connects: the TCP bar's fields as they stand.
    void setIndirizzoTcp(const QString &ip, const QString &porta);
    QString ip() const { return m_ip; }
    QString porta() const { return m_porta; }

    // Saves the serial choice (port number from 1, speed item from 1, device path) as the
    // serial kind; an open port on another device is closed. False when the file could not be
    // written (the warning is already out).
    bool salvaSeriale(int numero, int voceVelocita, const QString &dispositivo);
    // Saves the TCP address as the TCP kind; a connection to another address is closed.
    bool salvaTcp();

    // Fixes the connection kind from the operator's choice; opens the serial port for the
    // serial kind. With no kind chosen it warns and throws AbortSilenzioso, which ends the
    // calling action.
    void VerificaCollegamento();
    void ApriSeriale();
    void MostraStatoSeriale();
    void ConnettiTcp(const QString &host, const QString &porta);
    // Waits for the board's ready prompt, at most `limitePronto()` ms, and stores the page
    // then shown as the reply kind.
    void AttendiPronto();
    // What a board page does with the link before its first request: on serial the start
    // wait; on TCP, when not connected, a new connection and the start wait.
    void avviaPerPagina();
    // A link lost since it was last up, found down when a command is to go out: checked and
    // started again as at the page entry, so the command can wait for a prompt on it.
    void riavvia();
    // The link part of closing the window.
    void chiudi();

    int limitePronto() const { return m_limitePronto; }
    void setLimitePronto(int ms) { m_limitePronto = ms; }

signals:
    // A link that was up went down: the board closed it, it failed, or the device vanished.
    void collegamentoPerso();
    // The connection check fixed the kind: the link bars give way to the page.
    void tipoVerificato();
    // The address was cleaned up on connecting (an "ERRORE" placeholder removed).
    void indirizzoTcpCambiato(const QString &ip, const QString &porta);
    // What the operator must read, as a warning box, a plain notice or the error box. Socket
    // errors come once the socket's own notification has returned.
    void avviso(const QString &testo);
    void messaggio(const QString &testo);
    void errore(const QString &testo);

private:
    void ClientSocketConnect();
    void ClientSocketDisconnect();
    void ClientSocketError();
    QString leggiPorte(const QString &sezione, const QString &chiave) const;
    // Nothing more can come on the link the page entry is waiting on.
    bool collegamentoGiu() const;
    void serialeChiusa();
    void chiudiAltroCollegamento();

    ValoriProgramma &m_valori;
    TestoStato &m_testoStato;
    TipoCollegamento m_tipoScelto = TipoCollegamento::Nessuno;
    QString m_ip;
    QString m_porta;
    std::function<int()> m_paginaAttiva;
    Seriale *m_seriale = nullptr;
    QTcpSocket *m_socket = nullptr;
    bool m_socketAttivo = false;
    // The connection was closed on purpose (new settings): not a lost link.
    bool m_chiusuraVoluta = false;
    // A link that was up went down and has not been started again since.
    bool m_perso = false;
    // Where the last connection attempt went, as the operator wrote it.
    QString m_hostTentato;
    QString m_portaTentata;
    int m_limitePronto = 180000;
};
