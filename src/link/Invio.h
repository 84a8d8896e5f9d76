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

    // True when the command went out whole, false when it was dropped or the link took
    // none or only part of it.
    bool InviaTcp(const QString &testo);
    bool InviaTcpDiretto(const QString &testo);
    // One to five pieces.
    bool InviaSeriale(const QStringList &pezzi);
    bool InviaSerialeDiretto(const QString &testo);

    // A command on the link of the current connection kind: its serial pieces on the serial
    // line, its TCP form on TCP, nothing with no kind chosen. Started while another command is on its way, it
    // waits its turn in the queue and goes out, after a prompt of its own, once the command
    // under way ends; the call then returns at once. A full queue drops it.
    void invia(const Comando &comando, const EsitoInvio &esito = {});
    // Several sends the board must read as one transmission (a command head and the fields
    // that follow it without a prompt, or a command and the pause the board needs after it).
    // The group queues like a single command; when its turn comes `corpo` runs, and only its
    // sends go out until it returns. `esito.scartato` hears of a group that never ran.
    using CorpoGruppo = std::function<void(GruppoInvio &gruppo)>;
    void inviaGruppo(CorpoGruppo corpo, const EsitoInvio &esito = {});

    // Commands waiting their turn.
    static constexpr qsizetype MassimoCoda = 16;
    qsizetype inCoda() const { return m_coda.size(); }
    // Drops every queued command (the link is gone).
    void svuotaCoda();

    // How the senders see the link: whether it is up, and how to start it again when a
    // command finds it down. Without them a send just waits for its prompt.
    void setCollegamento(std::function<bool()> attivo, std::function<void()> riavvia)
    {
        m_collegamentoAttivo = std::move(attivo);
        m_riavvia = std::move(riavvia);
    }

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
        CorpoGruppo gruppo; // set for a group, in place of the command
    };

    // Sends one command, or runs one group, now and tells its outcome.
    void inviaOra(const InvioInCoda &voce);
    // Queues `voce` behind the command under way, or sends it and then the queue.
    void accoda(const InvioInCoda &voce);
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
    // The command was not sent: status panel 1 says why.
    void scartato(const QString &motivo = {});
    // Both false when the link took nothing.
    bool scriviTcp(const QString &testo);
    bool scriviSeriale(const QString &testo);

    ValoriProgramma &m_valori;
    Seriale &m_seriale;
    QTcpSocket &m_socket;
    TestoStato &m_testoStato;
    std::function<int()> m_paginaAttiva;
    std::function<bool()> m_collegamentoAttivo;
    std::function<void()> m_riavvia;
    int m_attesaPronto = 5000;
    bool m_inTrasmissione = false;
    // Told when the command being sent gets its prompt.
    std::function<void()> m_allInizio;
    GruppoInvio *m_gruppo = nullptr;
    bool m_turnoGruppo = false;
    // A command (or a group) is on its way through invia(): later ones queue.
    bool m_occupato = false;
    QQueue<InvioInCoda> m_coda;
};

// The sends of one group (Invio::inviaGruppo), made while it runs. Only they go out: a send
// started by any other handler during the group's waits and pauses is refused or queued.
class GruppoInvio
{
public:
    GruppoInvio(const GruppoInvio &) = delete;
    GruppoInvio &operator=(const GruppoInvio &) = delete;

    // Each true when it went out whole.
    bool InviaTcp(const QString &testo);
    bool InviaTcpDiretto(const QString &testo);
    bool InviaSeriale(const QStringList &pezzi);
    bool InviaSerialeDiretto(const QString &testo);
    // A command in the form of the current connection kind, after its own ready prompt.
    bool invia(const Comando &comando);
    // A pause inside the transmission; closing the window abandons it.
    void pausa(int ms);

private:
    friend class Invio;
    explicit GruppoInvio(Invio &invio);
    ~GruppoInvio();
    void turno();

    Invio &m_invio;
};
