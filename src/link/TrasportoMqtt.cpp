#include "link/TrasportoMqtt.h"

#include "core/TestoStato.h"
#include "core/ValoriProgramma.h"
#include "link/Comando.h"
#include "mqtt/ArgomentiScheda.h"
#include "mqtt/ClientMqtt.h"
#include "mqtt/LibreriaMosquitto.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "settings/ScritturaSicura.h"

#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>

namespace {

constexpr int kNonAutorizzato = 0x87;
const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

// Letters, digits, '_' and '-', at least one: a topic level of the bridge.
bool nomeValido(const QString &nome)
{
    static const QRegularExpression forma(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return forma.match(nome).hasMatch();
}

// The first line of the password file; empty when there is none.
QString leggiPassword(const QString &percorso, QString &errore)
{
    QFile file(percorso);
    if (!file.open(QIODevice::ReadOnly)) {
        const int codice = errno;
        errore = file.exists() ? QStringLiteral("File della password %1 non leggibile: %2.")
                                     .arg(percorso, motivoScrittura(codice, file.errorString()))
                               : QStringLiteral("File della password %1 non trovato.").arg(percorso);
        return {};
    }
    return QString::fromUtf8(file.readLine(4096)).trimmed();
}

} // namespace

TrasportoMqtt::TrasportoMqtt(const ValoriProgramma &valori, TestoStato &testoStato,
                             const Temporizzazioni &tempi, QObject *parent)
    : Trasporto(QStringLiteral("MQTT"), testoStato, tempi, parent), m_valori(valori)
{
    m_attesaStati.setSingleShot(true);
    connect(&m_attesaStati, &QTimer::timeout, this, [this] {
        m_attesaScaduta = true;
        aggiorna();
    });
    m_attesaRisposta.setSingleShot(true);
    connect(&m_attesaRisposta, &QTimer::timeout, this, [this] {
        if (m_inRichiesta) {
            Trasporto::testoStato().impostaTesto(1, QStringLiteral("Nessuna risposta dal ponte MQTT"));
            fineRichiesta();
        }
    });
    m_cambiato.setSingleShot(true);
    m_cambiato.setInterval(30);
    connect(&m_cambiato, &QTimer::timeout, this, [this] {
        if (m_attivo) {
            emit cambiatoAltrove();
        }
    });
}

TrasportoMqtt::~TrasportoMqtt()
{
    // The client's thread ends before anything it may call back into goes.
    delete m_client;
}

TrasportoMqtt::Impostazioni TrasportoMqtt::impostazioniSalvate() const
{
    Impostazioni imp;
    const auto leggi = [this](const QString &chiave, QString &valore) {
        const QString letto = LeggiIni(m_valori.filePorte, LayoutIni::kSezMqtt, chiave);
        if (letto != kErrore) {
            valore = letto;
        }
    };
    leggi(LayoutIni::kChiaveHost, imp.host);
    leggi(LayoutIni::kChiavePortaMqtt, imp.porta);
    leggi(LayoutIni::kChiaveId, imp.id);
    leggi(LayoutIni::kChiavePrefisso, imp.prefisso);
    leggi(LayoutIni::kChiaveUtente, imp.utente);
    leggi(LayoutIni::kChiaveFilePassword, imp.filePassword);
    leggi(LayoutIni::kChiaveCa, imp.ca);
    return imp;
}

QString TrasportoMqtt::caricaImpostazioni()
{
    m_impostazioni = impostazioniSalvate();
    const QString motivo = errore(m_impostazioni);
    return motivo.isEmpty() ? QString() : m_valori.filePorte + QStringLiteral(": ") + motivo;
}

QString TrasportoMqtt::errore(const Impostazioni &imp)
{
    QStringList errori;
    if (imp.host.trimmed().isEmpty()) {
        errori << QStringLiteral("Campo Broker: manca l'indirizzo del broker.");
    }
    bool numero = false;
    const int porta = imp.porta.toInt(&numero);
    const bool cifre = !imp.porta.isEmpty() && imp.porta.size() <= 5 &&
                       std::all_of(imp.porta.cbegin(), imp.porta.cend(), [](QChar c) {
                           return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                       });
    if (!cifre || !numero || porta < 1 || porta > 65535) {
        errori << QStringLiteral("Campo Porta: \"%1\" non è un numero di porta da 1 a 65535 "
                                 "(solo cifre).")
                      .arg(imp.porta);
    }
    if (!nomeValido(imp.id)) {
        errori << QStringLiteral("Campo Id: \"%1\" deve avere solo lettere, cifre, _ e -.")
                      .arg(imp.id);
    }
    if (!nomeValido(imp.prefisso)) {
        errori << QStringLiteral("Campo Prefisso: \"%1\" deve avere solo lettere, cifre, _ e -.")
                      .arg(imp.prefisso);
    }
    return errori.join(QLatin1Char('\n'));
}

bool TrasportoMqtt::salva()
{
    SalvataggioIni salvataggio(m_valori.filePorte);
    salvataggio.scrivi(LayoutIni::kSezTipo, LayoutIni::kChiaveCollegamento, QStringLiteral("2"));
    const Impostazioni &imp = m_impostazioni;
    salvataggio.scrivi(LayoutIni::kSezMqtt, LayoutIni::kChiaveHost, imp.host);
    salvataggio.scrivi(LayoutIni::kSezMqtt, LayoutIni::kChiavePortaMqtt, imp.porta);
    salvataggio.scrivi(LayoutIni::kSezMqtt, LayoutIni::kChiaveId, imp.id);
    salvataggio.scrivi(LayoutIni::kSezMqtt, LayoutIni::kChiavePrefisso, imp.prefisso);
    salvataggio.scrivi(LayoutIni::kSezMqtt, LayoutIni::kChiaveUtente, imp.utente);
    salvataggio.scrivi(LayoutIni::kSezMqtt, LayoutIni::kChiaveFilePassword, imp.filePassword);
    salvataggio.scrivi(LayoutIni::kSezMqtt, LayoutIni::kChiaveCa, imp.ca);
    const bool salvato = salvataggio.concludi();
    if (!salvato) {
        emit avviso(salvataggio.errore());
    }
    const auto uguali = [](const Impostazioni &a, const Impostazioni &b) {
        return a.host == b.host && a.porta == b.porta && a.id == b.id &&
               a.prefisso == b.prefisso && a.utente == b.utente &&
               a.filePassword == b.filePassword && a.ca == b.ca;
    };
    if (m_client && !uguali(m_avviate, m_impostazioni)) {
        chiudi();
        testoStato().impostaTesto(0, QStringLiteral("Connessione MQTT chiusa: nuove impostazioni"));
    }
    return salvato;
}

QString TrasportoMqtt::descrizione() const
{
    return QStringLiteral("MQTT %1:%2 %3/%4")
        .arg(m_impostazioni.host, m_impostazioni.porta, m_impostazioni.prefisso,
             m_impostazioni.id);
}

bool TrasportoMqtt::isAttivo() const
{
    return m_attivo;
}

bool TrasportoMqtt::isGiu() const
{
    if (!m_client) {
        return true;
    }
    if (m_attivo) {
        return false;
    }
    // The bridge or the board said they are away, or nothing came in time.
    return m_attesaScaduta || m_ponte == false || m_scheda == false;
}

std::optional<bool> TrasportoMqtt::prontoProprio() const
{
    return m_attivo && !m_inRichiesta;
}

void TrasportoMqtt::avvia()
{
    if (m_client) {
        // Running: it reconnects by itself. The bridge's states get another chance to come.
        if (!m_attivo && m_collegato && m_attesaScaduta) {
            m_attesaScaduta = false;
            m_attesaStati.start(AttesaStatiMs);
            emit statoCambiato();
        }
        return;
    }
    if (const QString motivo = errore(m_impostazioni); !motivo.isEmpty()) {
        emit messaggio(QStringLiteral("Attenzione. Dati non Corretti\n") + motivo);
        return;
    }
    if (QString motivo; !LibreriaMosquitto::apri(&motivo)) {
        emit messaggio(QStringLiteral("Attenzione. Collegamento MQTT non disponibile: manca la "
                                      "libreria libmosquitto (%1).")
                           .arg(motivo));
        return;
    }
    ClientMqtt::Opzioni opzioni;
    opzioni.host = m_impostazioni.host.trimmed();
    opzioni.porta = m_impostazioni.porta.toInt();
    opzioni.utente = m_impostazioni.utente;
    if (!m_impostazioni.filePassword.isEmpty()) {
        QString problema;
        opzioni.password = leggiPassword(m_impostazioni.filePassword, problema);
        if (!problema.isEmpty()) {
            emit messaggio(problema);
            return;
        }
    }
    opzioni.ca = m_impostazioni.ca;
    m_base = ArgomentiScheda::base(m_impostazioni.prefisso, m_impostazioni.id);
    m_idClient = QStringLiteral("%1-%2-pannello-%3")
                     .arg(m_impostazioni.prefisso, m_impostazioni.id)
                     .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    opzioni.idClient = m_idClient;
    m_argRisposte = ArgomentiScheda::risposte(m_base, m_idClient);
    opzioni.sottoscrizioni = {ArgomentiScheda::ponte(m_base), ArgomentiScheda::scheda(m_base),
                              m_base + QStringLiteral("/rele/+"),
                              ArgomentiScheda::continuo(m_base), m_argRisposte};
    // A panel's client gives up quickly and tries often: an operator waits in front of it.
    opzioni.ritardoMassimoMs = 5000;
    opzioni.ritardoCredenzialiMs = 30000;
    m_avviate = m_impostazioni;
    m_client = new ClientMqtt(opzioni, this);
    connect(m_client, &ClientMqtt::collegato, this, [this] {
        m_collegato = true;
        m_attesaScaduta = false;
        m_attesaStati.start(AttesaStatiMs);
        aggiorna();
    });
    connect(m_client, &ClientMqtt::scollegato, this, [this] {
        m_collegato = false;
        m_ponte.reset();
        m_scheda.reset();
        m_attesaScaduta = true;
        if (m_inRichiesta) {
            fineRichiesta();
        }
        aggiorna();
    });
    connect(m_client, &ClientMqtt::messaggio, this, &TrasportoMqtt::statoRicevuto);
    connect(m_client, &ClientMqtt::messaggioCorrelato, this, &TrasportoMqtt::risposta);
    connect(m_client, &ClientMqtt::pubblicato, this, &TrasportoMqtt::pubblicato);
    testoStato().impostaTesto(0, QStringLiteral("Connessione in corso ......."));
    m_attesaScaduta = false;
    // The broker itself gets as long as the bridge's states; the client keeps trying after.
    m_attesaStati.start(AttesaStatiMs);
    if (!m_client->avvia()) {
        delete std::exchange(m_client, nullptr);
        emit messaggio(QStringLiteral("Attenzione. Client MQTT non avviato: impostazioni "
                                      "rifiutate dalla libreria."));
    }
    emit statoCambiato();
}

void TrasportoMqtt::chiudi()
{
    if (!m_client) {
        return;
    }
    ClientMqtt *client = std::exchange(m_client, nullptr);
    client->disconnect(this);
    // Never waits here: a connect under way to an unreachable broker may take minutes.
    client->fermaEdElimina();
    m_collegato = false;
    m_attivo = false;
    m_ponte.reset();
    m_scheda.reset();
    m_attesaStati.stop();
    m_attesaRisposta.stop();
    m_inRichiesta = false;
    m_statiNoti.clear();
    emit statoCambiato();
}

void TrasportoMqtt::statoRicevuto(const QString &argomento, const QByteArray &payload, bool)
{
    if (argomento == ArgomentiScheda::ponte(m_base)) {
        m_ponte = payload == kOnline;
        aggiorna();
        return;
    }
    if (argomento == ArgomentiScheda::scheda(m_base)) {
        m_scheda = payload == kOnline;
        aggiorna();
        return;
    }
    if (argomento == ArgomentiScheda::continuo(m_base)) {
        // Only from a board in line: a round that overtook the bridge's "offline" says
        // nothing true. Not while an answer is awaited either: rounds in between would make
        // the reader give the reply up (the board's own link has no such gap), and the next
        // round comes soon after.
        if (m_attivo && !m_inRichiesta && !payload.isEmpty()) {
            emit datiRicevuti(payload);
        }
        return;
    }
    // A state the bridge published: somebody may have changed it.
    const QByteArray prima = m_statiNoti.value(argomento);
    m_statiNoti.insert(argomento, payload);
    if (!prima.isEmpty() && prima != payload) {
        m_cambiato.start();
    }
}

void TrasportoMqtt::risposta(const QString &argomento, const QByteArray &payload,
                             const ProprietaMqtt &p)
{
    if (argomento != m_argRisposte || !m_inRichiesta || p.correlazione != m_correlazione) {
        // The answer to a request given up already.
        return;
    }
    m_inRichiesta = false;
    m_midRichiesta = -1;
    m_attesaRisposta.stop();
    if (!p.errore.isEmpty()) {
        testoStato().impostaTesto(1, QStringLiteral("Comando rifiutato dal ponte: ") + p.errore);
    } else if (!payload.isEmpty()) {
        // Read before the sender hears the link is free: the prompt that ends the answer lets
        // the next command go, and the reader expects that command's reply only after this.
        emit datiRicevuti(payload);
    }
    emit statoCambiato();
}

void TrasportoMqtt::pubblicato(int mid, int motivo)
{
    if (!m_inRichiesta || mid != m_midRichiesta || motivo < 0x80) {
        return;
    }
    // The broker did not take it: nothing reached the bridge, nothing the board.
    fineRichiesta();
    const QString testo = motivo == kNonAutorizzato
                              ? QStringLiteral("Comando non autorizzato")
                              : QStringLiteral("Comando rifiutato dal broker: ") +
                                    ClientMqtt::motivoBroker(motivo);
    testoStato().impostaTesto(1, testo);
    emit avviso(testo);
}

void TrasportoMqtt::fineRichiesta()
{
    m_inRichiesta = false;
    m_midRichiesta = -1;
    m_attesaRisposta.stop();
    // The sender may go on.
    emit statoCambiato();
}

void TrasportoMqtt::aggiorna()
{
    const bool attivo = m_client && m_collegato && m_ponte == true && m_scheda == true;
    const bool eraAttivo = std::exchange(m_attivo, attivo);
    if (attivo) {
        m_attesaStati.stop();
    }
    mostraStato();
    if (attivo && !eraAttivo) {
        emit aperto();
    } else if (!attivo && eraAttivo) {
        if (m_inRichiesta) {
            fineRichiesta();
        }
        emit perso();
    }
    emit statoCambiato();
}

void TrasportoMqtt::mostraStato()
{
    if (!m_client) {
        return;
    }
    const QString broker = m_avviate.host + QLatin1Char(':') + m_avviate.porta;
    if (m_attivo) {
        testoStato().impostaTesto(0, QStringLiteral("Connessione MQTT Attiva --  Broker: ") +
                                         broker + QStringLiteral("  Scheda: ") + m_avviate.id);
    } else if (!m_collegato && m_attesaScaduta) {
        testoStato().impostaTesto(0, QStringLiteral("Attenzione Connessione non effettuata. "
                                                    "Verificare! (broker %1)")
                                         .arg(broker));
    } else if (m_ponte == false || m_scheda == false || (m_collegato && m_attesaScaduta)) {
        testoStato().impostaTesto(
            0, QStringLiteral("Connessione MQTT Attiva --  Broker: %1  Scheda: %2 non in linea "
                              "(%3)")
                   .arg(broker, m_avviate.id,
                        m_ponte != true ? QStringLiteral("ponte assente")
                                        : QStringLiteral("scheda assente")));
    }
}

QList<Trasporto::Pezzo> TrasportoMqtt::pezzi(const Comando &comando) const
{
    // Whole: the bridge paces it to the board. Written right after this, before any other.
    m_lettura = comando.attesa != TipoRisposta::Nessuna;
    return {{comando.tcp.toLatin1(), 0}};
}

QList<Trasporto::Pezzo> TrasportoMqtt::pezziDiretti(const QString &testo) const
{
    m_lettura = false;
    return {{testo.toLatin1(), 0}};
}

bool TrasportoMqtt::scriviPezzo(const QByteArray &dati)
{
    // Only whole commands: the sender joins text read without a prompt to its head, so a
    // piece of its own would have nothing to belong to.
    if (!m_attivo || !m_client || m_inRichiesta || !dati.startsWith("*/")) {
        return false;
    }
    m_correlazione = QByteArray::number(++m_numero);
    ProprietaMqtt p;
    p.rispostaA = m_argRisposte;
    p.correlazione = m_correlazione;
    m_inRichiesta = true;
    const QString argomento = std::exchange(m_lettura, false) ? ArgomentiScheda::lettura(m_base)
                                                               : ArgomentiScheda::richiesta(m_base);
    const int mid = m_client->pubblicaV5(argomento, dati, p, 1);
    if (mid < 0) {
        m_inRichiesta = false;
        return false;
    }
    m_midRichiesta = mid;
    m_attesaRisposta.start(AttesaRispostaMs);
    return true;
}
