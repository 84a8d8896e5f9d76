// Desktop notifications through a private session bus started by the test, with a stand-in
// notification service: the call arrives with its texts; with no service, or no bus, nothing
// happens and nothing waits.
#include "app/NotificheDesktop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

class ServizioNotifiche : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList ricevute;

public slots:
    uint Notify(const QString &programma, uint, const QString &, const QString &titolo,
                const QString &testo, const QStringList &, const QVariantMap &suggerimenti, int)
    {
        ricevute << QStringLiteral("%1|%2|%3|%4")
                        .arg(programma, titolo, testo)
                        .arg(suggerimenti.value(QStringLiteral("urgency")).toInt());
        return uint(ricevute.size());
    }
};

class TestNotificheDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void conESenzaServizio();

private:
    QProcess m_bus;
};

void TestNotificheDesktop::initTestCase()
{
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address")});
    QVERIFY2(m_bus.waitForStarted(10000), "dbus-daemon non avviato");
    QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), 10000);
    const QByteArray indirizzo = m_bus.readLine().trimmed();
    QVERIFY(!indirizzo.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", indirizzo);
}

void TestNotificheDesktop::cleanupTestCase()
{
    m_bus.kill();
    m_bus.waitForFinished(5000);
}

void TestNotificheDesktop::conESenzaServizio()
{
    NotificheDesktop notifiche;
    // No service on the bus yet: nothing, and no wait for an answer.
    QElapsedTimer tempo;
    tempo.start();
    notifiche.notifica(QStringLiteral("Allarme"), QStringLiteral("nessuno ascolta"));
    QVERIFY(tempo.elapsed() < 1000);

    QDBusConnection servizio = QDBusConnection::connectToBus(
        qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("servizio"));
    QVERIFY(servizio.isConnected());
    ServizioNotifiche finto;
    QVERIFY(servizio.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &finto,
                                    QDBusConnection::ExportAllSlots));
    QVERIFY(servizio.registerService(QStringLiteral("org.freedesktop.Notifications")));

    notifiche.notifica(QStringLiteral("Allarme"),
                       QStringLiteral("Allarme: TEMPERATURA INTERNA (Ingresso analogico 1): sopra 40"));
    notifiche.notifica(QStringLiteral("Allarme rientrato"), QStringLiteral("rientrato"), false);
    QTRY_COMPARE_WITH_TIMEOUT(finto.ricevute.size(), 2, 10000);
    QCOMPARE(finto.ricevute.at(0),
             QStringLiteral("Progetto Brivola|Allarme|Allarme: TEMPERATURA INTERNA (Ingresso "
                            "analogico 1): sopra 40|2"));
    QCOMPARE(finto.ricevute.at(1), QStringLiteral("Progetto Brivola|Allarme rientrato|rientrato|1"));
    // The service that was there goes: still nothing waits.
    QVERIFY(servizio.unregisterService(QStringLiteral("org.freedesktop.Notifications")));
    tempo.restart();
    notifiche.notifica(QStringLiteral("Allarme"), QStringLiteral("di nuovo nessuno"));
    QVERIFY(tempo.elapsed() < 1000);
    QDBusConnection::disconnectFromBus(QStringLiteral("servizio"));
}

QTEST_GUILESS_MAIN(TestNotificheDesktop)
#include "tst_notificheDesktop.moc"
