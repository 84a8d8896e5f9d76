#pragma once

// What the bridge's end-to-end tests share: a Mosquitto broker of their own on a free loopback
// port, an independent MQTT client that records what the broker delivers, and the bridge
// program started against a settings folder.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <mosquitto.h>

#include <mutex>

namespace ponteprova {

inline quint16 portaLibera()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

inline bool scriviFile(const QString &percorso, const QByteArray &testo)
{
    QFile file(percorso);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(testo) == testo.size();
}

// Accepts connections on its port once it has started.
inline bool portaInAscolto(quint16 porta)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, porta);
    return socket.waitForConnected(200);
}

// mosquitto with its own config file, no persistence: a restart forgets everything retained.
class Broker
{
public:
    explicit Broker(const QString &cartella) : m_cartella(cartella), m_porta(portaLibera()) {}
    ~Broker() { ferma(); }

    quint16 porta() const { return m_porta; }

    // Mosquitto's access list for every client, one "topic read|write|readwrite <filtro>" a
    // line; empty for no list at all.
    void setAcl(const QByteArray &acl) { m_acl = acl; }
    // TLS only on the listener, with these files.
    void setTls(const QString &ca, const QString &certificato, const QString &chiave)
    {
        m_tls = "cafile " + ca.toUtf8() + "\ncertfile " + certificato.toUtf8() + "\nkeyfile " +
                chiave.toUtf8() + "\n";
    }

    bool avvia()
    {
        const QString conf = QDir(m_cartella).filePath(QStringLiteral("mosquitto.conf"));
        QByteArray testo = "listener " + QByteArray::number(m_porta) +
                           " 127.0.0.1\nallow_anonymous true\npersistence false\n";
        testo += m_tls;
        if (!m_acl.isEmpty()) {
            const QString acl = QDir(m_cartella).filePath(QStringLiteral("mosquitto.acl"));
            if (!scriviFile(acl, m_acl)) {
                return false;
            }
            // Run as root, mosquitto reads the list after dropping to its own user.
            const auto leggibile = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                   QFile::ReadOther | QFile::ExeOther;
            QFile::setPermissions(m_cartella, leggibile);
            QFile::setPermissions(acl, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
            testo += "acl_file " + acl.toUtf8() + "\n";
        }
        if (!scriviFile(conf, testo)) {
            return false;
        }
        m_processo.setProgram(QStringLiteral("mosquitto"));
        m_processo.setArguments({QStringLiteral("-c"), conf});
        m_processo.setStandardOutputFile(QDir(m_cartella).filePath(QStringLiteral("broker.log")),
                                         QIODevice::Append);
        m_processo.setStandardErrorFile(QDir(m_cartella).filePath(QStringLiteral("broker.log")),
                                        QIODevice::Append);
        m_processo.start();
        if (!m_processo.waitForStarted(5000)) {
            return false;
        }
        QElapsedTimer tempo;
        tempo.start();
        while (tempo.elapsed() < 5000) {
            if (portaInAscolto(m_porta)) {
                return true;
            }
            QTest::qWait(20);
        }
        return false;
    }

    // Killed, as a crash would: no goodbye to the clients.
    void uccidi()
    {
        if (m_processo.state() != QProcess::NotRunning) {
            m_processo.kill();
            m_processo.waitForFinished(5000);
        }
    }

    void ferma()
    {
        if (m_processo.state() != QProcess::NotRunning) {
            m_processo.terminate();
            if (!m_processo.waitForFinished(5000)) {
                uccidi();
            }
        }
    }

private:
    QString m_cartella;
    quint16 m_porta;
    QByteArray m_acl;
    QByteArray m_tls;
    QProcess m_processo;
};

struct Messaggio
{
    QString argomento;
    QByteArray payload;
    bool trattenuto = false;
};

// An independent MQTT client (libmosquitto's own thread) that records every message.
class Osservatore
{
public:
    Osservatore()
    {
        mosquitto_lib_init();
        m_mosq = mosquitto_new(nullptr, true, this);
        // A clean session forgets the subscriptions: they are made again on every connect.
        mosquitto_connect_callback_set(m_mosq, [](mosquitto *m, void *oggetto, int esito) {
            auto *self = static_cast<Osservatore *>(oggetto);
            if (esito != 0) {
                return;
            }
            for (const QByteArray &filtro : std::as_const(self->m_filtri)) {
                mosquitto_subscribe(m, nullptr, filtro.constData(), 1);
            }
        });
        mosquitto_reconnect_delay_set(m_mosq, 1, 1, false);
        mosquitto_message_callback_set(
            m_mosq, [](mosquitto *, void *oggetto, const mosquitto_message *m) {
                auto *self = static_cast<Osservatore *>(oggetto);
                std::lock_guard blocco(self->m_mutex);
                self->m_messaggi.append(
                    {QString::fromUtf8(m->topic),
                     QByteArray(static_cast<const char *>(m->payload), m->payloadlen), m->retain});
            });
    }
    ~Osservatore()
    {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, true);
        mosquitto_destroy(m_mosq);
    }

    bool collega(quint16 porta, const QStringList &filtri)
    {
        for (const QString &filtro : filtri) {
            m_filtri.append(filtro.toUtf8());
        }
        return mosquitto_connect(m_mosq, "127.0.0.1", porta, 30) == MOSQ_ERR_SUCCESS &&
               mosquitto_loop_start(m_mosq) == MOSQ_ERR_SUCCESS;
    }

    // QoS 1 by default; QoS 0 is not held back by the client's limit of messages in flight.
    void pubblica(const QString &argomento, const QByteArray &payload, bool trattenuto = false,
                  int qos = 1)
    {
        mosquitto_publish(m_mosq, nullptr, argomento.toUtf8().constData(), int(payload.size()),
                          payload.constData(), qos, trattenuto);
    }

    QList<Messaggio> messaggi() const
    {
        std::lock_guard blocco(m_mutex);
        return m_messaggi;
    }
    qsizetype quanti() const
    {
        std::lock_guard blocco(m_mutex);
        return m_messaggi.size();
    }
    // The messages from index `da` on.
    QList<Messaggio> da(qsizetype da) const
    {
        std::lock_guard blocco(m_mutex);
        return m_messaggi.mid(da);
    }
    // The last payload seen on each topic.
    QHash<QString, QByteArray> ultimi() const
    {
        QHash<QString, QByteArray> ultimi;
        for (const Messaggio &m : messaggi()) {
            ultimi.insert(m.argomento, m.payload);
        }
        return ultimi;
    }
    QByteArray ultimo(const QString &argomento) const { return ultimi().value(argomento); }

private:
    mosquitto *m_mosq = nullptr;
    QList<QByteArray> m_filtri;
    mutable std::mutex m_mutex;
    QList<Messaggio> m_messaggi;
};

// The simulator needs none of the board's pacing: every pause of the link lasts 1 ms.
inline const QStringList kPauseBrevi = {QStringLiteral("--pausa"), QStringLiteral("1")};

// brivola-ponte, the program, against a settings folder.
class ProcessoPonte
{
public:
    ~ProcessoPonte() { ferma(); }

    bool avvia(const QString &cartella)
    {
        m_log = QDir(cartella).filePath(QStringLiteral("ponte.log"));
        m_processo.setProgram(QCoreApplication::applicationDirPath() +
                              QStringLiteral("/brivola-ponte"));
        m_processo.setArguments(QStringList{QStringLiteral("--impostazioni"), cartella} +
                                kPauseBrevi);
        m_processo.setStandardErrorFile(m_log, QIODevice::Append);
        m_processo.start();
        return m_processo.waitForStarted(5000);
    }

    // SIGTERM: the clean stop.
    int ferma()
    {
        if (m_processo.state() == QProcess::NotRunning) {
            return m_processo.exitCode();
        }
        m_processo.terminate();
        if (!m_processo.waitForFinished(10000)) {
            m_processo.kill();
            m_processo.waitForFinished(5000);
        }
        return m_processo.exitCode();
    }

    bool inEsecuzione() const { return m_processo.state() == QProcess::Running; }

    QString log() const
    {
        QFile file(m_log);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Resident memory in KiB, from /proc.
    qint64 residenteKiB() const
    {
        QFile stato(QStringLiteral("/proc/%1/status").arg(m_processo.processId()));
        if (!stato.open(QIODevice::ReadOnly)) {
            return -1;
        }
        for (const QByteArray &riga : stato.readAll().split('\n')) {
            if (riga.startsWith("VmRSS:")) {
                return riga.mid(6).trimmed().split(' ').value(0).toLongLong();
            }
        }
        return -1;
    }

private:
    QProcess m_processo;
    QString m_log;
};

} // namespace ponteprova
