#include "ponte/LatoScheda.h"

#include "core/Errori.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/Trasporto.h"
#include "link/TrasportoTcp.h"
#include "ponte/ImpostazioniPonte.h"
#include "ponte/Registro.h"
#include "protocol/Conversioni.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"
#include "settings/CartellaImpostazioni.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

constexpr int kRitardoRiprovaMinimoMs = 1000;
constexpr int kRitardoRiprovaMassimoMs = 30000;
// A scene's commands arrive one by one: an idle executor waits this long after the last for
// more, at most kRaccoltaMassimaMs after the first, so that one read of a bank serves them all.
constexpr int kRaccoltaMs = 30;
constexpr int kRaccoltaMassimaMs = 200;
// The pause the board needs between the analog thresholds' head and its fields.
constexpr int kPausaCampiDiretti = 200;
// Panels' requests waiting at most; past it a request is refused at once.
constexpr qsizetype kRichiesteMassime = 32;

// The points a reply of this kind carries.
std::optional<Punto::Tipo> tipoPunto(TipoRisposta tipo)
{
    using T = Punto::Tipo;
    switch (tipo) {
    case TipoRisposta::Rele:
        return T::Rele;
    case TipoRisposta::Ingressi:
        return T::Ingresso;
    case TipoRisposta::IngressiAnalogici:
        return T::Analogico;
    case TipoRisposta::UsciteAnalogiche:
        return T::UscitaAnalogica;
    case TipoRisposta::UsciteUnita:
        return T::UscitaUnita;
    case TipoRisposta::IngressiUnita:
        return T::IngressoUnita;
    case TipoRisposta::CanaliUnita:
        return T::CanaleUnita;
    case TipoRisposta::Nessuna:
        break;
    }
    return std::nullopt;
}

// The largest value a numeric reply may carry: its field holds more digits than the board uses.
int massimo(TipoRisposta tipo)
{
    switch (tipo) {
    case TipoRisposta::IngressiAnalogici:
        return 65535;
    case TipoRisposta::UsciteAnalogiche:
        return 255;
    case TipoRisposta::CanaliUnita:
        return 63;
    default:
        return 0;
    }
}

} // namespace

LatoScheda::LatoScheda(const QString &cartellaImpostazioni, Opzioni opzioni, QObject *parent)
    : QObject(parent), m_opzioni(std::move(opzioni))
{
    usaCartellaImpostazioni(m_valori, cartellaImpostazioni);

    m_sessione = new SessioneScheda(m_valori, m_testoStato, m_opzioni.tempi, this);
    Collegamento &collegamento = m_sessione->collegamento();
    connect(m_sessione, &SessioneScheda::pronto, this, &LatoScheda::pronto);
    connect(m_sessione, &SessioneScheda::modoContinuo, this, &LatoScheda::modoContinuo);
    m_sessione->perOgniGiro(this, [this](const GiroContinuo &g) { giro(g); });
    // The text as it came, for the panels that ask through the bridge: cut per response in
    // step with the reader, which tells each response's end.
    connect(m_sessione, &SessioneScheda::datiRicevuti, this,
            [this](const QString &, const QByteArray &d) {
                m_grezzo += d;
                if (m_grezzo.size() > 2 * LettoreRisposte::MassimoBuffer) {
                    m_grezzo.remove(0, m_grezzo.size() - LettoreRisposte::MassimoBuffer);
                }
            });
    connect(&m_sessione->lettore(), &LettoreRisposte::pronto, this, &LatoScheda::rispostaGrezza);
    connect(m_sessione, &SessioneScheda::collegamentoPerso, this,
            [this] { perdita(QStringLiteral("Collegamento perso")); });
    connect(m_sessione, &SessioneScheda::schedaMuta, this,
            [this] { perdita(QStringLiteral("La scheda non risponde")); });
    // A connection refused, or closed by the board, ends the attempt at once.
    for (Trasporto *trasporto : collegamento.trasporti()) {
        connect(trasporto, &Trasporto::statoCambiato, this, [this, trasporto] {
            if (trasporto == m_sessione->collegamento().trasporto() && trasporto->isGiu()) {
                perdita(QStringLiteral("Collegamento %1 chiuso").arg(trasporto->nome()));
            }
        });
    }
    connect(&collegamento, &Collegamento::avviso, this,
            [](const QString &testo) { Registro::avviso(QStringLiteral("scheda: ") + testo); });
    connect(&collegamento, &Collegamento::messaggio, this,
            [](const QString &testo) { Registro::avviso(QStringLiteral("scheda: ") + testo); });
    connect(m_sessione, &SessioneScheda::errore, this,
            [](const QString &testo) { Registro::errore(QStringLiteral("scheda: ") + testo); });

    m_attesaRisposta.setSingleShot(true);
    m_attesaRisposta.setTimerType(Qt::PreciseTimer);
    connect(&m_attesaRisposta, &QTimer::timeout, this, [this] {
        if (m_attesaModo) {
            Registro::avviso(QStringLiteral("scheda: l'uscita continua non ha cambiato stato"));
        } else {
            Registro::avviso(
                QStringLiteral("scheda: nessuna risposta a %1").arg(m_comandoInAttesa));
        }
        concludiPasso(m_passo, false);
    });
    m_riprovaUnita.setInterval(m_opzioni.riprovaUnitaMs);
    connect(&m_riprovaUnita, &QTimer::timeout, this, [this] {
        if (m_fase != Fase::InLinea) {
            return;
        }
        bool tutte = true;
        for (const int u : std::as_const(m_opzioni.unita)) {
            if (m_unitaInLinea.at(u) != false) {
                continue;
            }
            tutte = false;
            // One read tells whether it answers again; the next poll reads the rest.
            const Comando lettura = Protocollo::statoUsciteUnita(u - 1);
            const bool giaInCoda =
                std::any_of(m_letture.cbegin(), m_letture.cend(),
                            [&](const Comando &c) { return c.tcp == lettura.tcp; });
            if (!giaInCoda) {
                m_letture.append(lettura);
            }
        }
        if (tutte) {
            m_riprovaUnita.stop();
        }
        pianifica();
    });
    m_raccolta.setSingleShot(true);
    connect(&m_raccolta, &QTimer::timeout, this, &LatoScheda::pianifica);
    m_riprova.setSingleShot(true);
    connect(&m_riprova, &QTimer::timeout, this, &LatoScheda::apri);
    m_periodo.setInterval(m_opzioni.periodoMs);
    connect(&m_periodo, &QTimer::timeout, this, [this] {
        if (m_fase == Fase::InLinea && m_letture.isEmpty()) {
            m_letture.append(letture(false));
            pianifica();
        }
    });
}

LatoScheda::~LatoScheda()
{
    ferma();
}

QString LatoScheda::avvia(bool apriSubito)
{
    Collegamento &collegamento = m_sessione->collegamento();
    const QString nessuno = QStringLiteral("%1 non sceglie il collegamento alla scheda ([TIPO] "
                                           "Collegamento=0 seriale, 1 TCP)")
                                .arg(m_valori.filePorte);
    if (!collegamento.scegliTipoSalvato()) {
        return nessuno;
    }
    if (collegamento.tipoScelto() == TipoCollegamento::Mqtt) {
        return QStringLiteral("%1 [TIPO] Collegamento=2 (MQTT): il ponte è quello che tiene il "
                              "collegamento con la scheda, deve raggiungerla in seriale o TCP")
            .arg(m_valori.filePorte);
    }
    try {
        collegamento.VerificaCollegamento();
    } catch (const AbortSilenzioso &) {
        return nessuno;
    }
    if (const QString manca = collegamento.trasporto()->caricaImpostazioni(); !manca.isEmpty()) {
        return manca;
    }
    // A port that can never work stops the start instead of being retried for ever.
    if (const auto *tcp = qobject_cast<const TrasportoTcp *>(collegamento.trasporto())) {
        if (!interoAscii(tcp->porta().trimmed(), 1, 65535)) {
            return QStringLiteral("%1 [TCP] Porta=%2: serve un numero intero da 1 a 65535")
                .arg(m_valori.filePorte, eco(tcp->porta()));
        }
    }
    if (apriSubito) {
        collega();
    }
    return {};
}

void LatoScheda::collega()
{
    if (!std::exchange(m_collegata, true)) {
        apri();
    }
}

void LatoScheda::ferma()
{
    if (m_fermato) {
        return;
    }
    m_fermato = true;
    // Whatever is under way is dropped without a word.
    ++m_passo;
    m_seguito = {};
    m_attesaModo = false;
    m_lavoro = false;
    m_attesaRisposta.stop();
    m_riprova.stop();
    m_periodo.stop();
    m_raccolta.stop();
    m_riprovaUnita.stop();
    m_fase = Fase::Scollegata;
    m_sessione->chiudi();
}

void LatoScheda::apri()
{
    if (m_fermato) {
        return;
    }
    m_prontiDaApertura = 0;
    m_modoVerificato = false;
    m_grezzo.clear();
    Collegamento &collegamento = m_sessione->collegamento();
    try {
        collegamento.VerificaCollegamento();
    } catch (const AbortSilenzioso &) {
        return;
    }
    Registro::info(
        QStringLiteral("scheda: collegamento %1").arg(collegamento.trasporto()->descrizione()));
    m_fase = Fase::Collegamento;
    // The first prompt must come within the silence limit too.
    m_sessione->sorveglia();
    collegamento.avvia();
    if (collegamento.trasporto()->isGiu()) {
        perdita(QStringLiteral("Collegamento non aperto"));
    }
}

void LatoScheda::perdita(const QString &motivo)
{
    if (m_fase == Fase::Scollegata || m_fermato) {
        return;
    }
    const bool eraInLinea = m_fase == Fase::InLinea;
    m_fase = Fase::Scollegata;
    // Told again once the board is back and read.
    m_unitaInLinea.fill(std::nullopt);
    m_riprovaUnita.stop();
    m_periodo.stop();
    m_letture.clear();
    Registro::avviso(QStringLiteral("scheda: %1; nuovo tentativo tra %2 ms")
                         .arg(motivo)
                         .arg(m_ritardoRiprovaMs));
    const QList<ComandoInCoda> comandi = std::exchange(m_comandi, {});
    for (const ComandoInCoda &c : comandi) {
        fallisce(c, QStringLiteral("scheda non in linea (%1)").arg(motivo));
    }
    const QQueue<Richiesta> richieste = std::exchange(m_richieste, {});
    for (const Richiesta &r : richieste) {
        r.fatto({}, false, QStringLiteral("scheda non in linea (%1)").arg(motivo));
    }
    m_grezzo.clear();
    // Nothing of the old conversation may go out on the next one: the link is closed and
    // opened afresh at the next attempt.
    m_sessione->invio().ferma();
    m_sessione->lettore().azzera();
    m_sessione->collegamento().chiudi();
    m_riprova.start(m_ritardoRiprovaMs);
    m_ritardoRiprovaMs = std::min(m_ritardoRiprovaMs * 2, kRitardoRiprovaMassimoMs);
    // The step under way fails as it would without an answer; the executor then stays idle.
    m_motivoPerdita = motivo;
    concludiPasso(m_passo, false);
    m_motivoPerdita.clear();
    m_lavoro = false;
    if (eraInLinea) {
        emit inLinea(false);
    }
}

void LatoScheda::pronto()
{
    if (m_fase == Fase::Scollegata) {
        return;
    }
    emit sentita();
    // The link may have opened in the middle of a response: the first one tells nothing.
    if (++m_prontiDaApertura < 2 || m_fase != Fase::Collegamento) {
        return;
    }
    Registro::info(QStringLiteral("scheda: risponde, lettura di tutti i punti"));
    m_fase = Fase::LetturaIniziale;
    m_letture = QQueue<Comando>();
    m_letture.append(letture(true));
    m_letturaInizialeRiuscita = true;
    m_modoVerificato = false;
    pianifica();
}

void LatoScheda::giro(const GiroContinuo &g)
{
    // A round comes before its prompt is counted: none counted yet means the first response.
    if (m_fase == Fase::Scollegata || m_prontiDaApertura < 1 || !isPubblicabile(g)) {
        return;
    }
    emetti(g.ingressi);
    emetti(g.analogici);
}

void LatoScheda::modoContinuo(bool acceso)
{
    if (m_attesaModo && acceso == m_modoVoluto) {
        concludiPasso(m_passo, true);
    }
}

bool LatoScheda::isPubblicabile(const Risposta &r)
{
    if (!tipoPunto(r.tipo) || !r.completa() || !r.rigorosa) {
        return false;
    }
    const int limite = massimo(r.tipo);
    return std::none_of(r.valori.cbegin(), r.valori.cend(),
                        [limite](int v) { return v < 0 || v > limite; });
}

bool LatoScheda::isPubblicabile(const GiroContinuo &g)
{
    return isPubblicabile(g.ingressi) && isPubblicabile(g.analogici);
}

bool LatoScheda::pubblica(const Risposta &r)
{
    if (!isPubblicabile(r)) {
        const QString testo =
            QStringLiteral("scheda: risposta non valida a %1").arg(m_comandoInAttesa);
        // A unit already known not to answer was told of once.
        const int unita = r.unita + 1;
        if (unita >= 1 && unita <= 8 && m_unitaInLinea.at(unita) == false) {
            Registro::debug(testo);
        } else {
            Registro::avviso(testo);
        }
        return false;
    }
    emetti(r);
    return true;
}

void LatoScheda::emetti(const Risposta &r)
{
    const Punto::Tipo tipo = *tipoPunto(r.tipo);
    const int unita = r.unita + 1;
    if (Punto{tipo, unita, 1}.digitale()) {
        m_ultimiDigitali = r.stati;
        for (int n = 1; n <= 8; ++n) {
            emit letto(Punto{tipo, unita, n}, r.stati[n - 1] ? 1 : 0);
        }
        return;
    }
    for (int i = 0; i < r.valori.size(); ++i) {
        emit letto(Punto{tipo, unita, i + 1}, r.valori.at(i));
    }
}

QList<Comando> LatoScheda::letture(bool tutte) const
{
    QList<Comando> elenco{Protocollo::statoRele()};
    // With the continuous output on, the inputs come by themselves.
    if (tutte || !m_sessione->isContinuo()) {
        elenco.append(Protocollo::statoIngressi());
        elenco.append(Protocollo::letturaAnalogici());
    }
    elenco.append(Protocollo::statoUsciteAnalogiche());
    for (const int u : m_opzioni.unita) {
        elenco.append(Protocollo::statoUsciteUnita(u - 1));
        elenco.append(Protocollo::statoIngressiUnita(u - 1));
        elenco.append(Protocollo::statoAnalogicheUnita(u - 1));
    }
    return elenco;
}

void LatoScheda::pianifica()
{
    if (!m_lavoro) {
        // From the event loop: a step never starts inside the notification that ended the last.
        QTimer::singleShot(0, this, &LatoScheda::esegui);
    }
}

void LatoScheda::lavoroFinito()
{
    m_lavoro = false;
    pianifica();
}

void LatoScheda::esegui()
{
    if (m_lavoro || m_fermato) {
        return;
    }
    if (m_fase == Fase::LetturaIniziale) {
        if (!m_modoVerificato) {
            m_modoVerificato = true;
            m_lavoro = true;
            verificaModo();
            return;
        }
        if (!m_letture.isEmpty()) {
            m_lavoro = true;
            const Comando lettura = m_letture.dequeue();
            leggi(lettura, [this, unita = lettura.unita](bool riuscito) {
                // A unit that does not answer is offline alone; the board is not.
                if (unita < 0) {
                    m_letturaInizialeRiuscita = m_letturaInizialeRiuscita && riuscito;
                }
                lavoroFinito();
            });
            return;
        }
        if (!m_letturaInizialeRiuscita) {
            perdita(QStringLiteral("Lettura iniziale incompleta"));
            return;
        }
        m_fase = Fase::InLinea;
        m_ritardoRiprovaMs = kRitardoRiprovaMinimoMs;
        m_periodo.start();
        Registro::info(QStringLiteral("scheda: in linea"));
        emit inLinea(true);
    }
    if (m_fase != Fase::InLinea || m_fermato || m_raccolta.isActive()) {
        return;
    }
    if (!m_comandi.isEmpty()) {
        m_lavoro = true;
        // The bank of the longest waiting command, with every other command for it.
        Gruppo gruppo{m_comandi.takeFirst()};
        assorbi(gruppo, true);
        eseguiGruppo(std::move(gruppo));
        return;
    }
    if (!m_richieste.isEmpty()) {
        m_lavoro = true;
        eseguiRichiesta(m_richieste.dequeue());
        return;
    }
    if (!m_letture.isEmpty()) {
        m_lavoro = true;
        leggi(m_letture.dequeue(), [this](bool) { lavoroFinito(); });
    }
}

quint64 LatoScheda::avviaPasso(Seguito poi)
{
    m_motivoPerdita.clear();
    m_seguito = std::move(poi);
    m_attesaModo = false;
    return ++m_passo;
}

void LatoScheda::concludiPasso(quint64 passo, bool riuscito)
{
    if (passo != m_passo || !m_seguito) {
        return;
    }
    ++m_passo;
    m_attesaRisposta.stop();
    m_attesaModo = false;
    std::exchange(m_seguito, {})(riuscito);
}

void LatoScheda::esitoUnita(const Comando &lettura, bool riuscita)
{
    const int unita = lettura.unita + 1;
    // A read cut short by the board's loss tells nothing of the unit.
    if (unita < 1 || unita > 8 || m_fase == Fase::Scollegata) {
        return;
    }
    if (m_unitaInLinea.at(unita) == riuscita) {
        return;
    }
    m_unitaInLinea[unita] = riuscita;
    if (riuscita) {
        Registro::info(QStringLiteral("scheda: l'unità %1 risponde").arg(unita));
    } else {
        Registro::avviso(QStringLiteral("scheda: l'unità %1 non risponde; nuovo tentativo tra %2 s")
                             .arg(unita)
                             .arg(m_opzioni.riprovaUnitaMs / 1000.0));
        m_riprovaUnita.start();
    }
    emit unitaInLinea(unita, riuscita);
}

void LatoScheda::leggi(const Comando &comando, Seguito poi)
{
    // Every read of a unit tells whether it answers.
    if (comando.unita >= 0) {
        poi = [this, comando, poi = std::move(poi)](bool riuscito) {
            esitoUnita(comando, riuscito);
            poi(riuscito);
        };
    }
    const quint64 passo = avviaPasso(std::move(poi));
    m_comandoInAttesa = comando.tcp.trimmed();
    EsitoInvio esito;
    esito.inizio = [this, passo] {
        if (passo == m_passo) {
            m_inizioLettura.start();
        }
    };
    // The reply may come before the command's last pause is over: the step is then done.
    esito.scritto = [this, passo] {
        if (passo == m_passo) {
            m_attesaRisposta.start(m_opzioni.attesaRispostaMs);
        }
    };
    esito.scartato = [this, passo] { concludiPasso(passo, false); };
    esito.risposta = [this, passo](const Risposta &r) {
        if (passo == m_passo) {
            if (m_inizioLettura.isValid()) {
                emit tempoRisposta(int(m_inizioLettura.elapsed()));
                m_inizioLettura.invalidate();
            }
            concludiPasso(passo, pubblica(r));
        }
    };
    m_sessione->invio().invia(comando, esito);
}

void LatoScheda::scrivi(const Comando &comando, Seguito poi)
{
    const quint64 passo = avviaPasso(std::move(poi));
    m_comandoInAttesa = comando.tcp.trimmed();
    EsitoInvio esito;
    esito.inizio = [this, passo] {
        if (passo == m_passo) {
            m_scritturaIniziata = true;
        }
    };
    esito.scritto = [this, passo] { concludiPasso(passo, true); };
    esito.scartato = [this, passo] { concludiPasso(passo, false); };
    m_sessione->invio().invia(comando, esito);
}

void LatoScheda::verificaModo()
{
    const bool voluto = m_opzioni.continuo;
    if (m_sessione->isContinuo() == voluto) {
        lavoroFinito();
        return;
    }
    Registro::info(voluto ? QStringLiteral("scheda: accendo l'uscita continua")
                          : QStringLiteral("scheda: spengo l'uscita continua"));
    const quint64 passo = avviaPasso([this](bool) { lavoroFinito(); });
    m_modoVoluto = voluto;
    m_comandoInAttesa = Protocollo::continuo().tcp.trimmed();
    EsitoInvio esito;
    // The board may show its new mode before the command's last pause is over.
    esito.inizio = [this, passo] {
        if (passo == m_passo) {
            m_attesaModo = true;
        }
    };
    esito.scritto = [this, passo] {
        if (passo == m_passo) {
            m_attesaRisposta.start(m_opzioni.attesaRispostaMs + m_opzioni.tempi.silenzioMs);
        }
    };
    esito.scartato = [this, passo] { concludiPasso(passo, false); };
    m_sessione->invio().invia(Protocollo::continuo(), esito);
}

bool LatoScheda::richiesta(const Comando &comando, const QStringList &diretti, FineRichiesta fatto,
                           QString &motivo)
{
    if (m_fase != Fase::InLinea) {
        motivo = QStringLiteral("scheda non in linea");
        return false;
    }
    if (m_richieste.size() >= kRichiesteMassime) {
        motivo = QStringLiteral("troppe richieste in attesa (al massimo %1)").arg(kRichiesteMassime);
        return false;
    }
    m_richieste.enqueue({comando, diretti, std::move(fatto)});
    pianifica();
    return true;
}

void LatoScheda::eseguiRichiesta(const Richiesta &richiesta)
{
    const FineRichiesta fatto = richiesta.fatto;
    const quint64 passo = avviaPasso([this, fatto](bool riuscito) {
        // A response was answered already when it came.
        if (!riuscito) {
            fatto({}, false,
                  m_motivoPerdita.isEmpty()
                      ? QStringLiteral("nessuna risposta dalla scheda")
                      : QStringLiteral("scheda non in linea (%1)").arg(m_motivoPerdita));
        }
        m_fineRichiesta = {};
        m_richiestaRisposta = false;
        lavoroFinito();
    });
    m_comandoInAttesa = richiesta.comando.tcp.trimmed();
    m_fineRichiesta = fatto;
    m_richiestaRisposta = false;
    const TipoRisposta chiesta = richiesta.comando.attesa;
    // A command that asks for nothing is answered all the same by the next response: the
    // reader takes it as it is for whoever waits for a reply.
    const Comando comando = richiesta.comando;
    EsitoInvio esito;
    esito.inizio = [this, passo] {
        if (passo == m_passo) {
            m_scritturaIniziata = true;
        }
    };
    esito.scritto = [this, passo] {
        if (passo == m_passo) {
            m_attesaRisposta.start(m_opzioni.attesaRispostaMs);
        }
    };
    esito.scartato = [this, passo] { concludiPasso(passo, false); };
    esito.risposta = [this, passo, chiesta](const Risposta &r) {
        if (passo != m_passo) {
            return;
        }
        m_richiestaRisposta = true;
        // What a panel read, everyone gets: the states it carried are published.
        if (chiesta != TipoRisposta::Nessuna && r.trovata() && isPubblicabile(r)) {
            emetti(r);
        }
    };
    if (richiesta.diretti.isEmpty()) {
        m_sessione->invio().invia(comando, esito);
        return;
    }
    // The fields after the head, as the panel writes them on its own link: after a pause the
    // board needs, without a prompt, no other command in between.
    QList<Invio::Passo> passi{Invio::Passo::perComando(comando),
                              Invio::Passo::pausa(kPausaCampiDiretti)};
    for (const QString &campo : richiesta.diretti) {
        passi.append(Invio::Passo::diretto(campo));
    }
    m_sessione->invio().inviaSequenza(passi, esito);
}

void LatoScheda::rispostaGrezza(bool continuo)
{
    const qsizetype fine = m_grezzo.indexOf(QByteArrayView(Protocollo::Pronto.data(), Protocollo::Pronto.size()));
    QByteArray testo;
    if (fine >= 0) {
        testo = m_grezzo.left(fine + Protocollo::Pronto.size());
        m_grezzo.remove(0, testo.size());
    }
    if (continuo && !testo.isEmpty()) {
        emit giroGrezzo(testo);
    }
    if (!std::exchange(m_richiestaRisposta, false)) {
        return;
    }
    if (const FineRichiesta fatto = std::exchange(m_fineRichiesta, {})) {
        fatto(testo, true, {});
    }
    concludiPasso(m_passo, true);
}

bool LatoScheda::comanda(const Punto &punto, const RichiestaComando &richiesta,
                         const QString &argomento, const QByteArray &payload, QString &motivo)
{
    if (punto.unita != 0 && !m_opzioni.unita.contains(punto.unita)) {
        motivo = QStringLiteral("unità %1 non collegata al ponte").arg(punto.unita);
        return false;
    }
    if (m_fase != Fase::InLinea) {
        motivo = QStringLiteral("scheda non in linea");
        return false;
    }
    for (ComandoInCoda &c : m_comandi) {
        if (c.punto == punto) {
            c.richiesta = unisciRichieste(c.richiesta, richiesta);
            c.argomento = argomento;
            c.payload = payload;
            return true;
        }
    }
    m_comandi.append({punto, richiesta, argomento, payload});
    if (!m_lavoro) {
        if (!m_raccolta.isActive()) {
            m_inizioRaccolta.start();
        }
        if (m_inizioRaccolta.elapsed() < kRaccoltaMassimaMs) {
            m_raccolta.start(kRaccoltaMs);
        }
    }
    return true;
}

void LatoScheda::aggiornaTutto()
{
    if (m_fase != Fase::InLinea) {
        return;
    }
    m_letture = QQueue<Comando>();
    m_letture.append(letture(true));
    pianifica();
}

void LatoScheda::fallisce(const ComandoInCoda &c, const QString &motivo)
{
    QString testo = motivo;
    if (!m_motivoPerdita.isEmpty()) {
        testo += QStringLiteral(" (%1)").arg(m_motivoPerdita);
    }
    // Whoever sent the command must know whether it may have changed the board: once its
    // write has begun, a failure no longer means that nothing happened.
    testo += c.scritto ? QStringLiteral(": il comando potrebbe essere arrivato alla scheda")
                       : QStringLiteral(": nulla è stato scritto sulla scheda");
    emit comandoFallito(c.argomento, c.payload, testo);
}

namespace {

// The read that shows a bank's points.
Comando statoDelBanco(const Punto &p)
{
    using T = Punto::Tipo;
    switch (p.tipo) {
    case T::Rele:
        return Protocollo::statoRele();
    case T::UscitaUnita:
        return Protocollo::statoUsciteUnita(p.unita - 1);
    case T::UscitaAnalogica:
        return Protocollo::statoUsciteAnalogiche();
    case T::CanaleUnita:
        return Protocollo::statoAnalogicheUnita(p.unita - 1);
    default:
        break;
    }
    return {};
}

} // namespace

void LatoScheda::assorbi(Gruppo &gruppo, bool unisci)
{
    const auto banco = [](const Punto &p) { return std::pair(p.tipo, p.unita); };
    const auto suo = banco(gruppo.first().punto);
    for (auto it = m_comandi.begin(); it != m_comandi.end();) {
        if (banco(it->punto) != suo) {
            ++it;
            continue;
        }
        auto stesso = std::find_if(gruppo.begin(), gruppo.end(),
                                   [&](const ComandoInCoda &c) { return c.punto == it->punto; });
        if (unisci && stesso != gruppo.end()) {
            stesso->richiesta = unisciRichieste(stesso->richiesta, it->richiesta);
            stesso->argomento = it->argomento;
            stesso->payload = it->payload;
        } else {
            gruppo.append(*it);
        }
        it = m_comandi.erase(it);
    }
}

void LatoScheda::eseguiGruppo(Gruppo gruppo)
{
    const Punto primo = gruppo.first().punto;
    if (!primo.comandabile()) {
        for (const ComandoInCoda &c : std::as_const(gruppo)) {
            fallisce(c, QStringLiteral("punto senza comandi"));
        }
        lavoroFinito();
        return;
    }
    const Comando stato = statoDelBanco(primo);
    auto comandi = std::make_shared<Gruppo>(std::move(gruppo));
    if (!primo.digitale()) {
        // A level is written whatever the board has: its read-back tells what it took.
        scriviGruppo(comandi, 0, stato);
        return;
    }
    // The board only toggles: what it has decides what is written.
    leggi(stato, [this, comandi, stato](bool letto) {
        if (!letto) {
            for (const ComandoInCoda &c : std::as_const(*comandi)) {
                fallisce(c, QStringLiteral("la scheda non ha risposto alla lettura dello stato"));
            }
            lavoroFinito();
            return;
        }
        // What came for this bank while its state was being read joins in: a scene's
        // commands arrive one by one.
        assorbi(*comandi, true);
        using R = RichiestaComando::Azione;
        Gruppo daScrivere;
        for (ComandoInCoda c : std::as_const(*comandi)) {
            const bool attuale = m_ultimiDigitali.at(c.punto.numero - 1);
            const R azione = c.richiesta.azione;
            const bool voluto = azione == R::Accendi   ? true
                                : azione == R::Spegni  ? false
                                : azione == R::Commuta ? !attuale
                                                       : attuale;
            if (voluto != attuale) {
                c.richiesta.azione = voluto ? R::Accendi : R::Spegni;
                daScrivere.append(c);
            }
        }
        if (daScrivere.isEmpty()) {
            lavoroFinito();
            return;
        }
        *comandi = std::move(daScrivere);
        scriviGruppo(comandi, 0, stato);
    });
}

void LatoScheda::scriviGruppo(std::shared_ptr<Gruppo> comandi, qsizetype da, const Comando &stato)
{
    if (da >= comandi->size() && !comandi->first().punto.digitale()) {
        // Levels that came meanwhile are written before the one read-back; a digital point
        // would need its bank read first.
        assorbi(*comandi, false);
    }
    if (da >= comandi->size()) {
        rileggiGruppo(comandi, stato);
        return;
    }
    using T = Punto::Tipo;
    const ComandoInCoda &c = comandi->at(da);
    const Punto p = c.punto;
    Comando scrittura;
    switch (p.tipo) {
    case T::Rele:
        scrittura = Protocollo::operaRele(p.numero);
        break;
    case T::UscitaUnita:
        scrittura = Protocollo::operaUscitaUnita(p.unita - 1, p.numero);
        break;
    case T::UscitaAnalogica:
        scrittura = Protocollo::impostaUscitaAnalogica(
            p.numero, Conversioni::percentualeALivello(c.richiesta.valore));
        break;
    case T::CanaleUnita:
        scrittura = Protocollo::impostaAnalogicaUnita(p.unita - 1, p.numero, c.richiesta.valore);
        break;
    default:
        break;
    }
    m_scritturaIniziata = false;
    scrivi(scrittura, [this, comandi, da, stato](bool scritto) {
        (*comandi)[da].scritto = m_scritturaIniziata;
        if (scritto) {
            scriviGruppo(comandi, da + 1, stato);
            return;
        }
        // This one and every one after it are not carried out; those before it went out.
        for (qsizetype i = 0; i < comandi->size(); ++i) {
            fallisce(comandi->at(i),
                     i < da ? QStringLiteral("la scheda non ha risposto alla rilettura")
                            : QStringLiteral("comando non eseguito"));
        }
        lavoroFinito();
    });
}

void LatoScheda::rileggiGruppo(std::shared_ptr<Gruppo> comandi, const Comando &stato)
{
    leggi(stato, [this, comandi](bool riletto) {
        using R = RichiestaComando::Azione;
        for (const ComandoInCoda &c : std::as_const(*comandi)) {
            if (!riletto) {
                fallisce(c, QStringLiteral("la scheda non ha risposto alla rilettura"));
            } else if (c.punto.digitale() && m_ultimiDigitali.at(c.punto.numero - 1) !=
                                                 (c.richiesta.azione == R::Accendi)) {
                fallisce(c, QStringLiteral("la scheda non ha cambiato stato"));
            }
        }
        lavoroFinito();
    });
}
