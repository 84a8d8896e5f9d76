#pragma once

#include "storico/LottoStorico.h"
#include "storico/ScrittoreStorico.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QThread>
#include <QTimer>

#include <array>

struct OpzioniStorico
{
    ScrittoreStorico::Conservazione conservazione;
    // How often what came is written, in one transaction.
    int intervalloMs = 1000;
    // How soon a paused store is tried again.
    int ritentaMs = 10000;
};

// The history that outlives the window: one SQLite file ("Storico.sqlite" in the settings
// folder) of analog readings, states of the other points and events. Whoever holds the board
// hands what it receives over here on the GUI thread; it is gathered and written once a second
// on the writer's own thread, so neither painting nor the link ever waits for the disk.
// Reading (the trend window, the logbook) goes through a connection of the GUI thread, which
// the WAL journal lets read while the writer writes. Times are UTC milliseconds throughout.
class Storico : public QObject
{
    Q_OBJECT
public:
    static inline const QString NomeFile = QStringLiteral("Storico.sqlite");
    static constexpr int NumeroIngressi = 8;

    using Opzioni = OpzioniStorico;
    // The retention kept in "Impostazioni.INI", section "STORICO": "GiorniLetture" and
    // "GiorniRiassunti", whole days from 1 to 36500; a missing or unusable value keeps its default.
    static Opzioni opzioniDa(const QString &fileImpostazioni);

    explicit Storico(const QString &percorso, const Opzioni &opzioni = {},
                     QObject *parent = nullptr);
    // Writes what waits and closes the file.
    ~Storico() override;

    const QString &percorso() const { return m_percorso; }
    ScrittoreStorico::Stato stato() const { return m_stato; }

    // `ingresso` 1..8; the name and unit are those in force when the reading came.
    void aggiungiLettura(int ingresso, qint64 ms, int grezzo, qint64 valore, const QString &nome,
                         const QString &unita);
    void aggiungiStato(int punto, qint64 ms, qint64 valore);
    void aggiungiEvento(const EventoStorico &evento);
    // Hands what waits to the writer now rather than at the next tick.
    void scriviOra();
    // Retention as of `adessoMs`, on the writer's thread (it also runs by itself every hour).
    void conserva(qint64 adessoMs);

    // The rollup of one input over one period.
    struct Riassunto
    {
        int ingresso = 1;
        qint64 inizioMs = 0;
        qint64 minimo = 0;
        qint64 massimo = 0;
        qint64 somma = 0;
        qint64 numero = 0;
    };
    struct FiltroEventi
    {
        qint64 daMs = 0;
        qint64 aMs = 0;
        // 0: any.
        int punto = 0;
        int tipo = 0;
    };

    // Raw readings of one input from `daMs` up to, not including, `aMs`, in time order.
    QList<LetturaAnalogica> letture(int ingresso, qint64 daMs, qint64 aMs) const;
    // Rollups of `periodoMinuti` (one of ScrittoreStorico::PeriodiRiassunti) of every input whose period starts before `aMs` and
    // ends after `daMs`, by start then input.
    QList<Riassunto> riassunti(int periodoMinuti, qint64 daMs, qint64 aMs) const;
    QList<CambioStato> stati(qint64 daMs, qint64 aMs) const;
    QList<EventoStorico> eventi(const FiltroEventi &filtro) const;
    // Every name and unit an input has carried, by input then time.
    QList<EtichettaIngresso> etichette() const;

signals:
    // The store paused, resumed or started afresh; `testo` is the notice for the operator,
    // empty when there is nothing to say.
    void statoCambiato(ScrittoreStorico::Stato stato, const QString &testo);
    // A transaction was committed: items written since the store was opened.
    void scritto(qint64 totale);

private:
    bool lettore() const;
    void chiudiLettore() const;
    void letturaFallita(const class QSqlError &errore) const;

    QString m_percorso;
    QString m_nomeLettore;
    ScrittoreStorico::Stato m_stato = ScrittoreStorico::Stato::Chiuso;
    QThread m_thread;
    ScrittoreStorico *m_scrittore = nullptr;
    LottoStorico m_lotto;
    QTimer m_timer;
    // Name and unit each input's rows last carried.
    std::array<QString, NumeroIngressi> m_nomi;
    std::array<QString, NumeroIngressi> m_unita;
    std::array<bool, NumeroIngressi> m_etichettaNota{};
    mutable QSqlDatabase m_db;
    mutable bool m_verificaChiesta = false;
};
