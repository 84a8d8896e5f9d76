#pragma once

#include <QString>

// The topics under "<prefisso>/<id>" that the bridge and the panels share: availability, the
// requests a panel sends, its answers and the continuous output every panel hears.
namespace ArgomentiScheda {

inline QString base(const QString &prefisso, const QString &id)
{
    return prefisso + QLatin1Char('/') + id;
}
// "online" / "offline", retained: the bridge, and the board behind it.
inline QString ponte(const QString &base)
{
    return base + QStringLiteral("/ponte");
}
inline QString scheda(const QString &base)
{
    return base + QStringLiteral("/scheda");
}
// A whole command from a panel, with a response topic and correlation data (MQTT 5).
inline QString richiesta(const QString &base)
{
    return base + QStringLiteral("/richiesta");
}
// A request that only reads (a bank's state): an access list may let a viewer write here and
// not on the command topic.
inline QString lettura(const QString &base)
{
    return richiesta(base) + QStringLiteral("/lettura");
}
// Where one panel hears its answers: one topic per client.
inline QString risposte(const QString &base, const QString &idClient)
{
    return base + QStringLiteral("/risposta/") + idClient;
}
// The board's continuous output as it came, one round (ending with its prompt) a message.
inline QString continuo(const QString &base)
{
    return base + QStringLiteral("/continuo");
}
// A relay's state, "ON" / "OFF", retained.
inline QString rele(const QString &base, int n)
{
    return base + QStringLiteral("/rele/") + QString::number(n);
}

} // namespace ArgomentiScheda
