#pragma once

#include "core/EsitoInvio.h"
#include "core/ValoriProgramma.h"

#include <QObject>
#include <QQueue>
#include <QStringList>

#include <functional>

class GruppoInvio;

class TestoStato;
class QTcpSocket;
class Seriale;
struct Comando;
struct ValoriProgramma;

// The paced command senders. A waiting sender writes only after a ready prompt that arrived
// after it started; TCP goes one character every 50 ms, serial in pieces 800 ms and then
// 200 ms apart. Other handlers run during the waits; the raw senders may nest, but never write
// while another one is half-way through its command. Commands given through invia() do not
// nest: one started meanwhile queues and goes out after the one under way.
class Invio : public QObject
{
    Q_OBJECT
public:
    Invio(ValoriProgramma &valori, Seriale &seriale, QTcpSocket &socket, TestoStato &testoStato,
          std::function<int()> paginaAttiva, QObject *parent = nullptr);

    // True when the command went out, false when it was dropped.
    bool InviaTcp(const QString &testo);
    void InviaTcpDiretto(const QString &testo);
    // One to five pieces.
    bool InviaSeriale(const QStringList &pezzi);
    void InviaSerialeDiretto(const QString &testo);

    // A command on the link of the current connection kind: its serial pieces on the serial
    // line, its TCP form on TCP, nothing with no kind chosen. Started while another command is on its way, it
    // waits its turn in the queue and goes out, after a prompt of its own, once the command
    // under way ends; the call then returns at once. A full queue drops it.
    void invia(const Comando &comando, const EsitoInvio &esito = {});

    // Commands waiting their turn.
    static constexpr qsizetype MassimoCoda = 16;
    qsizetype inCoda() const { return m_coda.size(); }
    // Drops every queued command (the link is gone).
    void svuotaCoda();

    int attesaPronto() const { return m_attesaPronto; }
    void setAttesaPronto(int ms) { m_attesaPronto = ms; }

signals:
    // Bytes just handed to a link.
    void datiScritti(TipoCollegamento collegamento, const QByteArray &dati);

private:
    struct InvioInCoda
    {
        QStringList pezziSeriale;
        QString tcp;
        EsitoInvio esito;
    };

    // Sends one command now and tells its outcome.
    void inviaOra(const InvioInCoda &voce);
    // Sends the queued commands in order; run only by whoever owns the current transmission.
    void inviaCoda();
    friend class GruppoInvio;

    // Whether a send may begin now: none is half-way through its command, and while a group
    // holds the guard, only the group's own send.
    bool puoIniziare();
    // Waits for a fresh ready prompt; false (and the notice shown) when the command is dropped.
    bool attendiPronto(bool memorizzaTipoRisposta);
    // A pacing pause; closing the window abandons the send.
    void pausa(int ms);
    void scartato();
    void scriviTcp(const QString &testo);
    void scriviSeriale(const QString &testo);

    ValoriProgramma &m_valori;
    Seriale &m_seriale;
    QTcpSocket &m_socket;
    TestoStato &m_testoStato;
    std::function<int()> m_paginaAttiva;
    int m_attesaPronto = 5000;
    bool m_inTrasmissione = false;
    GruppoInvio *m_gruppo = nullptr;
    bool m_turnoGruppo = false;
    // A command (or a group) is on its way through invia(): later ones queue.
    bool m_occupato = false;
    QQueue<InvioInCoda> m_coda;
};

// Several sends that the board must read as one transmission (a command head and the fields
// that follow it without a prompt). While the group lives only the sends made through it go
// out; a send started by any other handler during its waits and pauses is refused. A group
// created while another one, or a command, is under way refuses all of its own sends.
class GruppoInvio
{
public:
    explicit GruppoInvio(Invio &invio);
    ~GruppoInvio();
    GruppoInvio(const GruppoInvio &) = delete;
    GruppoInvio &operator=(const GruppoInvio &) = delete;

    bool InviaTcp(const QString &testo);
    void InviaTcpDiretto(const QString &testo);
    bool InviaSeriale(const QStringList &pezzi);
    void InviaSerialeDiretto(const QString &testo);
    // A pause inside the transmission; closing the window abandons it.
    void pausa(int ms);
    // The group is over: the commands queued meanwhile go out now.
    void concludi();

private:
    bool turno();

    Invio &m_invio;
    bool m_attivo = false;
};
