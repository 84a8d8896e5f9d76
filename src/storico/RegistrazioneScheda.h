#pragma once

#include "storico/ImpostazioniAllarmi.h"
#include "storico/LottoStorico.h"
#include "storico/PuntoStorico.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>

class SessioneScheda;
class Storico;
struct Comando;
struct GiroContinuo;
struct Risposta;
struct ValoriConfigurazione;

// Keeps what the board says in the history, whatever page is on screen: every analog input
// reading (raw, scaled by the configured range, with its name and unit), the analog outputs,
// and every change of a relay, a digital input or a unit point, each change also an event
// saying who caused it (this program's own command, or someone else on the same board). It
// also watches the inputs' alarm settings and tells when an alarm is raised or cleared.
class RegistrazioneScheda : public QObject
{
    Q_OBJECT
public:
    // `origine`: who this program is (the panel, or the bridge); `fileImpostazioni` holds the
    // alarm settings, read again whenever the file changes.
    RegistrazioneScheda(SessioneScheda &sessione, Storico &storico,
                        const ValoriConfigurazione &configurazione,
                        const QString &fileImpostazioni, EventoStorico::Origine origine,
                        QObject *parent = nullptr);

    // Who the commands this program writes come from, asked as each is written: this program
    // itself unless told otherwise (the bridge also writes the commands of panels).
    void setOrigineComandi(std::function<EventoStorico::Origine()> origine)
    {
        m_origineComandi = std::move(origine);
    }
    // Tests: the clock that stamps what comes.
    void setOrologio(std::function<qint64()> orologio) { m_orologio = std::move(orologio); }

    // What the board said, as the reader gives it (public so the bridge and tests can feed it).
    void risposta(const Risposta &risposta);
    void giro(const GiroContinuo &giro);
    void comando(const Comando &comando);
    void collegamentoPerso();
    void pronto();

    // Whether the point is in alarm now.
    bool isInAllarme(const PuntoStorico &punto) const { return m_allarmi.value(punto.codice()); }

signals:
    // An analog input reading kept, scaled as the page shows it.
    void letturaAnalogica(int ingresso, qint64 valore, qint64 ms);
    // An alarm was raised (`attivo`) or cleared; `testo` says what for the operator.
    void allarme(const PuntoStorico &punto, bool attivo, const QString &testo);
    // An input's reading was weighed against its alarm settings: told at every reading of a
    // board input, whether it changed or not.
    void allarmeValutato(const PuntoStorico &punto, bool attivo);

private:
    void digitali(PuntoStorico::Famiglia famiglia, int unita, const std::array<bool, 8> &stati,
                  qint64 ms);
    void livelli(PuntoStorico::Famiglia famiglia, int unita, const QList<int> &valori, qint64 ms);
    void analogici(const QList<int> &valori, qint64 ms);
    void cambioAllarme(const PuntoStorico &punto, bool attivo, qint64 ms, const QString &motivo);
    // The origin of a change of `punto`: this program's if it asked for it lately.
    EventoStorico::Origine origineDi(const PuntoStorico &punto, qint64 ms);
    const ImpostazioniAllarmi &impostazioni();
    QString nomePunto(const PuntoStorico &punto) const;

    Storico &m_storico;
    const ValoriConfigurazione &m_configurazione;
    QString m_fileImpostazioni;
    EventoStorico::Origine m_origine;
    std::function<qint64()> m_orologio;
    // Last known value of every point seen, by code.
    QHash<int, qint64> m_ultimi;
    QHash<int, bool> m_allarmi;
    // Points this program switched lately, when, and for whom.
    QHash<int, std::pair<qint64, EventoStorico::Origine>> m_comandati;
    std::function<EventoStorico::Origine()> m_origineComandi;
    bool m_perso = false;
    ImpostazioniAllarmi m_impostazioni;
    QDateTime m_modificaImpostazioni;
    qint64 m_dimensioneImpostazioni = -1;
};
