#pragma once

#include "core/Risposta.h"
#include "core/ValoriProgramma.h"
#include "link/Comando.h"
#include "link/Temporizzazioni.h"
#include "ponte/ComandoMqtt.h"
#include "ponte/Punto.h"
#include "ponte/TestoStatoRegistro.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class SessioneScheda;
struct GiroContinuo;

// The board side of the bridge: the panel's session (SessioneScheda) on the link that
// "Porte.INI" names, driven by one executor that sends a command only when the one before it
// is over. The executor is a state machine on the sender's outcomes, the replies the session
// reads and a reply time-out; nothing waits inside the event loop. It reads every point when
// the board appears, polls at the period, takes the inputs from the continuous output when
// asked to, carries out commands with their read-back, and tells when the board is in line.
class LatoScheda : public QObject
{
    Q_OBJECT
public:
    struct Opzioni
    {
        int periodoMs = 30000;
        bool continuo = true;
        QList<int> unita; // 1..8
        // How long a reply may take once its command is out.
        int attesaRispostaMs = 3000;
        // How often a unit that does not answer is read again, besides the poll.
        int riprovaUnitaMs = 10000;
        // The link's pacing, and the silence after which the board counts as gone.
        Temporizzazioni tempi;
    };

    LatoScheda(const QString &cartellaImpostazioni, Opzioni opzioni, QObject *parent = nullptr);
    ~LatoScheda() override;

    // Opens the link "Porte.INI" chooses, or with `apriSubito` false only checks it can; the
    // text says why it cannot (no link chosen, a port that cannot be).
    QString avvia(bool apriSubito = true);
    // Opens the link checked by avvia(false); once.
    void collega();
    // Ends every wait and closes the link for good.
    void ferma();

    bool isInLinea() const { return m_fase == Fase::InLinea; }
    // A panel's request is being carried out: what is written now is that panel's.
    bool isRichiestaInCorso() const { return static_cast<bool>(m_fineRichiesta); }
    // Takes a command as the state its point must reach: at most one waits per point, the
    // latest given winning, so a scene of any size is carried out whole. False with the
    // reason when it cannot be taken.
    bool comanda(const Punto &punto, const RichiestaComando &richiesta, const QString &argomento,
                 const QByteArray &payload, QString &motivo);
    // Reads every point again.
    void aggiornaTutto();
    // A panel's whole command, carried out in its turn in the one queue with everyone
    // else's; `fatto` gets the board's whole response to it (frames and the prompt that ends
    // it), or, with `riuscito` false, why there is none. False with the reason when it cannot
    // be taken (the board not in line, too many waiting).
    using FineRichiesta = std::function<void(const QByteArray &testo, bool riuscito,
                                             const QString &motivo)>;
    // `diretti`: fields the board reads right after the command, without a prompt.
    bool richiesta(const Comando &comando, const QStringList &diretti, FineRichiesta fatto,
                   QString &motivo);

    ValoriProgramma &valori() { return m_valori; }
    SessioneScheda &sessione() const { return *m_sessione; }

    // The bridge publishes only what the board surely sent: every frame there and whole by the
    // strict rule, every number within its kind's range. The panel is more lenient.
    static bool isPubblicabile(const Risposta &risposta);
    static bool isPubblicabile(const GiroContinuo &giro);

signals:
    // The board answers and every point has been read (true), or it is gone (false).
    void inLinea(bool inLinea);
    // A value the board sent: 0/1 for digital points, the raw level or reading otherwise.
    void letto(const Punto &punto, int grezzo);
    // A bridged peripheral unit answers (true) or does not (false); told on every change, and
    // for every unit once the board has been read.
    void unitaInLinea(int unita, bool inLinea);
    // The board's ready prompt came: it is there.
    void sentita();
    // A read was answered this long after its command began to go out.
    void tempoRisposta(int ms);
    // A round of continuous output as the board sent it, its prompt included.
    void giroGrezzo(const QByteArray &testo);
    // A queued command could not be carried out.
    void comandoFallito(const QString &argomento, const QByteArray &payload, const QString &motivo);

private:
    enum class Fase { Scollegata, Collegamento, LetturaIniziale, InLinea };

    struct ComandoInCoda
    {
        Punto punto;
        RichiestaComando richiesta;
        QString argomento;
        QByteArray payload;
        bool scritto = false; // its write has begun
    };
    using Gruppo = QList<ComandoInCoda>;
    // What follows a step: told once, whether the step did what it should.
    using Seguito = std::function<void(bool riuscito)>;

    void apri();
    void perdita(const QString &motivo);
    void pronto();
    void giro(const GiroContinuo &giro);
    void modoContinuo(bool acceso);

    void pianifica();
    void esegui();
    void lavoroFinito();

    // The steps. Each tells its follow-up once: when it is over, when it failed, or when the
    // board was lost meanwhile (as a failure).
    quint64 avviaPasso(Seguito poi);
    void concludiPasso(quint64 passo, bool riuscito);
    // Sends a command and reads its reply, publishing what it carries.
    void leggi(const Comando &comando, Seguito poi);
    // Sends a command that has no reply of its own.
    void scrivi(const Comando &comando, Seguito poi);
    // Switches the continuous output with "*/C" when it is not as wanted.
    void verificaModo();
    // Every waiting command of one bank (the relays, the board's analog outputs, one unit's
    // outputs or channels) with one read before and one read-back after the writes.
    void eseguiGruppo(Gruppo gruppo);
    // Moves the waiting commands of the group's bank into it; with `unisci`, one for a point
    // already in it changes what that point must reach instead of joining as a write of its own.
    void assorbi(Gruppo &gruppo, bool unisci);
    void scriviGruppo(std::shared_ptr<Gruppo> gruppo, qsizetype da, const Comando &stato);
    void rileggiGruppo(std::shared_ptr<Gruppo> gruppo, const Comando &stato);
    void fallisce(const ComandoInCoda &comando, const QString &motivo);
    struct Richiesta
    {
        Comando comando;
        QStringList diretti;
        FineRichiesta fatto;
    };
    void eseguiRichiesta(const Richiesta &richiesta);
    // A response has been read: its text, cut from what came, goes to whoever waits for it.
    void rispostaGrezza(bool continuo);

    bool pubblica(const Risposta &risposta);
    void emetti(const Risposta &risposta);
    QList<Comando> letture(bool tutte) const;

    Opzioni m_opzioni;
    ValoriProgramma m_valori;
    TestoStatoRegistro m_testoStato;
    SessioneScheda *m_sessione = nullptr;
    Fase m_fase = Fase::Scollegata;
    bool m_fermato = false;
    bool m_collegata = false;
    // Responses since the link opened: the first may have begun before it.
    int m_prontiDaApertura = 0;

    // The step under way, if any: its number (a reply for another number is stale) and its
    // follow-up.
    quint64 m_passo = 0;
    Seguito m_seguito;
    QString m_comandoInAttesa;
    // The command's own write has begun: the board may have carried it out.
    bool m_scritturaIniziata = false;
    // Why the board was lost, while the step under way is told of it.
    QString m_motivoPerdita;
    bool m_attesaModo = false;
    bool m_modoVoluto = false;
    std::array<bool, 8> m_ultimiDigitali{};

    // A job (a read, a command with its read-back, the mode check) is under way.
    bool m_lavoro = false;
    // Waiting commands in the order their points were first asked for, one per point.
    QList<ComandoInCoda> m_comandi;
    QQueue<Comando> m_letture;
    QQueue<Richiesta> m_richieste;
    // What came from the board since the last response, as it came.
    QByteArray m_grezzo;
    // The panel's request under way got its response: its text comes with the prompt.
    bool m_richiestaRisposta = false;
    FineRichiesta m_fineRichiesta;
    bool m_modoVerificato = false;
    bool m_letturaInizialeRiuscita = true;

    // What each unit (1..8) was last found to do; nothing before it was read.
    std::array<std::optional<bool>, 9> m_unitaInLinea{};
    void esitoUnita(const Comando &lettura, bool riuscita);

    QElapsedTimer m_inizioLettura;
    QTimer m_raccolta;
    QTimer m_riprovaUnita;
    QElapsedTimer m_inizioRaccolta;
    QTimer m_attesaRisposta;
    QTimer m_riprova;
    QTimer m_periodo;
    int m_ritardoRiprovaMs = 1000;
};
