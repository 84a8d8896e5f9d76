#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QSslSocket;

// Why the broker's certificate was refused, in the operator's words: the MQTT library only says
// that TLS failed. A handshake of its own, with the same CA and the same name, tells whether
// the certificate is not signed by that CA, is for another name, or is out of its dates. Each
// cause is logged once until it changes.
class DiagnosiTls : public QObject
{
    Q_OBJECT
public:
    explicit DiagnosiTls(QObject *parent = nullptr);

    // Starts a look at host:porta with the CA file `ca`, unless one is under way.
    void esamina(const QString &host, int porta, const QString &ca);

    // The last cause found, empty when none.
    QString causa() const { return m_causa; }

signals:
    void esaminato(const QString &causa);

private:
    void concludi(const QString &causa);

    QSslSocket *m_socket = nullptr;
    QTimer m_limite;
    QString m_causa;
    QString m_host;
};
