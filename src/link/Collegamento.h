#pragma once

#include <QObject>
#include <QString>

#include <functional>

class CampoDispositivo;
class TestoStato;
class SceltaVoce;
class Messaggi;
class QAction;
class QLineEdit;
class QTcpSocket;
class QWidget;
class Seriale;
struct ValoriProgramma;

// The main window's controls that carry the operator's link choice.
struct ControlliCollegamento
{
    QAction *mCollTcp = nullptr;
    QAction *mCollSeriale = nullptr;
    QWidget *pnTcp = nullptr;
    QWidget *pnSeriale = nullptr;
    QLineEdit *eIp = nullptr;
    QLineEdit *ePorta = nullptr;
    SceltaVoce *rgComm = nullptr;
    SceltaVoce *rgVelocita = nullptr;
    CampoDispositivo *cbDispositivo = nullptr;
};

// Choosing, saving, opening and closing the link to the board: the serial port or the TCP
// connection, and the wait for the board's first ready prompt when a board page is entered.
class Collegamento : public QObject
{
    Q_OBJECT
public:
    Collegamento(ValoriProgramma &valori, Messaggi &messaggi, TestoStato &testoStato,
                 const ControlliCollegamento &controlli, std::function<int()> paginaAttiva,
                 QObject *parent = nullptr);

    Seriale &seriale() const { return *m_seriale; }
    QTcpSocket &clientSocket() const { return *m_socket; }
    // Connected, from the connect notification until the disconnect or error one.
    bool socketAttivo() const { return m_socketAttivo; }
    // The link of the current connection kind is up: socket connected, or port open.
    bool collegamentoAttivo() const;

    void mCollSerialeClick();
    void mCollTcpClick();
    void sbSalvaPorteClick();
    void SpeedButton4Click();

    // Fixes the connection kind from the menu; opens the serial port for "SER". With no kind
    // chosen it warns and throws AbortSilenzioso, which ends the calling action.
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
    // The link part of closing the window.
    void chiudi();

    int limitePronto() const { return m_limitePronto; }
    void setLimitePronto(int ms) { m_limitePronto = ms; }

signals:
    // A link that was up went down: the board closed it, it failed, or the device vanished.
    void collegamentoPerso();

private:
    void ClientSocketConnect();
    void ClientSocketDisconnect();
    void ClientSocketError();
    QString leggiPorte(const QString &sezione, const QString &chiave) const;
    // Nothing more can come on the link the page entry is waiting on.
    bool collegamentoGiu() const;
    void serialeChiusa();

    ValoriProgramma &m_valori;
    Messaggi &m_messaggi;
    TestoStato &m_testoStato;
    ControlliCollegamento m_controlli;
    std::function<int()> m_paginaAttiva;
    Seriale *m_seriale = nullptr;
    QTcpSocket *m_socket = nullptr;
    bool m_socketAttivo = false;
    // The connection was closed on purpose (new settings): not a lost link.
    bool m_chiusuraVoluta = false;
    // Where the last connection attempt went, as the operator wrote it.
    QString m_hostTentato;
    QString m_portaTentata;
    int m_limitePronto = 180000;
};
