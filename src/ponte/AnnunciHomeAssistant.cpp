#include "ponte/AnnunciHomeAssistant.h"

#include "core/Errori.h"
#include "ponte/ComandoMqtt.h"
#include "ponte/ValoreAnalogico.h"
#include "protocol/Conversioni.h"
#include "settings/ConfigurazionePredefinita.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>

#include <algorithm>

#include <utility>

namespace {

constexpr qsizetype kMassimoNome = 100;

// A name from the settings file as an entity name: no control characters, a sane length, and a
// fallback for an empty one (Home Assistant would show the bare device name instead).
QString nomeEntita(const QString &nome, const QString &ripiego)
{
    QString pulito;
    for (const QChar c : nome) {
        pulito += c.category() == QChar::Other_Control ? QLatin1Char(' ') : c;
    }
    pulito = pulito.simplified();
    if (pulito.size() > kMassimoNome) {
        // On a whole character as the reader sees it: half a surrogate pair is not text at all
        // (strict JSON readers refuse the whole config), and a letter without its accent or a
        // flag cut in two is not the name.
        QTextBoundaryFinder confini(QTextBoundaryFinder::Grapheme, pulito);
        confini.setPosition(kMassimoNome);
        if (!confini.isAtBoundary()) {
            confini.toPreviousBoundary();
        }
        pulito = pulito.left(std::max<qsizetype>(confini.position(), 0)).trimmed();
    }
    return pulito.isEmpty() ? ripiego : pulito;
}

} // namespace

AnnunciHomeAssistant::AnnunciHomeAssistant(const ArgomentiMqtt &argomenti, QString versione)
    : m_argomenti(argomenti), m_versione(std::move(versione))
{
}

QList<AnnunciHomeAssistant::Annuncio>
AnnunciHomeAssistant::annunci(const ValoriConfigurazione &configurazione,
                              const QList<int> &unita, const ImpostazioniAllarmi &allarmi) const
{
    QList<Annuncio> risultato{
        {m_argomenti.configDispositivo(0), scheda(configurazione, allarmi)}};
    for (const int u : unita) {
        risultato.append({m_argomenti.configDispositivo(u), periferica(u)});
    }
    return risultato;
}

namespace {

struct Contesto
{
    const ArgomentiMqtt &argomenti;
    QJsonObject componenti;

    QJsonObject componente(const Punto &punto, const QString &piattaforma, const QString &nome)
    {
        const QString unico = argomenti.idDispositivo(0) + QLatin1Char('_') + punto.chiave();
        QJsonObject c{
            {QStringLiteral("platform"), piattaforma},
            {QStringLiteral("unique_id"), unico},
            {QStringLiteral("default_entity_id"), piattaforma + QLatin1Char('.') + unico},
            {QStringLiteral("name"), nome},
            {QStringLiteral("state_topic"), argomenti.stato(punto)},
        };
        if (punto.comandabile()) {
            c.insert(QStringLiteral("command_topic"), argomenti.comando(punto));
        }
        if (punto.digitale()) {
            c.insert(QStringLiteral("payload_on"), QStringLiteral("ON"));
            c.insert(QStringLiteral("payload_off"), QStringLiteral("OFF"));
        }
        if (piattaforma == QLatin1String("number")) {
            // Only values that come back as set: whole percents for the board's outputs (256
            // levels), the 64 levels themselves for a unit's channel.
            const bool canale = punto.tipo == Punto::Tipo::CanaleUnita;
            c.insert(QStringLiteral("min"), 0);
            c.insert(QStringLiteral("max"), canale ? kMassimoLivelloCanale : 100);
            c.insert(QStringLiteral("step"), 1);
            c.insert(QStringLiteral("mode"), QStringLiteral("slider"));
            if (!canale) {
                c.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("%"));
            }
        }
        return c;
    }

    void aggiungi(const Punto &punto, const QJsonObject &c)
    {
        componenti.insert(punto.chiave(), c);
    }
};

QJsonObject origine(const QString &versione)
{
    return {{QStringLiteral("name"), QStringLiteral("brivola-ponte")},
            {QStringLiteral("sw_version"), versione}};
}

QJsonArray identificatori(const ArgomentiMqtt &argomenti, int unita)
{
    // For the default prefix, the same identifier as before ids carried the prefix.
    return {argomenti.idDispositivo(unita)};
}

// Available while the bridge runs, the board answers and, for a unit, the unit answers: once
// for the device, shared by all its components.
QJsonArray disponibilita(const ArgomentiMqtt &argomenti, int unita)
{
    QJsonArray elenco{QJsonObject{{QStringLiteral("topic"), argomenti.ponte()}},
                      QJsonObject{{QStringLiteral("topic"), argomenti.scheda()}}};
    if (unita != 0) {
        elenco.append(QJsonObject{{QStringLiteral("topic"), argomenti.statoUnita(unita)}});
    }
    return elenco;
}

QByteArray documento(const ArgomentiMqtt &argomenti, int unita, const QJsonObject &dispositivo,
                     const QString &versione, const QJsonObject &componenti)
{
    const QJsonObject radice{{QStringLiteral("device"), dispositivo},
                             {QStringLiteral("origin"), origine(versione)},
                             {QStringLiteral("availability"), disponibilita(argomenti, unita)},
                             {QStringLiteral("availability_mode"), QStringLiteral("all")},
                             {QStringLiteral("components"), componenti}};
    return QJsonDocument(radice).toJson(QJsonDocument::Compact);
}

} // namespace

QByteArray AnnunciHomeAssistant::scheda(const ValoriConfigurazione &configurazione,
                                        const ImpostazioniAllarmi &allarmi) const
{
    using T = Punto::Tipo;
    Contesto contesto{m_argomenti, {}};
    for (int n = 1; n <= 8; ++n) {
        const Punto rele{T::Rele, 0, n};
        contesto.aggiungi(rele, contesto.componente(rele, QStringLiteral("switch"),
                                                    nomeEntita(configurazione.nomiUD.at(n - 1),
                                                               QStringLiteral("Relè %1").arg(n))));
    }
    for (int n = 1; n <= 8; ++n) {
        const Punto ingresso{T::Ingresso, 0, n};
        contesto.aggiungi(ingresso,
                          contesto.componente(ingresso, QStringLiteral("binary_sensor"),
                                              nomeEntita(configurazione.nomiID.at(n - 1),
                                                         QStringLiteral("Ingresso %1").arg(n))));
    }
    for (int n = 1; n <= 8; ++n) {
        const Punto analogico{T::Analogico, 0, n};
        QJsonObject c = contesto.componente(
            analogico, QStringLiteral("sensor"),
            nomeEntita(configurazione.nomiIA.at(n - 1), QStringLiteral("Analogico %1").arg(n)));
        bool ok = false;
        const int indice = configurazione.unitaIA.at(n - 1).trimmed().toInt(&ok);
        if (ok && indice >= 0 && indice < ConfigurazionePredefinita::kUnita.size()) {
            const ValoreAnalogico::UnitaHomeAssistant unita =
                ValoreAnalogico::unitaHomeAssistant(ConfigurazionePredefinita::kUnita.at(indice));
            c.insert(QStringLiteral("unit_of_measurement"), unita.unita);
            if (!unita.classe.isEmpty()) {
                c.insert(QStringLiteral("device_class"), unita.classe);
            }
        }
        c.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        // As many decimals as the values carry; none when the scale is not a number (no value
        // is published then).
        try {
            c.insert(QStringLiteral("suggested_display_precision"),
                     ValoreAnalogico::decimali(
                         Conversioni::StrToFloat(configurazione.minimiIA.at(n - 1)),
                         Conversioni::StrToFloat(configurazione.massimiIA.at(n - 1))));
        } catch (const ErroreProgramma &) {
        }
        contesto.aggiungi(analogico, c);
    }
    for (int n = 1; n <= 2; ++n) {
        const Punto uscita{T::UscitaAnalogica, 0, n};
        contesto.aggiungi(
            uscita, contesto.componente(uscita, QStringLiteral("number"),
                                        nomeEntita(configurazione.nomiUA.at(n - 1),
                                                   QStringLiteral("Uscita analogica %1").arg(n))));
    }
    // An input with its alarm on is a problem sensor beside it; with its alarm off, the
    // component goes with its platform alone, which removes one announced before.
    for (const T tipo : {T::Ingresso, T::Analogico}) {
        for (int n = 1; n <= 8; ++n) {
            const Punto ingresso{tipo, 0, n};
            const QString chiave = QStringLiteral("allarme_") + ingresso.chiave();
            const auto i = size_t(n - 1);
            const bool acceso = tipo == T::Ingresso ? allarmi.digitaleAbilitato[i]
                                                    : allarmi.analogicoAbilitato[i];
            if (!acceso) {
                contesto.componenti.insert(
                    chiave, QJsonObject{{QStringLiteral("platform"), QStringLiteral("binary_sensor")}});
                continue;
            }
            const QString nome = tipo == T::Ingresso
                                     ? nomeEntita(configurazione.nomiID.at(i),
                                                  QStringLiteral("Ingresso %1").arg(n))
                                     : nomeEntita(configurazione.nomiIA.at(i),
                                                  QStringLiteral("Analogico %1").arg(n));
            const QString unico = m_argomenti.idDispositivo(0) + QLatin1Char('_') + chiave;
            contesto.componenti.insert(
                chiave, QJsonObject{
                            {QStringLiteral("platform"), QStringLiteral("binary_sensor")},
                            {QStringLiteral("unique_id"), unico},
                            {QStringLiteral("default_entity_id"),
                             QStringLiteral("binary_sensor.") + unico},
                            {QStringLiteral("name"), QStringLiteral("Allarme ") + nome},
                            {QStringLiteral("state_topic"), m_argomenti.allarme(ingresso)},
                            {QStringLiteral("payload_on"), QStringLiteral("ON")},
                            {QStringLiteral("payload_off"), QStringLiteral("OFF")},
                            {QStringLiteral("device_class"), QStringLiteral("problem")},
                        });
        }
    }
    // What the bridge sees of the board, available whenever the bridge runs: the link's state
    // matters most when the board is gone.
    const auto diagnostica = [&](const QString &chiave, const QString &nome) {
        const QString unico =
            m_argomenti.idDispositivo(0) + QStringLiteral("_diagnostica_") + chiave;
        QJsonObject c{
            {QStringLiteral("platform"), QStringLiteral("sensor")},
            {QStringLiteral("unique_id"), unico},
            {QStringLiteral("default_entity_id"), QStringLiteral("sensor.") + unico},
            {QStringLiteral("name"), nome},
            {QStringLiteral("state_topic"), m_argomenti.diagnostica()},
            {QStringLiteral("value_template"), QStringLiteral("{{ value_json.%1 }}").arg(chiave)},
            {QStringLiteral("entity_category"), QStringLiteral("diagnostic")},
            {QStringLiteral("availability"),
             QJsonArray{QJsonObject{{QStringLiteral("topic"), m_argomenti.ponte()}}}},
        };
        contesto.componenti.insert(QStringLiteral("diagnostica_") + chiave, c);
        return c;
    };
    diagnostica(QStringLiteral("collegamento"), QStringLiteral("Collegamento alla scheda"));
    QJsonObject risposta =
        diagnostica(QStringLiteral("risposta_ms"), QStringLiteral("Tempo di risposta"));
    risposta.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("ms"));
    risposta.insert(QStringLiteral("device_class"), QStringLiteral("duration"));
    risposta.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
    contesto.componenti.insert(QStringLiteral("diagnostica_risposta_ms"), risposta);
    QJsonObject rifiutati =
        diagnostica(QStringLiteral("rifiutati"), QStringLiteral("Comandi rifiutati"));
    rifiutati.insert(QStringLiteral("state_class"), QStringLiteral("total_increasing"));
    contesto.componenti.insert(QStringLiteral("diagnostica_rifiutati"), rifiutati);
    QJsonObject ultima =
        diagnostica(QStringLiteral("ultima_risposta"), QStringLiteral("Ultima risposta"));
    ultima.insert(QStringLiteral("device_class"), QStringLiteral("timestamp"));
    contesto.componenti.insert(QStringLiteral("diagnostica_ultima_risposta"), ultima);

    const QJsonObject dispositivo{
        {QStringLiteral("identifiers"), identificatori(m_argomenti, 0)},
        {QStringLiteral("name"), QStringLiteral("Brivola ") + m_argomenti.id()},
        {QStringLiteral("manufacturer"), QStringLiteral("Brivola")},
        {QStringLiteral("model"), QStringLiteral("Scheda domotica")},
        {QStringLiteral("sw_version"), m_versione},
    };
    return documento(m_argomenti, 0, dispositivo, m_versione, contesto.componenti);
}

QByteArray AnnunciHomeAssistant::periferica(int unita) const
{
    using T = Punto::Tipo;
    Contesto contesto{m_argomenti, {}};
    for (int n = 1; n <= 8; ++n) {
        const Punto uscita{T::UscitaUnita, unita, n};
        contesto.aggiungi(uscita, contesto.componente(uscita, QStringLiteral("switch"),
                                                      QStringLiteral("Uscita %1").arg(n)));
        const Punto ingresso{T::IngressoUnita, unita, n};
        contesto.aggiungi(ingresso, contesto.componente(ingresso, QStringLiteral("binary_sensor"),
                                                        QStringLiteral("Ingresso %1").arg(n)));
        const Punto canale{T::CanaleUnita, unita, n};
        contesto.aggiungi(canale, contesto.componente(canale, QStringLiteral("number"),
                                                      QStringLiteral("Canale %1").arg(n)));
    }
    const QJsonObject dispositivo{
        {QStringLiteral("identifiers"), identificatori(m_argomenti, unita)},
        {QStringLiteral("name"),
         QStringLiteral("Brivola %1 Unità %2").arg(m_argomenti.id()).arg(unita)},
        {QStringLiteral("manufacturer"), QStringLiteral("Brivola")},
        {QStringLiteral("model"), QStringLiteral("Unità periferica")},
        {QStringLiteral("sw_version"), m_versione},
        {QStringLiteral("via_device"), identificatori(m_argomenti, 0).at(0)},
    };
    return documento(m_argomenti, unita, dispositivo, m_versione, contesto.componenti);
}
