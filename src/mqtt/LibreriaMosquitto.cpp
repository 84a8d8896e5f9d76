#include "mqtt/LibreriaMosquitto.h"

#include <mosquitto.h>

#include <dlfcn.h>

#include <mutex>

namespace {

constexpr const char *kNomeLibreria = "libmosquitto.so.1";

std::once_flag g_apertura;
void *g_libreria = nullptr;
QString g_errore;

// The library's own definition of `nome`: never null once apri() succeeded, and none of the
// functions below is reached before it has (they all need the client mosquitto_new made).
void *simbolo(const char *nome)
{
    LibreriaMosquitto::apri();
    return g_libreria ? dlsym(g_libreria, nome) : nullptr;
}

} // namespace

// `f`: the library's own function of that name, looked up once.
#define REALE(nome) static const auto f = reinterpret_cast<decltype(&nome)>(simbolo(#nome))

bool LibreriaMosquitto::apri(QString *errore)
{
    std::call_once(g_apertura, [] {
        g_libreria = dlopen(kNomeLibreria, RTLD_NOW | RTLD_LOCAL);
        if (!g_libreria) {
            const char *motivo = dlerror();
            g_errore = QString::fromLocal8Bit(motivo ? motivo : kNomeLibreria);
        }
    });
    if (errore) {
        *errore = g_errore;
    }
    return g_libreria != nullptr;
}

extern "C" {

int mosquitto_lib_init(void)
{
    REALE(mosquitto_lib_init);
    return f ? f() : MOSQ_ERR_NOT_SUPPORTED;
}

struct mosquitto *mosquitto_new(const char *id, bool clean_session, void *obj)
{
    REALE(mosquitto_new);
    return f ? f(id, clean_session, obj) : nullptr;
}

int mosquitto_connect(struct mosquitto *mosq, const char *host, int port, int keepalive)
{
    REALE(mosquitto_connect);
    return f(mosq, host, port, keepalive);
}

void mosquitto_connect_callback_set(struct mosquitto *mosq, void (*on_connect)(struct mosquitto *, void *, int))
{
    REALE(mosquitto_connect_callback_set);
    f(mosq, on_connect);
}

void mosquitto_destroy(struct mosquitto *mosq)
{
    REALE(mosquitto_destroy);
    f(mosq);
}

int mosquitto_disconnect(struct mosquitto *mosq)
{
    REALE(mosquitto_disconnect);
    return f(mosq);
}

int mosquitto_int_option(struct mosquitto *mosq, enum mosq_opt_t option, int value)
{
    REALE(mosquitto_int_option);
    return f(mosq, option, value);
}

int mosquitto_loop(struct mosquitto *mosq, int timeout, int max_packets)
{
    REALE(mosquitto_loop);
    return f(mosq, timeout, max_packets);
}

void mosquitto_message_v5_callback_set(struct mosquitto *mosq, void (*on_message)(struct mosquitto *, void *, const struct mosquitto_message *, const mosquitto_property *))
{
    REALE(mosquitto_message_v5_callback_set);
    f(mosq, on_message);
}

int mosquitto_property_add_binary(mosquitto_property **proplist, int identifier, const void *value, uint16_t len)
{
    REALE(mosquitto_property_add_binary);
    return f(proplist, identifier, value, len);
}

int mosquitto_property_add_string(mosquitto_property **proplist, int identifier, const char *value)
{
    REALE(mosquitto_property_add_string);
    return f(proplist, identifier, value);
}

int mosquitto_property_add_string_pair(mosquitto_property **proplist, int identifier, const char *name, const char *value)
{
    REALE(mosquitto_property_add_string_pair);
    return f(proplist, identifier, name, value);
}

void mosquitto_property_free_all(mosquitto_property **properties)
{
    REALE(mosquitto_property_free_all);
    f(properties);
}

const mosquitto_property * mosquitto_property_read_binary(const mosquitto_property *proplist, int identifier, void **value, uint16_t *len, bool skip_first)
{
    REALE(mosquitto_property_read_binary);
    return f(proplist, identifier, value, len, skip_first);
}

const mosquitto_property * mosquitto_property_read_string(const mosquitto_property *proplist, int identifier, char **value, bool skip_first)
{
    REALE(mosquitto_property_read_string);
    return f(proplist, identifier, value, skip_first);
}

const mosquitto_property * mosquitto_property_read_string_pair(const mosquitto_property *proplist, int identifier, char **name, char **value, bool skip_first)
{
    REALE(mosquitto_property_read_string_pair);
    return f(proplist, identifier, name, value, skip_first);
}

int mosquitto_publish(struct mosquitto *mosq, int *mid, const char *topic, int payloadlen, const void *payload, int qos, bool retain)
{
    REALE(mosquitto_publish);
    return f(mosq, mid, topic, payloadlen, payload, qos, retain);
}

int mosquitto_publish_v5(struct mosquitto *mosq, int *mid, const char *topic, int payloadlen, const void *payload, int qos, bool retain, const mosquitto_property *properties)
{
    REALE(mosquitto_publish_v5);
    return f(mosq, mid, topic, payloadlen, payload, qos, retain, properties);
}

void mosquitto_publish_v5_callback_set(struct mosquitto *mosq, void (*on_publish)(struct mosquitto *, void *, int, int, const mosquitto_property *))
{
    REALE(mosquitto_publish_v5_callback_set);
    f(mosq, on_publish);
}

int mosquitto_socket(struct mosquitto *mosq)
{
    REALE(mosquitto_socket);
    return f(mosq);
}

int mosquitto_subscribe(struct mosquitto *mosq, int *mid, const char *sub, int qos)
{
    REALE(mosquitto_subscribe);
    return f(mosq, mid, sub, qos);
}

void mosquitto_subscribe_callback_set(struct mosquitto *mosq, void (*on_subscribe)(struct mosquitto *, void *, int, int, const int *))
{
    REALE(mosquitto_subscribe_callback_set);
    f(mosq, on_subscribe);
}

int mosquitto_subscribe_v5(struct mosquitto *mosq, int *mid, const char *sub, int qos, int options, const mosquitto_property *properties)
{
    REALE(mosquitto_subscribe_v5);
    return f(mosq, mid, sub, qos, options, properties);
}

void mosquitto_subscribe_v5_callback_set(struct mosquitto *mosq, void (*on_subscribe)(struct mosquitto *, void *, int, int, const int *, const mosquitto_property *))
{
    REALE(mosquitto_subscribe_v5_callback_set);
    f(mosq, on_subscribe);
}

int mosquitto_threaded_set(struct mosquitto *mosq, bool threaded)
{
    REALE(mosquitto_threaded_set);
    return f(mosq, threaded);
}

int mosquitto_tls_opts_set(struct mosquitto *mosq, int cert_reqs, const char *tls_version, const char *ciphers)
{
    REALE(mosquitto_tls_opts_set);
    return f(mosq, cert_reqs, tls_version, ciphers);
}

int mosquitto_tls_set(struct mosquitto *mosq, const char *cafile, const char *capath, const char *certfile, const char *keyfile, int (*pw_callback)(char *buf, int size, int rwflag, void *userdata))
{
    REALE(mosquitto_tls_set);
    return f(mosq, cafile, capath, certfile, keyfile, pw_callback);
}

int mosquitto_username_pw_set(struct mosquitto *mosq, const char *username, const char *password)
{
    REALE(mosquitto_username_pw_set);
    return f(mosq, username, password);
}

int mosquitto_will_set(struct mosquitto *mosq, const char *topic, int payloadlen, const void *payload, int qos, bool retain)
{
    REALE(mosquitto_will_set);
    return f(mosq, topic, payloadlen, payload, qos, retain);
}

} // extern "C"
