#include "mqtt/ClientMqtt.h"

#include "mqtt/LibreriaMosquitto.h"

#include <QRandomGenerator>

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <utility>

namespace {

std::once_flag g_libreria;

const QByteArray kOnline = QByteArrayLiteral("online");
// The user property that marks the bridge's "online" with its instance.
constexpr const char *kProprietaIstanza = "brivola-istanza";
const QByteArray kOffline = QByteArrayLiteral("offline");
// The user property of an answer that says why a request was refused.
constexpr const char *kProprietaErrore = "errore";

// The library's error in the operator's words.
QString testoErrore(int rc)
{
    switch (rc) {
    case MOSQ_ERR_NOMEM:
        return QStringLiteral("memoria esaurita");
    case MOSQ_ERR_NO_CONN:
        return QStringLiteral("non collegato");
    case MOSQ_ERR_CONN_REFUSED:
        return QStringLiteral("collegamento rifiutato");
    case MOSQ_ERR_CONN_LOST:
        return QStringLiteral("collegamento perso");
    case MOSQ_ERR_TLS:
        return QStringLiteral("errore TLS");
    case MOSQ_ERR_TLS_HANDSHAKE:
        return QStringLiteral("negoziazione TLS non riuscita");
    case MOSQ_ERR_ERRNO:
        return QStringLiteral("errore di rete (%1)").arg(errno);
    case MOSQ_ERR_EAI:
        return QStringLiteral("nome del broker non risolto");
    case MOSQ_ERR_KEEPALIVE:
        return QStringLiteral("il broker non risponde più");
    case MOSQ_ERR_PROTOCOL:
        return QStringLiteral("errore di protocollo");
    case MOSQ_ERR_INVAL:
        return QStringLiteral("impostazione non valida");
    default:
        return QStringLiteral("errore %1 della libreria MQTT").arg(rc);
    }
}

} // namespace

ClientMqtt::ClientMqtt(Opzioni opzioni, QObject *parent)
    : QObject(parent), m_opzioni(std::move(opzioni)), m_ritardoMs(m_opzioni.ritardoMinimoMs)
{
    std::call_once(g_libreria, [] { mosquitto_lib_init(); });
}

ClientMqtt::~ClientMqtt()
{
    m_fermata = true;
    m_sveglia.notify_all();
    if (m_mosq) {
        mosquitto_disconnect(m_mosq);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_mosq) {
        mosquitto_destroy(m_mosq);
    }
}

bool ClientMqtt::avvia()
{
    if (QString motivo; !LibreriaMosquitto::apri(&motivo)) {
        registra(Livello::Errore,
                 QStringLiteral("MQTT: libreria libmosquitto non disponibile: %1").arg(motivo));
        return false;
    }
    const QByteArray id = m_opzioni.idClient.toUtf8();
    m_mosq = mosquitto_new(id.constData(), true, this);
    if (!m_mosq) {
        registra(Livello::Errore, QStringLiteral("MQTT: impossibile creare il client"));
        return false;
    }
    mosquitto_threaded_set(m_mosq, true);
    // MQTT 5: a retained message keeps its flag when delivered live, so a command left on the
    // broker is told apart from one sent now, and the bridge does not hear its own publishes.
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_callback_set(m_mosq, &ClientMqtt::suConnessione);
    mosquitto_message_v5_callback_set(m_mosq, &ClientMqtt::suMessaggio);
    mosquitto_publish_v5_callback_set(m_mosq, &ClientMqtt::suPubblicato);
    mosquitto_subscribe_v5_callback_set(m_mosq, &ClientMqtt::suSottoscritto);

    const QByteArray stato = m_opzioni.argomentoStato.toUtf8();
    int rc = MOSQ_ERR_SUCCESS;
    if (!stato.isEmpty()) {
        rc = mosquitto_will_set(m_mosq, stato.constData(), int(kOffline.size()),
                                kOffline.constData(), 1, true);
    }
    if (rc == MOSQ_ERR_SUCCESS) {
        rc = accesso(m_mosq);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        registra(Livello::Errore, QStringLiteral("MQTT: impostazioni rifiutate: %1").arg(testoErrore(rc)));
        return false;
    }
    m_thread = std::thread([this] {
        ciclo();
        bool elimina = false;
        {
            std::lock_guard blocco(m_mutexFine);
            m_threadFinito = true;
            elimina = m_autoElimina;
        }
        if (elimina) {
            QMetaObject::invokeMethod(this, &QObject::deleteLater, Qt::QueuedConnection);
        }
    });
    return true;
}

int ClientMqtt::accesso(mosquitto *m) const
{
    int rc = MOSQ_ERR_SUCCESS;
    if (!m_opzioni.utente.isEmpty()) {
        rc = mosquitto_username_pw_set(
            m, m_opzioni.utente.toUtf8().constData(),
            m_opzioni.password.isEmpty() ? nullptr : m_opzioni.password.toUtf8().constData());
    }
    if (rc == MOSQ_ERR_SUCCESS && !m_opzioni.ca.isEmpty()) {
        rc = mosquitto_tls_set(m, m_opzioni.ca.toLocal8Bit().constData(), nullptr, nullptr, nullptr,
                               nullptr);
        if (rc == MOSQ_ERR_SUCCESS) {
            // Verify the broker; TLS 1.2 or later.
            rc = mosquitto_tls_opts_set(m, 1, "tlsv1.2", nullptr);
        }
    }
    return rc;
}

namespace {

// What the look at the state topic found.
struct Sonda
{
    QByteArray argomento;
    bool sottoscritto = false;
    bool trovato = false;
    QByteArray payload;
    QByteArray marca;
};

} // namespace

ClientMqtt::Verifica ClientMqtt::verificaIstanza(QString &marcaAltrui)
{
    // A client of its own, with another id and no will: taking the bridge's id to look would
    // throw a running bridge off the broker.
    const QByteArray id = (m_opzioni.idClient + QStringLiteral("-verifica-") +
                           QString::number(QRandomGenerator::global()->generate(), 16))
                              .toUtf8();
    Sonda sonda;
    sonda.argomento = m_opzioni.argomentoStato.toUtf8();
    mosquitto *m = mosquitto_new(id.constData(), true, &sonda);
    if (!m) {
        return Verifica::Ignota;
    }
    mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_subscribe_callback_set(m, [](mosquitto *, void *o, int, int, const int *) {
        static_cast<Sonda *>(o)->sottoscritto = true;
    });
    mosquitto_message_v5_callback_set(
        m, [](mosquitto *, void *o, const mosquitto_message *msg, const mosquitto_property *p) {
            auto *s = static_cast<Sonda *>(o);
            if (s->argomento != msg->topic || !msg->retain) {
                return;
            }
            s->trovato = true;
            s->payload = QByteArray(static_cast<const char *>(msg->payload), msg->payloadlen);
            char *nome = nullptr;
            char *valore = nullptr;
            if (mosquitto_property_read_string_pair(p, MQTT_PROP_USER_PROPERTY, &nome, &valore,
                                                    false) &&
                qstrcmp(nome, kProprietaIstanza) == 0) {
                s->marca = valore;
            }
            std::free(nome);
            std::free(valore);
        });
    Verifica esito = Verifica::Ignota;
    if (accesso(m) == MOSQ_ERR_SUCCESS &&
        mosquitto_connect(m, m_opzioni.host.toUtf8().constData(), m_opzioni.porta,
                          m_opzioni.keepAliveS) == MOSQ_ERR_SUCCESS &&
        mosquitto_subscribe(m, nullptr, sonda.argomento.constData(), 1) == MOSQ_ERR_SUCCESS) {
        // The retained state comes right after the subscription is granted.
        const auto inizio = std::chrono::steady_clock::now();
        std::optional<std::chrono::steady_clock::time_point> concessa;
        while (!m_fermata && std::chrono::steady_clock::now() - inizio < std::chrono::seconds(5)) {
            if (mosquitto_loop(m, 100, 1) != MOSQ_ERR_SUCCESS) {
                break;
            }
            if (sonda.sottoscritto && !concessa) {
                concessa = std::chrono::steady_clock::now();
            }
            if (sonda.trovato || (concessa && std::chrono::steady_clock::now() - *concessa >
                                                  std::chrono::milliseconds(500))) {
                esito = Verifica::Libera;
                break;
            }
        }
        mosquitto_disconnect(m);
    }
    mosquitto_destroy(m);
    if (esito == Verifica::Libera && sonda.trovato && sonda.payload == kOnline &&
        sonda.marca != m_opzioni.marca.toUtf8()) {
        marcaAltrui =
            sonda.marca.isEmpty() ? QStringLiteral("nessun segno") : QString::fromUtf8(sonda.marca);
        return Verifica::Doppia;
    }
    return esito;
}

bool ClientMqtt::dormi(int ms)
{
    std::unique_lock blocco(m_mutex);
    return !m_sveglia.wait_for(blocco, std::chrono::milliseconds(ms),
                               [this] { return m_fermata.load(); });
}

int ClientMqtt::prossimoRitardo()
{
    // Jitter, so that bridges restarted together do not knock on the broker together.
    const double fattore = 0.8 + 0.4 * QRandomGenerator::global()->generateDouble();
    const int ritardo = int(m_ritardoMs * fattore);
    m_ritardoMs = std::min(m_ritardoMs * 2, m_opzioni.ritardoMassimoMs);
    return std::min(ritardo, m_opzioni.ritardoMassimoMs);
}

void ClientMqtt::perso(const QString &motivo)
{
    if (m_collegato.exchange(false)) {
        registra(Livello::Avviso, QStringLiteral("MQTT: collegamento perso: %1").arg(motivo));
        emit scollegato();
    }
}

void ClientMqtt::ciclo()
{
    const QByteArray host = m_opzioni.host.toUtf8();
    const QString indirizzo = m_opzioni.host + QLatin1Char(':') + QString::number(m_opzioni.porta);
    bool verificata = false;
    while (!m_fermata) {
        m_esitoConnack = -1;
        // Before the first connection: is another bridge on these topics already?
        if (!verificata && m_opzioni.argomentoStato.isEmpty()) {
            verificata = true;
            if (!std::exchange(m_verificaTentata, true)) {
                emit verificaConclusa();
            }
        }
        if (!verificata) {
            QString altra;
            const Verifica verifica = verificaIstanza(altra);
            if (verifica == Verifica::Doppia) {
                emit istanzaDoppia(altra);
                return;
            }
            verificata = verifica == Verifica::Libera;
            if (!std::exchange(m_verificaTentata, true)) {
                emit verificaConclusa();
            }
        }
        // Name lookup and TCP connect, blocking: on this thread only.
        int rc = mosquitto_connect(m_mosq, host.constData(), m_opzioni.porta, m_opzioni.keepAliveS);
        if (rc == MOSQ_ERR_TLS || rc == MOSQ_ERR_TLS_HANDSHAKE) {
            emit tlsRifiutato();
        }
        if (rc == MOSQ_ERR_SUCCESS) {
            // Whatever the look found or could not find, it is not needed any more.
            verificata = true;
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            const int ritardo = prossimoRitardo();
            registra(Livello::Avviso, QStringLiteral("MQTT: broker %1 non raggiungibile (%2); nuovo "
                                            "tentativo tra %3 ms")
                                 .arg(indirizzo, testoErrore(rc))
                                 .arg(ritardo));
            dormi(ritardo);
            continue;
        }
        while (!m_fermata) {
            rc = mosquitto_loop(m_mosq, 1000, 1);
            if (rc != MOSQ_ERR_SUCCESS || m_esitoConnack > 0) {
                break;
            }
            // Some TLS failures close the socket without a disconnect callback or an error
            // from the loop: a connection with no socket is a lost one.
            if (mosquitto_socket(m_mosq) < 0) {
                rc = MOSQ_ERR_CONN_LOST;
                break;
            }
        }
        if (m_fermata) {
            break;
        }
        const int connack = m_esitoConnack;
        if (rc == MOSQ_ERR_TLS || rc == MOSQ_ERR_TLS_HANDSHAKE) {
            emit tlsRifiutato();
        }
        perso(connack > 0 ? motivoBroker(connack) : testoErrore(rc));
        mosquitto_disconnect(m_mosq);
        int ritardo = prossimoRitardo();
        // Refused credentials do not mend themselves: no hammering on the broker.
        if (connack == MQTT_RC_BAD_USERNAME_OR_PASSWORD || connack == MQTT_RC_NOT_AUTHORIZED) {
            ritardo = m_opzioni.ritardoCredenzialiMs;
        }
        if (connack > 0) {
            registra(Livello::Errore, QStringLiteral("MQTT: il broker %1 rifiuta il collegamento: %2; "
                                            "nuovo tentativo tra %3 s")
                                 .arg(indirizzo, motivoBroker(connack))
                                 .arg(ritardo / 1000));
        } else {
            registra(Livello::Avviso, QStringLiteral("MQTT: collegamento con il broker %1 interrotto (%2); "
                                            "nuovo tentativo tra %3 ms")
                                 .arg(indirizzo, testoErrore(rc))
                                 .arg(ritardo));
        }
        dormi(ritardo);
    }
    if (m_collegato.exchange(false)) {
        emit scollegato();
    }
}

void ClientMqtt::suConnessione(mosquitto *m, void *oggetto, int esito)
{
    auto *self = static_cast<ClientMqtt *>(oggetto);
    self->m_esitoConnack = esito;
    if (esito != 0) {
        return;
    }
    self->m_ritardoMs = self->m_opzioni.ritardoMinimoMs;
    const QByteArray stato = self->m_opzioni.argomentoStato.toUtf8();
    {
        // What was waiting on the last connection will not be answered.
        std::lock_guard blocco(self->m_mutexAttese);
        self->m_inAttesa.clear();
        self->m_sottoscrizioniInAttesa.clear();
    }
    int mid = -1;
    // Marked as this instance's, so that a second bridge on these topics can tell it from its
    // own earlier run.
    mosquitto_property *proprieta = nullptr;
    mosquitto_property_add_string_pair(&proprieta, MQTT_PROP_USER_PROPERTY, kProprietaIstanza,
                                       self->m_opzioni.marca.toUtf8().constData());
    if (!stato.isEmpty()) {
        std::lock_guard blocco(self->m_mutexAttese);
        const int rc = mosquitto_publish_v5(m, &mid, stato.constData(), int(kOnline.size()),
                                            kOnline.constData(), 1, true, proprieta);
        if (rc == MOSQ_ERR_SUCCESS) {
            self->m_inAttesa.insert(mid, self->m_opzioni.argomentoStato);
        }
    }
    mosquitto_property_free_all(&proprieta);
    for (const QString &filtro : std::as_const(self->m_opzioni.sottoscrizioni)) {
        int mid = -1;
        // The answer comes on this thread, after this callback: no race with the insert.
        if (mosquitto_subscribe_v5(m, &mid, filtro.toUtf8().constData(), 1,
                                   MQTT_SUB_OPT_NO_LOCAL | MQTT_SUB_OPT_RETAIN_AS_PUBLISHED,
                                   nullptr) == MOSQ_ERR_SUCCESS) {
            std::lock_guard blocco(self->m_mutexAttese);
            self->m_sottoscrizioniInAttesa.insert(mid, filtro);
        }
    }
    self->registra(Livello::Info, QStringLiteral("MQTT: collegato a %1:%2 come %3")
                       .arg(self->m_opzioni.host)
                       .arg(self->m_opzioni.porta)
                       .arg(self->m_opzioni.idClient));
    self->m_collegato = true;
    emit self->collegato();
}

void ClientMqtt::suMessaggio(mosquitto *, void *oggetto, const mosquitto_message *messaggio,
                             const mosquitto_property *proprieta)
{
    auto *self = static_cast<ClientMqtt *>(oggetto);
    const QByteArray payload(static_cast<const char *>(messaggio->payload), messaggio->payloadlen);
    const QString argomento = QString::fromUtf8(messaggio->topic);
    ProprietaMqtt p;
    char *testo = nullptr;
    if (mosquitto_property_read_string(proprieta, MQTT_PROP_RESPONSE_TOPIC, &testo, false)) {
        p.rispostaA = QString::fromUtf8(testo);
        std::free(testo);
    }
    void *dati = nullptr;
    uint16_t lunghezza = 0;
    if (mosquitto_property_read_binary(proprieta, MQTT_PROP_CORRELATION_DATA, &dati, &lunghezza,
                                       false)) {
        p.correlazione = QByteArray(static_cast<const char *>(dati), lunghezza);
        std::free(dati);
    }
    bool salta = false;
    for (const mosquitto_property *q = proprieta; q; salta = true) {
        char *nome = nullptr;
        char *valore = nullptr;
        q = mosquitto_property_read_string_pair(q, MQTT_PROP_USER_PROPERTY, &nome, &valore,
                                                salta);
        if (!q) {
            break;
        }
        if (qstrcmp(nome, kProprietaErrore) == 0) {
            p.errore = QString::fromUtf8(valore);
        }
        std::free(nome);
        std::free(valore);
    }
    if (p.rispostaA.isEmpty() && p.correlazione.isEmpty() && p.errore.isEmpty()) {
        emit self->messaggio(argomento, payload, messaggio->retain);
    } else {
        emit self->messaggioCorrelato(argomento, payload, p);
    }
}

QString ClientMqtt::motivoBroker(int codice)
{
    switch (codice) {
    case MQTT_RC_UNSPECIFIED:
        return QStringLiteral("errore non specificato");
    case MQTT_RC_IMPLEMENTATION_SPECIFIC:
        return QStringLiteral("errore del broker");
    case MQTT_RC_NOT_AUTHORIZED:
        return QStringLiteral("non autorizzato");
    case MQTT_RC_TOPIC_FILTER_INVALID:
        return QStringLiteral("filtro non valido");
    case MQTT_RC_TOPIC_NAME_INVALID:
        return QStringLiteral("argomento non valido");
    case MQTT_RC_PACKET_TOO_LARGE:
        return QStringLiteral("messaggio troppo grande");
    case MQTT_RC_QUOTA_EXCEEDED:
        return QStringLiteral("quota superata");
    case MQTT_RC_PAYLOAD_FORMAT_INVALID:
        return QStringLiteral("formato del contenuto non valido");
    case MQTT_RC_RETAIN_NOT_SUPPORTED:
        return QStringLiteral("messaggi trattenuti non ammessi");
    case MQTT_RC_QOS_NOT_SUPPORTED:
        return QStringLiteral("QoS non ammessa");
    case MQTT_RC_SESSION_TAKEN_OVER:
        return QStringLiteral("un altro client si è collegato con lo stesso id client");
    case MQTT_RC_BAD_USERNAME_OR_PASSWORD:
        return QStringLiteral("utente o password sbagliati");
    case MQTT_RC_BANNED:
        return QStringLiteral("client escluso dal broker");
    case MQTT_RC_SERVER_UNAVAILABLE:
    case MQTT_RC_SERVER_BUSY:
        return QStringLiteral("broker non disponibile");
    case MQTT_RC_CLIENTID_NOT_VALID:
        return QStringLiteral("id client non valido");
    case MQTT_RC_WILDCARD_SUBS_NOT_SUPPORTED:
        return QStringLiteral("filtri con caratteri jolly non ammessi");
    default:
        return QStringLiteral("codice %1").arg(codice);
    }
}

void ClientMqtt::suPubblicato(mosquitto *, void *oggetto, int mid, int motivo,
                              const mosquitto_property *)
{
    auto *self = static_cast<ClientMqtt *>(oggetto);
    {
        std::lock_guard blocco(self->m_mutex);
        if (mid == self->m_midAtteso) {
            self->m_midArrivato = true;
        }
    }
    self->m_sveglia.notify_all();
    QString argomento;
    {
        std::lock_guard blocco(self->m_mutexAttese);
        argomento = self->m_inAttesa.take(mid);
    }
    if (argomento.isEmpty()) {
        // QoS 0, or the clean stop's own "offline".
        return;
    }
    self->esitoPubblicazione(argomento, motivo);
    emit self->pubblicato(mid, motivo);
}

void ClientMqtt::esitoPubblicazione(const QString &argomento, int motivo)
{
    if (motivo >= 0x80) {
        registra(Livello::Errore, QStringLiteral("MQTT: il broker rifiuta la pubblicazione su %1: %2")
                             .arg(argomento, motivoBroker(motivo)));
    }
}

void ClientMqtt::suSottoscritto(mosquitto *, void *oggetto, int mid, int quanti,
                                const int *concessi, const mosquitto_property *)
{
    auto *self = static_cast<ClientMqtt *>(oggetto);
    QString filtro;
    {
        std::lock_guard blocco(self->m_mutexAttese);
        filtro = self->m_sottoscrizioniInAttesa.take(mid);
    }
    for (int i = 0; i < quanti; ++i) {
        if (concessi[i] >= 0x80) {
            self->registra(Livello::Errore, QStringLiteral("MQTT: il broker rifiuta la sottoscrizione a %1 (%2): "
                                            "quel che vi arriva, comandi compresi, non sarà "
                                            "ricevuto")
                                 .arg(filtro, motivoBroker(concessi[i])));
        }
    }
}

bool ClientMqtt::pubblica(const QString &argomento, const QByteArray &payload, bool trattenuto,
                          int qos)
{
    if (!m_mosq || !m_collegato) {
        return false;
    }
    const QByteArray nome = argomento.toUtf8();
    if (qos == 0) {
        return mosquitto_publish(m_mosq, nullptr, nome.constData(), int(payload.size()),
                                 payload.constData(), 0, trattenuto) == MOSQ_ERR_SUCCESS;
    }
    // Held across the call: the broker's answer, read on the client's thread, may come before
    // it returns. (Only QoS 0 is told of inside the call itself, on this thread.)
    std::lock_guard blocco(m_mutexAttese);
    int mid = -1;
    const int rc = mosquitto_publish(m_mosq, &mid, nome.constData(), int(payload.size()),
                                     payload.constData(), qos, trattenuto);
    if (rc == MOSQ_ERR_SUCCESS) {
        m_inAttesa.insert(mid, argomento);
    }
    return rc == MOSQ_ERR_SUCCESS;
}

int ClientMqtt::pubblicaV5(const QString &argomento, const QByteArray &payload,
                           const ProprietaMqtt &p, int qos)
{
    if (!m_mosq || !m_collegato) {
        return -1;
    }
    mosquitto_property *proprieta = nullptr;
    const QByteArray rispostaA = p.rispostaA.toUtf8();
    if (!rispostaA.isEmpty()) {
        mosquitto_property_add_string(&proprieta, MQTT_PROP_RESPONSE_TOPIC, rispostaA.constData());
    }
    if (!p.correlazione.isEmpty()) {
        mosquitto_property_add_binary(&proprieta, MQTT_PROP_CORRELATION_DATA,
                                      p.correlazione.constData(), uint16_t(p.correlazione.size()));
    }
    if (!p.errore.isEmpty()) {
        mosquitto_property_add_string_pair(&proprieta, MQTT_PROP_USER_PROPERTY, kProprietaErrore,
                                           p.errore.toUtf8().constData());
    }
    const QByteArray nome = argomento.toUtf8();
    int mid = -1;
    int rc = MOSQ_ERR_SUCCESS;
    {
        // As in pubblica(): the answer may come before the call returns.
        std::lock_guard blocco(m_mutexAttese);
        rc = mosquitto_publish_v5(m_mosq, &mid, nome.constData(), int(payload.size()),
                                  payload.constData(), qos, false, proprieta);
        if (rc == MOSQ_ERR_SUCCESS && qos > 0) {
            m_inAttesa.insert(mid, argomento);
        }
    }
    mosquitto_property_free_all(&proprieta);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

void ClientMqtt::registra(Livello livello, const QString &testo) const
{
    if (m_opzioni.registro) {
        m_opzioni.registro(livello, testo);
    }
}

void ClientMqtt::fermaEdElimina()
{
    m_fermata = true;
    m_sveglia.notify_all();
    if (m_mosq) {
        mosquitto_disconnect(m_mosq);
    }
    bool finito = true;
    {
        std::lock_guard blocco(m_mutexFine);
        m_autoElimina = true;
        finito = m_threadFinito || !m_thread.joinable();
    }
    if (finito) {
        deleteLater();
    }
}

void ClientMqtt::ferma(int limiteMs)
{
    if (!m_mosq || !m_thread.joinable()) {
        return;
    }
    if (m_collegato) {
        std::unique_lock blocco(m_mutex);
        int mid = -1;
        m_midArrivato = false;
        // The callback may come before the publish returns its id: hold the lock meanwhile.
        const QByteArray stato = m_opzioni.argomentoStato.toUtf8();
        if (mosquitto_publish(m_mosq, &mid, stato.constData(), int(kOffline.size()),
                              kOffline.constData(), 1, true) == MOSQ_ERR_SUCCESS) {
            m_midAtteso = mid;
            m_sveglia.wait_for(blocco, std::chrono::milliseconds(limiteMs),
                               [this] { return m_midArrivato; });
        }
    }
    m_fermata = true;
    m_sveglia.notify_all();
    mosquitto_disconnect(m_mosq);
    m_thread.join();
}
