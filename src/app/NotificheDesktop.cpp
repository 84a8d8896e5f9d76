#include "app/NotificheDesktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

NotificheDesktop::NotificheDesktop(QObject *parent) : QObject(parent) {}

void NotificheDesktop::notifica(const QString &titolo, const QString &testo, bool urgente)
{
    // Without an address the library would try to start a bus of its own.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage chiamata = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    chiamata.setAutoStartService(false);
    QVariantMap suggerimenti;
    suggerimenti.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(urgente ? 2 : 1)));
    chiamata << QStringLiteral("Progetto Brivola") << uint(0) << QStringLiteral("dialog-warning")
             << titolo << testo << QStringList() << suggerimenti << int(-1);
    // The answer (or the error of a bus with no such service) is not waited for.
    bus.asyncCall(chiamata);
}
