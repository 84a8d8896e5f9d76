#pragma once

#include "core/ValoriProgramma.h"
#include "link/Temporizzazioni.h"
#include "ponte/AnnunciHomeAssistant.h"
#include "ponte/ArgomentiMqtt.h"
#include "ponte/DiagnosiTls.h"
#include "ponte/ImpostazioniPonte.h"
#include "ponte/StatiPubblicati.h"
#include "storico/ImpostazioniAllarmi.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class ClientMqtt;
struct ProprietaMqtt;
class LatoScheda;
class RegistrazioneScheda;
class Storico;
struct Punto;

// The bridge: the board's points as retained MQTT states, commands from the "/set" topics,
// Home Assistant discovery, and the availability of the bridge and of the board.
class Ponte : public QObject
{
    Q_OBJECT
public:
    struct Opzioni
    {
        QString cartella; // where "Porte.INI", "Impostazioni.INI" and "Ponte.INI" live
        bool unaVolta = false;
        int limiteUnaVoltaMs = 60000;
        QString versione;
        // The link's pacing; the silence limit comes from the settings.
        Temporizzazioni tempi;
    };

    Ponte(Opzioni opzioni, ImpostazioniPonte impostazioni, QObject *parent = nullptr);
    ~Ponte() override;

    // Starts both sides; the text says why the bridge cannot start.
    QString avvia();
    // A clean stop: the board's link closed, "offline" published, the broker left.
    void ferma();

signals:
    // With --una-volta: every point read and published (0), or not within the limit (1).
    void concluso(int codice);

private:
    void letto(const Punto &punto, int grezzo);
    void inLinea(bool inLinea);
    void unitaInLinea(int unita, bool inLinea);
    void collegato();
    void messaggio(const QString &argomento, const QByteArray &payload, bool trattenuto);
    void comandoSet(const QString &argomento, const QByteArray &payload);
    // A panel's request: carried out and answered on its response topic.
    void richiestaPannello(const QString &argomento, const QByteArray &payload,
                           const ProprietaMqtt &proprieta);
    void rispondiErrore(const QString &argomento, const QByteArray &payload, const QString &motivo);
    void pubblicaScheda();
    // The diagnostics now, if they changed since last published.
    void pubblicaDiagnostica();
    void pubblicaAnnunci(bool tutti);
    void ricaricaConfigurazione();
    // Whether `punto` (a board input) is in alarm, on its retained topic while its alarm is on.
    void statoAllarme(const Punto &punto, bool attivo);
    // An alarm turned off: its retained state cleared.
    void spegniAllarme(const Punto &punto);
    void guardaImpostazioni();
    void verificaFine();

    Opzioni m_opzioni;
    ImpostazioniPonte m_impostazioni;
    ArgomentiMqtt m_argomenti;
    AnnunciHomeAssistant m_annunci;
    ValoriConfigurazione m_configurazione;
    StatiPubblicati m_stati;
    QHash<QString, QByteArray> m_annunciPubblicati;
    ClientMqtt *m_mqtt = nullptr;
    LatoScheda *m_scheda = nullptr;
    bool m_schedaInLinea = false;
    // Each bridged unit's last known availability, as published.
    QHash<int, bool> m_unitaInLinea;
    // As this thread has heard it: the states kept while the broker was away are out again.
    bool m_mqttCollegato = false;
    bool m_fermato = false;
    bool m_concluso = false;
    QFileSystemWatcher m_osservatore;
    QTimer m_ricarica;
    QTimer m_limite;
    // The diagnostics: what changes often goes out at most every few seconds.
    int m_rispostaMs = -1;
    qint64 m_rifiutati = 0;
    QDateTime m_ultimaRisposta;
    QByteArray m_diagnosticaPubblicata;
    QTimer m_diagnostica;
    DiagnosiTls m_diagnosiTls;
    // The discovery again after Home Assistant's birth.
    QTimer m_reannuncio;
    QElapsedTimer m_primaNascita;
    // The wrong scale last told of for each analog input.
    QHash<int, QString> m_scaleNonValide;
    // The settings file as last read: its folder also holds the history, which changes all day.
    QByteArray m_testoImpostazioni;
    ImpostazioniAllarmi m_allarmi;
    // Everything read goes into the history too, and the alarms come from there.
    Storico *m_storico = nullptr;
    RegistrazioneScheda *m_registrazione = nullptr;
};
