#include "ponte/ClientMqtt.h"

#include "ponte/Registro.h"

#include <QRandomGenerator>

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

std::once_flag g_libreria;

const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

QString testoErrore(int rc)
{
    return QString::fromUtf8(mosquitto_strerror(rc));
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
    const QByteArray id = m_opzioni.idClient.toUtf8();
    m_mosq = mosquitto_new(id.constData(), true, this);
    if (!m_mosq) {
        Registro::errore(QStringLiteral("MQTT: impossibile creare il client"));
        return false;
    }
    mosquitto_threaded_set(m_mosq, true);
    // MQTT 5: a retained message keeps its flag when delivered live, so a command left on the
    // broker is told apart from one sent now, and the bridge does not hear its own publishes.
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_callback_set(m_mosq, &ClientMqtt::suConnessione);
    mosquitto_message_callback_set(m_mosq, &ClientMqtt::suMessaggio);
    mosquitto_publish_callback_set(m_mosq, &ClientMqtt::suPubblicato);

    const QByteArray stato = m_opzioni.argomentoStato.toUtf8();
    int rc = mosquitto_will_set(m_mosq, stato.constData(), int(kOffline.size()),
                                kOffline.constData(), 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !m_opzioni.utente.isEmpty()) {
        rc = mosquitto_username_pw_set(
            m_mosq, m_opzioni.utente.toUtf8().constData(),
            m_opzioni.password.isEmpty() ? nullptr : m_opzioni.password.toUtf8().constData());
    }
    if (rc == MOSQ_ERR_SUCCESS && !m_opzioni.ca.isEmpty()) {
        rc = mosquitto_tls_set(m_mosq, m_opzioni.ca.toLocal8Bit().constData(), nullptr, nullptr,
                               nullptr, nullptr);
        if (rc == MOSQ_ERR_SUCCESS) {
            // Verify the broker; TLS 1.2 or later.
            rc = mosquitto_tls_opts_set(m_mosq, 1, "tlsv1.2", nullptr);
        }
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        Registro::errore(QStringLiteral("MQTT: impostazioni rifiutate: %1").arg(testoErrore(rc)));
        return false;
    }
    m_thread = std::thread([this] { ciclo(); });
    return true;
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
        Registro::avviso(QStringLiteral("MQTT: collegamento perso: %1").arg(motivo));
        emit scollegato();
    }
}

void ClientMqtt::ciclo()
{
    const QByteArray host = m_opzioni.host.toUtf8();
    const QString indirizzo = m_opzioni.host + QLatin1Char(':') + QString::number(m_opzioni.porta);
    while (!m_fermata) {
        m_esitoConnack = -1;
        // Name lookup and TCP connect, blocking: on this thread only.
        int rc = mosquitto_connect(m_mosq, host.constData(), m_opzioni.porta, m_opzioni.keepAliveS);
        if (rc != MOSQ_ERR_SUCCESS) {
            const int ritardo = prossimoRitardo();
            Registro::avviso(QStringLiteral("MQTT: broker %1 non raggiungibile (%2); nuovo "
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
        perso(connack > 0 ? QString::fromUtf8(mosquitto_reason_string(connack)) : testoErrore(rc));
        mosquitto_disconnect(m_mosq);
        int ritardo = prossimoRitardo();
        // Refused credentials do not mend themselves: no hammering on the broker.
        if (connack == MQTT_RC_BAD_USERNAME_OR_PASSWORD || connack == MQTT_RC_NOT_AUTHORIZED) {
            ritardo = m_opzioni.ritardoCredenzialiMs;
        }
        if (connack > 0) {
            Registro::errore(
                QStringLiteral("MQTT: il broker %1 rifiuta il collegamento: %2; "
                               "nuovo tentativo tra %3 s")
                    .arg(indirizzo, QString::fromUtf8(mosquitto_reason_string(connack)))
                    .arg(ritardo / 1000));
        } else {
            Registro::info(QStringLiteral("MQTT: nuovo tentativo tra %1 ms").arg(ritardo));
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
    mosquitto_publish(m, nullptr, stato.constData(), int(kOnline.size()), kOnline.constData(), 1,
                      true);
    for (const QString &filtro : std::as_const(self->m_opzioni.sottoscrizioni)) {
        mosquitto_subscribe_v5(m, nullptr, filtro.toUtf8().constData(), 1,
                               MQTT_SUB_OPT_NO_LOCAL | MQTT_SUB_OPT_RETAIN_AS_PUBLISHED, nullptr);
    }
    Registro::info(QStringLiteral("MQTT: collegato a %1:%2 come %3")
                       .arg(self->m_opzioni.host)
                       .arg(self->m_opzioni.porta)
                       .arg(self->m_opzioni.idClient));
    self->m_collegato = true;
    emit self->collegato();
}

void ClientMqtt::suMessaggio(mosquitto *, void *oggetto, const mosquitto_message *messaggio)
{
    auto *self = static_cast<ClientMqtt *>(oggetto);
    const QByteArray payload(static_cast<const char *>(messaggio->payload), messaggio->payloadlen);
    emit self->messaggio(QString::fromUtf8(messaggio->topic), payload, messaggio->retain);
}

void ClientMqtt::suPubblicato(mosquitto *, void *oggetto, int mid)
{
    auto *self = static_cast<ClientMqtt *>(oggetto);
    {
        std::lock_guard blocco(self->m_mutex);
        if (mid != self->m_midAtteso) {
            return;
        }
        self->m_midArrivato = true;
    }
    self->m_sveglia.notify_all();
}

bool ClientMqtt::pubblica(const QString &argomento, const QByteArray &payload, bool trattenuto,
                          int qos)
{
    if (!m_mosq || !m_collegato) {
        return false;
    }
    const int rc = mosquitto_publish(m_mosq, nullptr, argomento.toUtf8().constData(),
                                     int(payload.size()), payload.constData(), qos, trattenuto);
    return rc == MOSQ_ERR_SUCCESS;
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
