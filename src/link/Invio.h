#pragma once

#include "core/EsitoInvio.h"
#include "link/Comando.h"
#include "link/Pausa.h"

#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class Collegamento;
class TestoStato;
class Trasporto;

// The paced command sender, a state machine on timers and the ready-prompt signal. A command
// waits for a ready prompt that comes after it began to wait, then the current link writes it
// with its own pacing; commands given meanwhile queue and go out in order, each after a prompt
// of its own. Nothing here waits inside the event loop: every call returns at once.
class Invio : public QObject
{
    Q_OBJECT
public:
    // One step of a transmission the board must read as a whole.
    struct Passo
    {
        enum class Tipo { Comando, Diretto, Pausa };
        Tipo tipo = Tipo::Comando;
        ::Comando comando;
        QString testo;
        int ms = 0;
        // A command that goes out only if this holds when its prompt comes; otherwise that
        // same prompt serves the next step.
        std::function<bool()> condizione = {};

        static Passo perComando(const ::Comando &comando, std::function<bool()> condizione = {});
        // Text the board reads right after the command before it, without a prompt.
        static Passo diretto(const QString &testo);
        static Passo pausa(int ms);
    };

    Invio(Collegamento &collegamento, TestoStato &testoStato, QObject *parent = nullptr);

    // A command on the current link; with no link chosen nothing goes out and `scartato` is
    // told at once. A full queue drops it.
    void invia(const Comando &comando, const EsitoInvio &esito = {});
    // A command that goes out only if `condizione` holds when its prompt comes.
    void inviaSe(std::function<bool()> condizione, const Comando &comando);
    // Several steps that go out as one transmission: no other command gets in between.
    // `scritto` when every step went out whole, `scartato` otherwise.
    void inviaSequenza(QList<Passo> passi, const EsitoInvio &esito = {});

    // Transmissions waiting behind the one under way.
    static constexpr qsizetype MassimoCoda = 16;
    qsizetype inCoda() const { return m_coda.size(); }
    bool isOccupato() const { return m_voce.has_value(); }
    // Drops every queued transmission (the link is gone); the one under way ends on its own.
    void svuotaCoda();
    // Ends everything at once, without a word (the session closes).
    void ferma();

    // The next command waits for its prompt as long as a page entry does: the link may still be
    // starting.
    void attendiIngresso() { m_attesaLunga = true; }
    // The page whose entry still waits for the link was left: the command waiting and every
    // one queued behind it are dropped, without a notice.
    void abbandonaIngresso();
    // A ready prompt has come, its response already read.
    void pronto();

    // Told just before a command is written, so its reply can be expected.
    void setPreparaRisposta(std::function<void(const Comando &, const EsitoInvio &)> prepara)
    {
        m_preparaRisposta = std::move(prepara);
    }

    int attesaPronto() const { return m_attesaPronto; }
    void setAttesaPronto(int ms) { m_attesaPronto = ms; }
    int attesaIngresso() const { return m_attesaIngresso; }
    void setAttesaIngresso(int ms) { m_attesaIngresso = ms; }

private:
    enum class Stato { Libero, AttesaPronto, Scrittura, Pausa };
    struct Voce
    {
        QList<Passo> passi;
        EsitoInvio esito;
        qsizetype passo = 0;
        bool tutto = true;
        bool iniziata = false;
    };

    void accoda(Voce voce);
    void prossima();
    void eseguiPasso();
    void accorpaDiretti(Voce &voce);
    void passoFatto(bool tutto);
    void concludi();
    void scarta(const QString &motivo);
    void controllaCollegamento();
    void scaduto();

    Collegamento &m_collegamento;
    TestoStato &m_testoStato;
    int m_attesaPronto = 5000;
    int m_attesaIngresso = 180000;
    bool m_attesaLunga = false;
    // The command under way waits for its prompt as long as a page entry does.
    bool m_inIngresso = false;
    // The last prompt was passed over by a command not needed: the next command may take it.
    bool m_prontoFresco = false;
    Stato m_stato = Stato::Libero;
    // The link the step under way is written on: its end counts even when another link has
    // been chosen since, or the sender would wait for it for good.
    Trasporto *m_scrivente = nullptr;
    std::optional<Voce> m_voce;
    QQueue<Voce> m_coda;
    QTimer m_attesa;
    Pausa m_pausa;
    std::function<void(const Comando &, const EsitoInvio &)> m_preparaRisposta;
};
