#include "ponte/ArgomentiMqtt.h"

#include <utility>

namespace {

// "1".."massimo" exactly as written in ASCII (no sign, no leading zero, no other script's
// digits), or 0.
int numeroLivello(const QString &testo, int massimo)
{
    if (testo.size() != 1 || testo.at(0) < QLatin1Char('1') || testo.at(0) > QLatin1Char('9')) {
        return 0;
    }
    const int n = testo.at(0).unicode() - '0';
    return n <= massimo ? n : 0;
}

} // namespace

ArgomentiMqtt::ArgomentiMqtt(QString prefisso, QString id, QString prefissoDiscovery)
    : m_id(std::move(id)), m_prefisso(std::move(prefisso)),
      m_base(m_prefisso + QLatin1Char('/') + m_id), m_discovery(std::move(prefissoDiscovery))
{
}

QString ArgomentiMqtt::stato(const Punto &punto) const
{
    const QString coda = punto.nomeTipo() + QLatin1Char('/') + QString::number(punto.numero);
    if (punto.unita == 0) {
        return m_base + QLatin1Char('/') + coda;
    }
    return m_base + QStringLiteral("/unita/%1/").arg(punto.unita) + coda;
}

std::optional<Punto> ArgomentiMqtt::puntoDaComando(const QString &argomento) const
{
    const QString inizio = m_base + QLatin1Char('/');
    if (!argomento.startsWith(inizio) || !argomento.endsWith(QLatin1String("/set"))) {
        return std::nullopt;
    }
    const QStringList livelli = argomento.mid(inizio.size()).chopped(4).split(QLatin1Char('/'));
    using T = Punto::Tipo;
    if (livelli.size() == 2) {
        if (livelli[0] == QLatin1String("rele")) {
            if (const int n = numeroLivello(livelli[1], 8)) {
                return Punto{T::Rele, 0, n};
            }
        } else if (livelli[0] == QLatin1String("uscita_analogica")) {
            if (const int n = numeroLivello(livelli[1], 2)) {
                return Punto{T::UscitaAnalogica, 0, n};
            }
        }
        return std::nullopt;
    }
    if (livelli.size() == 4 && livelli[0] == QLatin1String("unita")) {
        const int unita = numeroLivello(livelli[1], 8);
        const int n = numeroLivello(livelli[3], 8);
        if (unita == 0 || n == 0) {
            return std::nullopt;
        }
        if (livelli[2] == QLatin1String("uscita")) {
            return Punto{T::UscitaUnita, unita, n};
        }
        if (livelli[2] == QLatin1String("canale")) {
            return Punto{T::CanaleUnita, unita, n};
        }
    }
    return std::nullopt;
}

QString ArgomentiMqtt::idDispositivo(int unita) const
{
    // With the prefix: two bridges with one Id and different prefixes never collide.
    const QString scheda = m_prefisso + QLatin1Char('_') + m_id;
    return unita == 0 ? scheda : scheda + QStringLiteral("_unita%1").arg(unita);
}

QString ArgomentiMqtt::configDispositivoSenzaPrefisso(int unita) const
{
    const QString nome = unita == 0 ? m_id : m_id + QStringLiteral("_unita%1").arg(unita);
    return m_discovery + QStringLiteral("/device/") + nome + QStringLiteral("/config");
}

QString ArgomentiMqtt::configDispositivo(int unita) const
{
    return m_discovery + QStringLiteral("/device/") + idDispositivo(unita) +
           QStringLiteral("/config");
}

QStringList ArgomentiMqtt::sottoscrizioni() const
{
    // Everything under the bridge's own topics, so that a command on a topic that takes none
    // ("ingresso/1/set", "rele/9/set") is answered too, not lost unheard.
    QStringList filtri = {
        m_base + QStringLiteral("/#"),
        statoHomeAssistant(),
    };
    for (int unita = 0; unita <= 8; ++unita) {
        filtri << configDispositivo(unita) << configDispositivoSenzaPrefisso(unita);
    }
    return filtri;
}
