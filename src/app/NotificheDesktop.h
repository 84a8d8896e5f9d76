#pragma once

#include <QObject>
#include <QString>

// Desktop notifications the freedesktop way (org.freedesktop.Notifications on the session bus).
// Nothing happens when there is no session bus or no notification service: the call goes out
// without starting a service and without waiting for the answer.
class NotificheDesktop : public QObject
{
    Q_OBJECT
public:
    explicit NotificheDesktop(QObject *parent = nullptr);

    void notifica(const QString &titolo, const QString &testo, bool urgente = true);
};
