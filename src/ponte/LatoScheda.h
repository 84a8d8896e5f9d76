#pragma once

#include "core/ValoriProgramma.h"
#include "link/Comando.h"
#include "ponte/ComandoMqtt.h"
#include "ponte/Punto.h"
#include "ponte/RisposteScheda.h"
#include "ponte/TestoStatoRegistro.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

#include <optional>

class SessioneScheda;

// The board side of the bridge: the panel's own link objects (SessioneScheda) on the link that
// "Porte.INI" names, driven by one executor that sends a command only when the one before it
// is over, through the panel's paced sender. It reads every point when the board appears,
// polls at the period, takes the inputs from the continuous output when asked to, carries out
// commands with their read-back, and tells when the board is in line.
class LatoScheda : public QObject
{
    Q_OBJECT
public:
    struct Opzioni
    {
        int periodoMs = 30000;
        bool continuo = true;
        QList<int> unita; // 1..8
        int silenzioMs = 10000;
        // How long a reply may take once its command is out.
        int attesaRispostaMs = 3000;
    };

    // Commands waiting their turn; more are refused.
    static constexpr qsizetype MassimoCoda = 8;

    LatoScheda(const QString &cartellaImpostazioni, Opzioni opzioni, QObject *parent = nullptr);
    ~LatoScheda() override;

    // Opens the link "Porte.INI" chooses; the text says why it cannot (no link chosen).
    QString avvia();
    // Ends every wait and closes the link.
    void ferma();

    bool isInLinea() const { return m_fase == Fase::InLinea; }
    // Queues a command; false with the reason when it cannot be taken.
    bool comanda(const Punto &punto, const RichiestaComando &richiesta, const QString &argomento,
                 const QByteArray &payload, QString &motivo);
    // Reads every point again.
    void aggiornaTutto();

    ValoriProgramma &valori() { return m_valori; }

signals:
    // The board answers and every point has been read (true), or it is gone (false).
    void inLinea(bool inLinea);
    // A value the board sent: 0/1 for digital points, the raw level or reading otherwise.
    void letto(const Punto &punto, int grezzo);
    // A queued command could not be carried out.
    void comandoFallito(const QString &argomento, const QByteArray &payload, const QString &motivo);

private:
    enum class Fase { Scollegata, Collegamento, LetturaIniziale, InLinea };

    struct Lettura
    {
        Comando comando;
        RisposteScheda::Attesa attesa = RisposteScheda::Attesa::Nessuna;
        int unita = 0;
    };
    struct ComandoInCoda
    {
        Punto punto;
        RichiestaComando richiesta;
        QString argomento;
        QByteArray payload;
    };

    void apri();
    void perdita(const QString &motivo);
    void datiRicevuti(const QByteArray &dati);
    void segmento(const QString &testo);
    // Parses a reply for what it was asked for; emits the values. False when it does not fit.
    bool rispostaAttesa(const QString &testo);
    void pianifica();
    void esegui();
    // One step of the executor; false when there is nothing to do.
    bool passoEseguito();
    // Sends a command and waits for its reply; false when either did not happen.
    bool leggi(const Lettura &lettura);
    bool scrivi(const Comando &comando);
    // Sends a command; the reply it expects is armed when its first byte goes out.
    bool scriviArmando(const Comando &comando, RisposteScheda::Attesa attesa, int unita);
    void verificaModo();
    void eseguiComando(const ComandoInCoda &comando);
    QList<Lettura> letture(bool tutte) const;
    void emettiDigitali(Punto::Tipo tipo, int unita, const RisposteScheda::Digitali &stati);

    Opzioni m_opzioni;
    ValoriProgramma m_valori;
    TestoStatoRegistro m_testoStato;
    SessioneScheda *m_sessione = nullptr;
    Fase m_fase = Fase::Scollegata;
    bool m_fermato = false;

    QString m_testo;                    // received since the last prompt
    bool m_primoSegmento = true;        // may have started mid-reply: not used
    std::optional<bool> m_modoContinuo; // as the board's idle output shows it
    bool m_modoVerificato = false;

    // The reply the executor waits for: armed when the command's first byte goes out.
    RisposteScheda::Attesa m_attesa = RisposteScheda::Attesa::Nessuna;
    int m_unitaAttesa = 0;
    bool m_inScrittura = false;
    bool m_attesaArmata = false;
    bool m_rispostaArrivata = false;
    std::optional<RisposteScheda::Digitali> m_ultimiDigitali;

    QQueue<ComandoInCoda> m_comandi;
    QQueue<Lettura> m_letture;
    bool m_letturaInizialeRiuscita = true;
    bool m_inEsecuzione = false;
    bool m_interrotto = false;

    QTimer m_silenzio;
    QTimer m_riprova;
    QTimer m_periodo;
    int m_ritardoRiprovaMs = 1000;
};
