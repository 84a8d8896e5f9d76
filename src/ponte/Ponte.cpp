#include "ponte/Ponte.h"

#include "core/Errori.h"
#include "mqtt/ClientMqtt.h"
#include "ponte/RichiestaPannello.h"
#include "protocol/Protocollo.h"
#include "ponte/ComandoMqtt.h"
#include "ponte/LatoScheda.h"
#include "ponte/Punto.h"
#include "ponte/Registro.h"
#include "ponte/ValoreAnalogico.h"
#include "protocol/Conversioni.h"
#include "settings/ConfigurazionePredefinita.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "settings/LetturaConfigurazione.h"
#include "storico/RegistrazioneScheda.h"
#include "storico/Storico.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <utility>

namespace {

const QString kOnline = QStringLiteral("online");
const QString kOffline = QStringLiteral("offline");
// How much of a refused topic or payload the "errore" topic and the log repeat.
constexpr qsizetype kMassimoEco = 256;
// Diagnostics that change often go out at most this often.
constexpr int kRitardoDiagnosticaMs = 5000;
// Home Assistant's births in a row put the discovery off at most this long.
constexpr qint64 kAttesaMassimaAnnunciMs = 10000;

// Names, units and ranges as the panel loads them, from one reading of the file; what the
// panel would warn about goes to the log.
ValoriConfigurazione leggiConfigurazione(const QString &file)
{
    LetturaConfigurazione letta = LetturaConfigurazione::leggi(file);
    for (const QString &avviso : std::as_const(letta.avvisi)) {
        Registro::avviso(avviso);
    }
    return std::move(letta.valori);
}

// A settings file's bytes; none when it cannot be read.
QByteArray contenuto(const QString &percorso)
{
    QFile file(percorso);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The same for every run of one settings folder on one machine, another for a copied folder or
// another machine.
QString marcaIstanza(const QString &cartella)
{
    QFile macchina(QStringLiteral("/etc/machine-id"));
    QByteArray testo = macchina.open(QIODevice::ReadOnly) ? macchina.read(64).trimmed()
                                                          : QSysInfo::machineHostName().toUtf8();
    testo += '\n' + QFileInfo(cartella).absoluteFilePath().toUtf8();
    return QString::fromLatin1(
        QCryptographicHash::hash(testo, QCryptographicHash::Sha256).toHex().left(16));
}

} // namespace

Ponte::Ponte(Opzioni opzioni, ImpostazioniPonte impostazioni, QObject *parent)
    : QObject(parent), m_opzioni(std::move(opzioni)), m_impostazioni(std::move(impostazioni)),
      m_argomenti(m_impostazioni.prefisso, m_impostazioni.id, m_impostazioni.prefissoDiscovery),
      m_annunci(m_argomenti, m_opzioni.versione)
{
    ClientMqtt::Opzioni mqtt;
    mqtt.host = m_impostazioni.host;
    mqtt.porta = m_impostazioni.porta;
    mqtt.utente = m_impostazioni.utente;
    mqtt.password = m_impostazioni.password;
    mqtt.ca = m_impostazioni.ca;
    mqtt.idClient = m_impostazioni.idClient();
    mqtt.marca = marcaIstanza(m_opzioni.cartella);
    mqtt.argomentoStato = m_argomenti.ponte();
    mqtt.sottoscrizioni = m_argomenti.sottoscrizioni();
    mqtt.registro = [](ClientMqtt::Livello livello, const QString &testo) {
        Registro::scrivi(static_cast<Registro::Livello>(livello), testo);
    };
    m_mqtt = new ClientMqtt(mqtt, this);

    LatoScheda::Opzioni scheda;
    scheda.periodoMs = m_impostazioni.periodoS * 1000;
    scheda.continuo = m_impostazioni.continuo;
    scheda.unita = m_impostazioni.unita;
    scheda.tempi = m_opzioni.tempi;
    scheda.tempi.silenzioMs = m_impostazioni.silenzioS * 1000;
    m_scheda = new LatoScheda(m_opzioni.cartella, scheda, this);

    // The bridge runs all day: what the board says goes into the history, which also tells
    // when an input is in alarm.
    const ValoriProgramma &valori = m_scheda->valori();
    m_storico = new Storico(valori.cartellaProgramma + Storico::NomeFile,
                            Storico::opzioniDa(valori.fileImpostazioni), this);
    m_registrazione =
        new RegistrazioneScheda(m_scheda->sessione(), *m_storico, m_configurazione,
                                valori.fileImpostazioni, EventoStorico::Origine::Ponte, this);
    m_registrazione->setOrigineComandi([this] {
        return m_scheda->isRichiestaInCorso() ? EventoStorico::Origine::AltroPannello
                                              : EventoStorico::Origine::Ponte;
    });
    connect(m_storico, &Storico::statoCambiato, this,
            [](ScrittoreStorico::Stato, const QString &testo) {
                if (!testo.isEmpty()) {
                    Registro::avviso(QStringLiteral("storico: ") + testo);
                }
            });
    connect(m_registrazione, &RegistrazioneScheda::allarmeValutato, this,
            [this](const PuntoStorico &p, bool attivo) {
                if (p.famiglia == PuntoStorico::Famiglia::IngressiDigitali) {
                    statoAllarme(Punto{Punto::Tipo::Ingresso, 0, p.canale}, attivo);
                } else if (p.famiglia == PuntoStorico::Famiglia::IngressiAnalogici) {
                    statoAllarme(Punto{Punto::Tipo::Analogico, 0, p.canale}, attivo);
                }
            });
    connect(m_scheda, &LatoScheda::letto, this, &Ponte::letto);
    connect(m_scheda, &LatoScheda::inLinea, this, &Ponte::inLinea);
    connect(m_scheda, &LatoScheda::unitaInLinea, this, &Ponte::unitaInLinea);
    connect(m_scheda, &LatoScheda::sentita, this,
            [this] { m_ultimaRisposta = QDateTime::currentDateTimeUtc(); });
    connect(m_scheda, &LatoScheda::tempoRisposta, this, [this](int ms) {
        m_rispostaMs = ms;
        if (!m_diagnostica.isActive()) {
            m_diagnostica.start();
        }
    });
    m_diagnostica.setSingleShot(true);
    m_diagnostica.setInterval(kRitardoDiagnosticaMs);
    connect(&m_diagnostica, &QTimer::timeout, this, &Ponte::pubblicaDiagnostica);
    connect(m_scheda, &LatoScheda::comandoFallito, this, &Ponte::rispondiErrore);
    connect(m_mqtt, &ClientMqtt::collegato, this, &Ponte::collegato);
    connect(m_mqtt, &ClientMqtt::tlsRifiutato, this, [this] {
        m_diagnosiTls.esamina(m_impostazioni.host, m_impostazioni.porta, m_impostazioni.ca);
    });
    connect(m_mqtt, &ClientMqtt::verificaConclusa, this, [this] {
        if (!m_fermato) {
            m_scheda->collega();
        }
    });
    connect(m_mqtt, &ClientMqtt::istanzaDoppia, this, [this](const QString &marca) {
        Registro::errore(
            QStringLiteral("un altro ponte è già in linea su %1 (segno %2, questo è %3): due "
                           "ponti con Id=%4 e Prefisso=%5 si toglierebbero il collegamento a "
                           "vicenda. Dare a questo un altro Id in %6, o fermare l'altro")
                .arg(m_argomenti.ponte(), marca, marcaIstanza(m_opzioni.cartella),
                     m_impostazioni.id, m_impostazioni.prefisso,
                     QDir(m_opzioni.cartella).filePath(kFilePonte)));
        ferma();
        m_concluso = true;
        emit concluso(2);
    });
    connect(m_mqtt, &ClientMqtt::scollegato, this, [this] { m_mqttCollegato = false; });
    connect(m_mqtt, &ClientMqtt::messaggio, this, &Ponte::messaggio);
    connect(m_mqtt, &ClientMqtt::messaggioCorrelato, this, &Ponte::richiestaPannello);
    connect(m_scheda, &LatoScheda::giroGrezzo, this, [this](const QByteArray &testo) {
        m_mqtt->pubblica(m_argomenti.continuo(), testo, false);
    });

    m_ricarica.setSingleShot(true);
    m_ricarica.setInterval(300);
    connect(&m_ricarica, &QTimer::timeout, this, &Ponte::ricaricaConfigurazione);
    connect(&m_osservatore, &QFileSystemWatcher::fileChanged, &m_ricarica,
            qOverload<>(&QTimer::start));
    connect(&m_osservatore, &QFileSystemWatcher::directoryChanged, &m_ricarica,
            qOverload<>(&QTimer::start));

    m_reannuncio.setSingleShot(true);
    connect(&m_reannuncio, &QTimer::timeout, this, [this] { pubblicaAnnunci(true); });

    m_limite.setSingleShot(true);
    connect(&m_limite, &QTimer::timeout, this, [this] {
        Registro::errore(
            QStringLiteral("nessuna lettura completa entro %1 s (scheda %2, broker "
                           "%3)")
                .arg(m_opzioni.limiteUnaVoltaMs / 1000)
                .arg(m_schedaInLinea ? QStringLiteral("in linea") : QStringLiteral("non in linea"),
                     m_mqtt->isCollegato() ? QStringLiteral("collegato")
                                           : QStringLiteral("non collegato")));
        ferma();
        m_concluso = true;
        emit concluso(1);
    });
}

Ponte::~Ponte()
{
    ferma();
}

QString Ponte::avvia()
{
    m_testoImpostazioni = contenuto(m_scheda->valori().fileImpostazioni);
    m_configurazione = leggiConfigurazione(m_scheda->valori().fileImpostazioni);
    m_allarmi = ImpostazioniAllarmi::daFile(m_scheda->valori().fileImpostazioni);
    guardaImpostazioni();
    // The board is opened once the broker has been looked at for another bridge on these
    // topics: a second bridge must not take the board's link from the first either.
    if (const QString errore = m_scheda->avvia(false); !errore.isEmpty()) {
        return errore;
    }
    if (!m_mqtt->avvia()) {
        return QStringLiteral("client MQTT non avviato");
    }
    if (m_opzioni.unaVolta) {
        m_limite.start(m_opzioni.limiteUnaVoltaMs);
    }
    return {};
}

void Ponte::ferma()
{
    if (m_fermato) {
        return;
    }
    m_fermato = true;
    m_limite.stop();
    m_ricarica.stop();
    m_reannuncio.stop();
    m_diagnostica.stop();
    m_scheda->ferma();
    // Nobody watches the board any more.
    m_mqtt->pubblica(m_argomenti.scheda(), kOffline.toUtf8(), true, 1);
    for (const int unita : std::as_const(m_impostazioni.unita)) {
        m_mqtt->pubblica(m_argomenti.statoUnita(unita), kOffline.toUtf8(), true, 1);
    }
    m_mqtt->ferma();
    m_storico->scriviOra();
    Registro::info(QStringLiteral("ponte fermato"));
}

void Ponte::guardaImpostazioni()
{
    // The folder too: a save that replaces the file drops it from the watch.
    const QString file = m_scheda->valori().fileImpostazioni;
    m_osservatore.addPath(QFileInfo(file).absolutePath());
    if (QFileInfo::exists(file) && !m_osservatore.files().contains(file)) {
        m_osservatore.addPath(file);
    }
}

void Ponte::ricaricaConfigurazione()
{
    guardaImpostazioni();
    // The folder is watched for a save that replaces the file; the history and its journal
    // beside it come and go all day, and read nothing new.
    const QString file = m_scheda->valori().fileImpostazioni;
    QByteArray testo = contenuto(file);
    if (testo == m_testoImpostazioni) {
        return;
    }
    m_testoImpostazioni = std::move(testo);
    const ImpostazioniAllarmi allarmi = ImpostazioniAllarmi::daFile(file);
    for (int n = 1; n <= 8; ++n) {
        const auto i = size_t(n - 1);
        // An alarm turned off: its state goes from the broker with its entity.
        if (m_allarmi.digitaleAbilitato[i] && !allarmi.digitaleAbilitato[i]) {
            spegniAllarme(Punto{Punto::Tipo::Ingresso, 0, n});
        }
        if (m_allarmi.analogicoAbilitato[i] && !allarmi.analogicoAbilitato[i]) {
            spegniAllarme(Punto{Punto::Tipo::Analogico, 0, n});
        }
    }
    const bool altriAllarmi = allarmi.digitaleAbilitato != m_allarmi.digitaleAbilitato ||
                              allarmi.digitaleBasso != m_allarmi.digitaleBasso ||
                              allarmi.analogicoAbilitato != m_allarmi.analogicoAbilitato ||
                              allarmi.minimo != m_allarmi.minimo ||
                              allarmi.massimo != m_allarmi.massimo;
    m_allarmi = allarmi;
    const ValoriConfigurazione nuova = leggiConfigurazione(file);
    const bool scale = nuova.minimiIA != m_configurazione.minimiIA ||
                       nuova.massimiIA != m_configurazione.massimiIA;
    m_configurazione = nuova;
    pubblicaAnnunci(false);
    if (scale || altriAllarmi) {
        // The shown values change with the ranges: the next readings go out whatever they are.
        for (int n = 1; n <= 8; ++n) {
            m_stati.dimentica(m_argomenti.stato(Punto{Punto::Tipo::Analogico, 0, n}));
        }
        m_scheda->aggiornaTutto();
    }
}

void Ponte::letto(const Punto &punto, int grezzo)
{
    using T = Punto::Tipo;
    QString payload;
    int banda = 0;
    int grezzoBanda = -1;
    switch (punto.tipo) {
    case T::Rele:
    case T::Ingresso:
    case T::UscitaUnita:
    case T::IngressoUnita:
        payload = grezzo != 0 ? QStringLiteral("ON") : QStringLiteral("OFF");
        break;
    case T::UscitaAnalogica:
        payload = QString::number(Conversioni::livelloAPercentuale(grezzo));
        break;
    case T::CanaleUnita:
        // The level itself: a percentage of 64 levels would not come back as it was set.
        payload = QString::number(grezzo);
        break;
    case T::Analogico:
        try {
            payload = ValoreAnalogico::testo(
                grezzo, Conversioni::StrToFloat(m_configurazione.minimiIA.at(punto.numero - 1)),
                Conversioni::StrToFloat(m_configurazione.massimiIA.at(punto.numero - 1)));
        } catch (const ErroreProgramma &e) {
            // Once for each wrong scale, not at every reading.
            const QString testo = QStringLiteral("analogico %1: scala non valida: %2")
                                      .arg(punto.numero)
                                      .arg(e.messaggio());
            if (m_scaleNonValide.value(punto.numero) != testo) {
                m_scaleNonValide.insert(punto.numero, testo);
                Registro::avviso(testo);
            }
            return;
        }
        m_scaleNonValide.remove(punto.numero);
        grezzoBanda = grezzo;
        banda = StatiPubblicati::BandaAnalogica;
        break;
    }
    const QString argomento = m_argomenti.stato(punto);
    if (m_stati.aggiorna(argomento, payload, grezzoBanda, banda)) {
        m_mqtt->pubblica(argomento, payload.toUtf8(), true);
    }
}

void Ponte::statoAllarme(const Punto &punto, bool attivo)
{
    const auto i = size_t(punto.numero - 1);
    const bool acceso = punto.tipo == Punto::Tipo::Ingresso ? m_allarmi.digitaleAbilitato[i]
                                                            : m_allarmi.analogicoAbilitato[i];
    if (!acceso) {
        return;
    }
    const QString argomento = m_argomenti.allarme(punto);
    const QString payload = attivo ? QStringLiteral("ON") : QStringLiteral("OFF");
    if (m_stati.aggiorna(argomento, payload)) {
        m_mqtt->pubblica(argomento, payload.toUtf8(), true);
    }
}

void Ponte::spegniAllarme(const Punto &punto)
{
    const QString argomento = m_argomenti.allarme(punto);
    m_stati.dimentica(argomento);
    m_mqtt->pubblica(argomento, {}, true);
}

void Ponte::pubblicaScheda()
{
    m_mqtt->pubblica(m_argomenti.scheda(), (m_schedaInLinea ? kOnline : kOffline).toUtf8(), true,
                     1);
}

void Ponte::unitaInLinea(int unita, bool inLinea)
{
    m_unitaInLinea.insert(unita, inLinea);
    m_mqtt->pubblica(m_argomenti.statoUnita(unita), (inLinea ? kOnline : kOffline).toUtf8(), true,
                     1);
}

void Ponte::pubblicaDiagnostica()
{
    const QJsonObject stato{
        {QStringLiteral("collegamento"),
         m_schedaInLinea ? QStringLiteral("in linea") : QStringLiteral("non in linea")},
        {QStringLiteral("risposta_ms"),
         m_rispostaMs >= 0 ? QJsonValue(m_rispostaMs) : QJsonValue()},
        {QStringLiteral("rifiutati"), m_rifiutati},
        {QStringLiteral("ultima_risposta"), m_ultimaRisposta.isValid()
                                                ? QJsonValue(m_ultimaRisposta.toString(Qt::ISODate))
                                                : QJsonValue()},
    };
    const QByteArray payload = QJsonDocument(stato).toJson(QJsonDocument::Compact);
    if (payload != m_diagnosticaPubblicata &&
        m_mqtt->pubblica(m_argomenti.diagnostica(), payload, true)) {
        m_diagnosticaPubblicata = payload;
    }
}

void Ponte::inLinea(bool inLinea)
{
    m_schedaInLinea = inLinea;
    pubblicaScheda();
    m_diagnostica.stop();
    pubblicaDiagnostica();
    verificaFine();
}

void Ponte::collegato()
{
    m_mqttCollegato = true;
    // A broker that restarted has lost everything retained: all of it again.
    for (const auto &[argomento, payload] : m_stati.tutti()) {
        m_mqtt->pubblica(argomento, payload.toUtf8(), true);
    }
    pubblicaScheda();
    m_diagnosticaPubblicata.clear();
    pubblicaDiagnostica();
    for (auto it = m_unitaInLinea.cbegin(); it != m_unitaInLinea.cend(); ++it) {
        m_mqtt->pubblica(m_argomenti.statoUnita(it.key()),
                         (it.value() ? kOnline : kOffline).toUtf8(), true, 1);
    }
    pubblicaAnnunci(true);
    verificaFine();
}

void Ponte::pubblicaAnnunci(bool tutti)
{
    if (!m_impostazioni.discovery) {
        return;
    }
    for (const AnnunciHomeAssistant::Annuncio &a :
         m_annunci.annunci(m_configurazione, m_impostazioni.unita, m_allarmi)) {
        if (!tutti && m_annunciPubblicati.value(a.argomento) == a.payload) {
            continue;
        }
        if (m_mqtt->pubblica(a.argomento, a.payload, true, 1)) {
            m_annunciPubblicati.insert(a.argomento, a.payload);
        }
    }
}

void Ponte::richiestaPannello(const QString &argomento, const QByteArray &payload,
                              const ProprietaMqtt &proprieta)
{
    const bool soloLettura = argomento == m_argomenti.lettura();
    if (m_fermato || (argomento != m_argomenti.richiesta() && !soloLettura)) {
        return;
    }
    const QString rispostaA = proprieta.rispostaA;
    if (rispostaA.isEmpty() || rispostaA.contains(QLatin1Char('+')) ||
        rispostaA.contains(QLatin1Char('#'))) {
        Registro::avviso(QStringLiteral("richiesta senza un argomento di risposta valido: "
                                        "ignorata"));
        return;
    }
    const auto rispondi = [this, rispostaA, correlazione = proprieta.correlazione](
                              const QByteArray &testo, bool riuscito, const QString &motivo) {
        ProprietaMqtt p;
        p.correlazione = correlazione;
        if (!riuscito) {
            p.errore = motivo.isEmpty() ? QStringLiteral("errore") : motivo;
        }
        m_mqtt->pubblicaV5(rispostaA, riuscito ? testo : QByteArray(), p, 0);
    };
    const RichiestaPannello richiesta = RichiestaPannello::leggi(payload);
    switch (richiesta.tipo) {
    case RichiestaPannello::Tipo::Non_valida:
        Registro::avviso(QStringLiteral("richiesta rifiutata: %1").arg(richiesta.motivo));
        rispondi({}, false, richiesta.motivo);
        return;
    case RichiestaPannello::Tipo::Continuo:
        // The continuous output is the bridge's, as "Ponte.INI" sets it: the pages stop it
        // before their commands and would stop it for everyone. The prompt answers at once.
        rispondi(QByteArray(Protocollo::Pronto.data(), Protocollo::Pronto.size()), true, {});
        return;
    case RichiestaPannello::Tipo::Comando:
        break;
    }
    // The readings' topic may be open to viewers: nothing there may change the board.
    if (soloLettura && richiesta.comando.attesa == TipoRisposta::Nessuna) {
        const QString motivo = QStringLiteral("su %1 solo letture").arg(argomento);
        Registro::avviso(QStringLiteral("richiesta rifiutata: %1").arg(motivo));
        rispondi({}, false, motivo);
        return;
    }
    QString motivo;
    if (!m_scheda->richiesta(richiesta.comando, richiesta.diretti, rispondi, motivo)) {
        rispondi({}, false, motivo);
    }
}

void Ponte::messaggio(const QString &argomento, const QByteArray &payload, bool trattenuto)
{
    if (m_fermato) {
        return;
    }
    if (argomento == m_argomenti.richiesta() || argomento == m_argomenti.lettura()) {
        Registro::avviso(QStringLiteral("richiesta senza argomento di risposta: ignorata"));
        return;
    }
    if (argomento == m_argomenti.statoHomeAssistant()) {
        if (payload == kOnline.toUtf8() && m_impostazioni.discovery) {
            // Home Assistant restarted: its discovery again, after a short random delay so that
            // many bridges do not answer at once. Births in a row make one announcement once
            // they stop, or at the latest some seconds after the first.
            if (!m_reannuncio.isActive()) {
                m_primaNascita.start();
            }
            if (m_primaNascita.elapsed() < kAttesaMassimaAnnunciMs) {
                m_reannuncio.start(QRandomGenerator::global()->bounded(500, 2500));
            }
        }
        return;
    }
    for (int unita = 0; unita <= 8; ++unita) {
        if (argomento == m_argomenti.configDispositivoSenzaPrefisso(unita)) {
            // An earlier version's discovery of this bridge (its states are under this base):
            // the device now lives under the id with the prefix.
            const QByteArray nostro = '"' + m_argomenti.base().toUtf8() + '/';
            if (!payload.isEmpty() && payload.contains(nostro)) {
                Registro::info(QStringLiteral("discovery: tolgo %1").arg(argomento));
                m_mqtt->pubblica(argomento, {}, true, 1);
            }
            return;
        }
        if (argomento != m_argomenti.configDispositivo(unita)) {
            continue;
        }
        const bool nostro =
            m_impostazioni.discovery && (unita == 0 || m_impostazioni.unita.contains(unita));
        if (!nostro && !payload.isEmpty()) {
            Registro::info(QStringLiteral("discovery: tolgo %1").arg(argomento));
            m_mqtt->pubblica(argomento, {}, true, 1);
        }
        return;
    }
    const bool comando = argomento == m_argomenti.get() ||
                         (argomento.startsWith(m_argomenti.base() + QLatin1Char('/')) &&
                          argomento.endsWith(QLatin1String("/set")));
    if (!comando) {
        return;
    }
    if (trattenuto) {
        // A command left on the broker would be carried out again at every restart.
        if (!payload.isEmpty()) {
            Registro::avviso(
                QStringLiteral("comando trattenuto ignorato e tolto: %1").arg(argomento));
            m_mqtt->pubblica(argomento, {}, true, 1);
        }
        return;
    }
    if (argomento == m_argomenti.get()) {
        Registro::info(QStringLiteral("lettura di tutti i punti richiesta"));
        m_scheda->aggiornaTutto();
        return;
    }
    comandoSet(argomento, payload);
}

void Ponte::comandoSet(const QString &argomento, const QByteArray &payload)
{
    const std::optional<Punto> punto = m_argomenti.puntoDaComando(argomento);
    if (!punto) {
        const QStringList livelli =
            argomento.mid(m_argomenti.base().size()).split(QLatin1Char('/'));
        const bool soloLettura = livelli.contains(QLatin1String("ingresso")) ||
                                 livelli.contains(QLatin1String("analogico"));
        rispondiErrore(argomento, payload,
                       soloLettura ? QStringLiteral("punto di sola lettura: non accetta comandi")
                                   : QStringLiteral("punto sconosciuto"));
        return;
    }
    const InterpretazioneComando interpretazione = interpretaComando(*punto, payload);
    if (!interpretazione.richiesta) {
        rispondiErrore(argomento, payload, interpretazione.motivo);
        return;
    }
    QString motivo;
    if (!m_scheda->comanda(*punto, *interpretazione.richiesta, argomento, payload, motivo)) {
        rispondiErrore(argomento, payload, motivo);
    }
}

void Ponte::rispondiErrore(const QString &argomento, const QByteArray &payload,
                           const QString &motivo)
{
    // Whatever came in is repeated cut short: a huge topic or payload must not be echoed whole
    // to every subscriber and the log.
    const QString argomentoCorto = eco(argomento, kMassimoEco);
    const QString payloadCorto = eco(QString::fromUtf8(payload.left(kMassimoEco * 4)), kMassimoEco);
    Registro::avviso(QStringLiteral("comando rifiutato su %1: %2").arg(argomentoCorto, motivo));
    ++m_rifiutati;
    if (!m_diagnostica.isActive()) {
        m_diagnostica.start();
    }
    const QJsonObject risposta{{QStringLiteral("topic"), argomentoCorto},
                               {QStringLiteral("payload"), payloadCorto},
                               {QStringLiteral("motivo"), motivo}};
    m_mqtt->pubblica(m_argomenti.errore(), QJsonDocument(risposta).toJson(QJsonDocument::Compact),
                     false);
}

void Ponte::verificaFine()
{
    if (!m_opzioni.unaVolta || m_concluso || !m_schedaInLinea || !m_mqttCollegato) {
        return;
    }
    m_concluso = true;
    Registro::info(QStringLiteral("tutti i punti letti e pubblicati"));
    ferma();
    emit concluso(0);
}
