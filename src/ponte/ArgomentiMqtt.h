#pragma once

#include "mqtt/ArgomentiScheda.h"
#include "ponte/Punto.h"

#include <QString>
#include <QStringList>

#include <optional>

// The bridge's topic names: states and commands under "<prefisso>/<id>/", discovery under
// "<prefissoDiscovery>/device/".
class ArgomentiMqtt
{
public:
    ArgomentiMqtt(QString prefisso, QString id, QString prefissoDiscovery);

    QString id() const { return m_id; }
    QString base() const { return m_base; }
    QString ponte() const { return ArgomentiScheda::ponte(m_base); }
    QString scheda() const { return ArgomentiScheda::scheda(m_base); }
    // The panels' requests, and the continuous output they all hear.
    QString richiesta() const { return ArgomentiScheda::richiesta(m_base); }
    QString lettura() const { return ArgomentiScheda::lettura(m_base); }
    QString continuo() const { return ArgomentiScheda::continuo(m_base); }
    QString errore() const { return m_base + QStringLiteral("/errore"); }
    // The bridge's own view of the board, JSON, retained.
    QString diagnostica() const { return m_base + QStringLiteral("/diagnostica"); }
    // Whether peripheral unit 1..8 answers: "online" or "offline", retained.
    QString statoUnita(int unita) const
    {
        return m_base + QStringLiteral("/unita/%1/stato").arg(unita);
    }
    QString get() const { return m_base + QStringLiteral("/get"); }
    QString stato(const Punto &punto) const;
    QString comando(const Punto &punto) const { return stato(punto) + QStringLiteral("/set"); }
    // Whether a board input is in alarm: "ON" or "OFF", retained; "allarme/ingresso/3".
    QString allarme(const Punto &punto) const
    {
        return m_base + QStringLiteral("/allarme/%1/%2").arg(punto.nomeTipo()).arg(punto.numero);
    }
    // The point whose "/set" topic this is; nothing for any other topic.
    std::optional<Punto> puntoDaComando(const QString &argomento) const;

    // Home Assistant's own state topic, "online" when it (re)starts.
    QString statoHomeAssistant() const { return m_discovery + QStringLiteral("/status"); }
    // Discovery of the board (unita 0) or of peripheral unit 1..8.
    QString configDispositivo(int unita) const;
    // "<prefisso>_<id>", "<prefisso>_<id>_unita<u>": ids of devices and entities.
    QString idDispositivo(int unita) const;
    // Where earlier versions put the discovery, without the prefix: cleared when it is ours.
    QString configDispositivoSenzaPrefisso(int unita) const;

    // What the bridge listens to: everything under its own topics (commands, the refresh),
    // Home Assistant's state and its own discovery topics (to clear the configs of devices it
    // no longer bridges).
    QStringList sottoscrizioni() const;

private:
    QString m_id;
    QString m_prefisso;
    QString m_base;
    QString m_discovery;
};
