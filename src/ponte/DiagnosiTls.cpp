#include "ponte/DiagnosiTls.h"

#include "ponte/Registro.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QStringList>

namespace {

QString testoErrore(const QSslError &errore, const QString &host, const QString &ca)
{
    using E = QSslError::SslError;
    switch (errore.error()) {
    case E::CertificateUntrusted:
    case E::UnableToGetLocalIssuerCertificate:
    case E::UnableToGetIssuerCertificate:
    case E::UnableToVerifyFirstCertificate:
    case E::SelfSignedCertificate:
    case E::SelfSignedCertificateInChain:
    case E::CertificateSignatureFailed:
        return QStringLiteral("il certificato del broker non è firmato dalla CA %1").arg(ca);
    case E::HostNameMismatch:
        return QStringLiteral("il certificato del broker non vale per il nome %1").arg(host);
    case E::CertificateExpired:
        return QStringLiteral("il certificato del broker è scaduto il %1")
            .arg(errore.certificate().expiryDate().toString(Qt::ISODate));
    case E::CertificateNotYetValid:
        return QStringLiteral("il certificato del broker vale solo dal %1")
            .arg(errore.certificate().effectiveDate().toString(Qt::ISODate));
    case E::CertificateRevoked:
        return QStringLiteral("il certificato del broker è revocato");
    default:
        return QStringLiteral("certificato del broker non accettato (errore TLS %1)")
            .arg(int(errore.error()));
    }
}

} // namespace

DiagnosiTls::DiagnosiTls(QObject *parent) : QObject(parent)
{
    m_limite.setSingleShot(true);
    connect(&m_limite, &QTimer::timeout, this, [this] { concludi({}); });
}

void DiagnosiTls::esamina(const QString &host, int porta, const QString &ca)
{
    if (m_socket) {
        return;
    }
    m_host = host;
    const QList<QSslCertificate> autorita = QSslCertificate::fromPath(ca);
    if (autorita.isEmpty()) {
        concludi(QStringLiteral("il file CA %1 non contiene certificati").arg(ca));
        return;
    }
    if (!QSslSocket::supportsSsl()) {
        return;
    }
    m_socket = new QSslSocket(this);
    QSslConfiguration configurazione = m_socket->sslConfiguration();
    configurazione.setCaCertificates(autorita);
    configurazione.setProtocol(QSsl::TlsV1_2OrLater);
    configurazione.setPeerVerifyMode(QSslSocket::VerifyPeer);
    m_socket->setSslConfiguration(configurazione);
    connect(m_socket, &QSslSocket::sslErrors, this, [this, host, ca](const QList<QSslError> &e) {
        QStringList cause;
        for (const QSslError &errore : e) {
            const QString testo = testoErrore(errore, host, ca);
            if (!cause.contains(testo)) {
                cause << testo;
            }
        }
        concludi(cause.join(QStringLiteral("; ")));
    });
    // Accepted here: the cause is not the certificate.
    connect(m_socket, &QSslSocket::encrypted, this, [this] { concludi({}); });
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this] {
        if (m_socket && !m_socket->isEncrypted()) {
            concludi({});
        }
    });
    m_limite.start(10000);
    m_socket->connectToHostEncrypted(host, quint16(porta));
}

void DiagnosiTls::concludi(const QString &causa)
{
    m_limite.stop();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    if (causa.isEmpty() || causa == m_causa) {
        return;
    }
    m_causa = causa;
    Registro::errore(QStringLiteral("MQTT: il broker %1 non è accettato: %2").arg(m_host, causa));
    emit esaminato(causa);
}
