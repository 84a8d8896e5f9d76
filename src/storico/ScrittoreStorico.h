#pragma once

#include "storico/LottoStorico.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>

#include <array>

class QSqlError;

// Writes the history on a thread of its own: each lot handed over goes in one transaction,
// readings packed a minute of one input to a row, with the minute and hour rollups brought up
// to date in the same transaction. What cannot be written stays in memory and is tried again
// on a timer: a full disk or a store held by another program pauses recording with one notice
// and it resumes by itself; a damaged file is moved aside and a new one started. Every call
// returns at once or after one transaction; nothing waits inside an event loop.
class ScrittoreStorico : public QObject
{
    Q_OBJECT
public:
    enum class Stato { Chiuso, Attivo, Pieno, Occupato, Recente, Errore };
    Q_ENUM(Stato)

    struct Conservazione
    {
        // Raw readings; the rollups, the states of digital points and the events.
        int giorniLetture = 30;
        int giorniRiassunti = 400;
    };

    // The rollups kept, in minutes: a span drawn at one pixel per column reads the longest
    // period that is no longer than a column, a few thousand rows at most.
    static constexpr std::array<int, 4> PeriodiRiassunti = {1, 10, 60, 360};

    // Past this many items waiting (a day and more of readings) the oldest readings go.
    static constexpr qsizetype MassimoInAttesa = 1000000;

    ScrittoreStorico(const QString &percorso, const Conservazione &conservazione, int ritentaMs,
                     QObject *parent = nullptr);
    ~ScrittoreStorico() override;

    // On the writer's thread. The file is made only when the first lot comes.
    void apri();
    void scrivi(LottoStorico lotto);
    // Drops what is older than the retention allows, as of `adessoMs`.
    void conserva(qint64 adessoMs);
    // Writes what waits, if it can, and closes the file.
    void chiudi();
    // A reader found the file damaged: checked, and moved aside when it is.
    void verifica();

    Stato stato() const { return m_stato; }
    qsizetype inAttesa() const { return m_attesa.size(); }

signals:
    // A new state, with the notice for the operator (empty when none is due).
    void statoCambiato(ScrittoreStorico::Stato stato, const QString &testo);
    // A transaction was committed: rows written since the file was opened, and the time of
    // the newest item written.
    void scritto(qint64 totale);
    // The damaged file went aside under this name; a new one is in use.
    void spostato(const QString &nuovoNome);

private:
    bool apriFile(QSqlError *errore);
    void apriFileEScrivi();
    void chiudiFile();
    void prova();
    bool scriviLotto(const LottoStorico &lotto, QSqlError *errore);
    void guasto(const QSqlError &errore);
    void spostaDanneggiato();
    void imposta(Stato stato, const QString &testo);
    void limitaAttesa();

    QString m_percorso;
    QString m_nomeConnessione;
    Conservazione m_conservazione;
    QSqlDatabase m_db;
    bool m_aperto = false;
    Stato m_stato = Stato::Chiuso;
    LottoStorico m_attesa;
    qint64 m_totale = 0;
    QTimer m_ritenta;
    QTimer m_conservazioneTimer;
};
