#pragma once

#include <QByteArray>
#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

struct mosquitto;
struct mosquitto_message;
struct mqtt5__property;
typedef struct mqtt5__property mosquitto_property;

// What MQTT 5 adds to a message for request and response: where to answer, what to answer
// with, and (on an answer) why the request was refused.
struct ProprietaMqtt
{
    QString rispostaA;
    QByteArray correlazione;
    QString errore;
};
Q_DECLARE_METATYPE(ProprietaMqtt)

// The MQTT client: libmosquitto on a thread of its own, so that a slow name lookup, a stalled
// connect or a broker that stops reading never holds up the board's pacing on the main thread.
// The thread connects, keeps the connection and reconnects after a loss (1 s doubling to 60 s,
// with jitter; minutes after refused credentials). What arrives reaches the main thread through
// queued signals; publishing is safe from the main thread.
class ClientMqtt : public QObject
{
    Q_OBJECT
public:
    // The syslog levels of its log lines.
    enum class Livello { Errore = 3, Avviso = 4, Info = 6 };

    struct Opzioni
    {
        QString host;
        int porta = 1883;
        QString utente;
        QString password;
        QString ca; // TLS 1.2 or later, the broker checked against this CA, when set
        QString idClient;
        // This instance's mark (the machine and the settings folder): a retained "online" with
        // another mark on the state topic means another bridge runs on these topics.
        QString marca;
        // Retained "online" on every connect, "offline" as last will and on a clean stop; none
        // (and no look for another instance) when empty.
        QString argomentoStato;
        // Where its log lines go, from any thread; none when empty.
        std::function<void(Livello, const QString &)> registro;
        QStringList sottoscrizioni;
        int keepAliveS = 30;
        int ritardoMinimoMs = 1000;
        int ritardoMassimoMs = 60000;
        int ritardoCredenzialiMs = 300000;
    };

    explicit ClientMqtt(Opzioni opzioni, QObject *parent = nullptr);
    ~ClientMqtt() override;

    // The broker's reason code (MQTT 5) in the operator's words.
    static QString motivoBroker(int codice);

    // Starts the thread; false when the library refused the settings (logged).
    bool avvia();
    // Publishes now when connected; false (nothing queued) otherwise. Any thread.
    bool pubblica(const QString &argomento, const QByteArray &payload, bool trattenuto,
                  int qos = 0);
    // Publishes with MQTT 5 properties, not retained; the message id (-1 when nothing went).
    // With QoS 1 the broker's answer comes as `pubblicato`. Any thread.
    int pubblicaV5(const QString &argomento, const QByteArray &payload, const ProprietaMqtt &p,
                   int qos = 1);
    // A clean stop: "offline" on the state topic, waited for at most `limiteMs`, then the
    // disconnect and the end of the thread.
    void ferma(int limiteMs = 2000);
    // Stops without waiting for the thread (it may be inside a connect that takes minutes to
    // give up): the client deletes itself on its own thread's return. Nothing more is
    // published; what it still tells goes to whoever stays connected.
    void fermaEdElimina();
    bool isCollegato() const { return m_collegato; }

signals:
    // The first look for another bridge on the state topic is over (or could not be made):
    // the board may be opened.
    void verificaConclusa();
    // Another bridge, with another mark, is online on these topics: nothing was connected.
    void istanzaDoppia(const QString &marcaAltrui);
    // The TLS handshake with the broker failed: the library does not say why.
    void tlsRifiutato();
    // Connected and subscribed, "online" published: time to publish everything again.
    void collegato();
    void scollegato();
    void messaggio(const QString &argomento, const QByteArray &payload, bool trattenuto);
    // A message with a response topic, correlation data or a refusal (MQTT 5).
    void messaggioCorrelato(const QString &argomento, const QByteArray &payload,
                            const ProprietaMqtt &proprieta);
    // The broker's answer to a QoS 1 publication: a reason code >= 0x80 is a refusal.
    void pubblicato(int mid, int motivo);

private:
    static void suConnessione(mosquitto *m, void *oggetto, int esito);
    static void suMessaggio(mosquitto *m, void *oggetto, const mosquitto_message *messaggio,
                            const mosquitto_property *proprieta);
    void registra(Livello livello, const QString &testo) const;
    static void suPubblicato(mosquitto *m, void *oggetto, int mid, int motivo,
                             const mosquitto_property *proprieta);
    static void suSottoscritto(mosquitto *m, void *oggetto, int mid, int quanti,
                               const int *concessi, const mosquitto_property *proprieta);

    enum class Verifica { Libera, Doppia, Ignota };
    // A short look at the state topic under another client id, before the first connection.
    Verifica verificaIstanza(QString &marcaAltrui);
    // User, password and TLS as set.
    int accesso(mosquitto *m) const;
    void ciclo();
    // Sleeps `ms` unless stopped meanwhile; false when stopped.
    bool dormi(int ms);
    int prossimoRitardo();
    void perso(const QString &motivo);

    Opzioni m_opzioni;
    mosquitto *m_mosq = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_collegato{false};
    std::atomic<bool> m_fermata{false};
    // Set by the CONNACK callback: 0 accepted, > 0 refused, -1 none yet.
    std::atomic<int> m_esitoConnack{-1};
    int m_ritardoMs = 0;
    // fermaEdElimina() was called / the thread has returned: whichever comes second deletes.
    std::mutex m_mutexFine;
    bool m_autoElimina = false;
    bool m_threadFinito = false;
    bool m_verificaTentata = false;
    std::mutex m_mutex;
    std::condition_variable m_sveglia;
    int m_midAtteso = -1;
    bool m_midArrivato = false;
    // Publications with an answer from the broker (QoS 1) and subscriptions still waiting for
    // it, by message id, so that a refusal names its topic. Guarded by m_mutexAttese.
    std::mutex m_mutexAttese;
    QHash<int, QString> m_inAttesa;
    QHash<int, QString> m_sottoscrizioniInAttesa;
    void esitoPubblicazione(const QString &argomento, int motivo);
};
