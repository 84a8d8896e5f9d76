#include "ponte/LatoScheda.h"

#include "core/Errori.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "link/Trasporto.h"
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

QString LatoScheda::avvia()
{
    Collegamento &collegamento = m_sessione->collegamento();
    const QString nessuno = QStringLiteral("%1 non sceglie il collegamento alla scheda ([TIPO] "
                                           "Collegamento=0 seriale, 1 TCP)")
                                .arg(m_valori.filePorte);
    if (!collegamento.scegliTipoSalvato()) {
        return nessuno;
    }
    try {
        collegamento.VerificaCollegamento();
    } catch (const AbortSilenzioso &) {
        return nessuno;
    }
    if (const QString manca = collegamento.trasporto()->caricaImpostazioni(); !manca.isEmpty()) {
        return manca;
    }
    apri();
    return {};
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
    m_periodo.stop();
    m_letture.clear();
    Registro::avviso(QStringLiteral("scheda: %1; nuovo tentativo tra %2 ms")
                         .arg(motivo)
                         .arg(m_ritardoRiprovaMs));
    const QQueue<ComandoInCoda> comandi = std::exchange(m_comandi, {});
    for (const ComandoInCoda &c : comandi) {
        emit comandoFallito(c.argomento, c.payload,
                            QStringLiteral("scheda non in linea (%1)").arg(motivo));
    }
    // Nothing of the old conversation may go out on the next one: the link is closed and
    // opened afresh at the next attempt.
    m_sessione->invio().ferma();
    m_sessione->lettore().azzera();
    m_sessione->collegamento().chiudi();
    m_riprova.start(m_ritardoRiprovaMs);
    m_ritardoRiprovaMs = std::min(m_ritardoRiprovaMs * 2, kRitardoRiprovaMassimoMs);
    // The step under way fails as it would without an answer; the executor then stays idle.
    concludiPasso(m_passo, false);
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
        Registro::avviso(QStringLiteral("scheda: risposta non valida a %1").arg(m_comandoInAttesa));
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
            leggi(m_letture.dequeue(), [this](bool riuscito) {
                m_letturaInizialeRiuscita = m_letturaInizialeRiuscita && riuscito;
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
    if (m_fase != Fase::InLinea || m_fermato) {
        return;
    }
    if (!m_comandi.isEmpty()) {
        m_lavoro = true;
        eseguiComando(m_comandi.dequeue());
        return;
    }
    if (!m_letture.isEmpty()) {
        m_lavoro = true;
        leggi(m_letture.dequeue(), [this](bool) { lavoroFinito(); });
    }
}

quint64 LatoScheda::avviaPasso(Seguito poi)
{
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

void LatoScheda::leggi(const Comando &comando, Seguito poi)
{
    const quint64 passo = avviaPasso(std::move(poi));
    m_comandoInAttesa = comando.tcp.trimmed();
    EsitoInvio esito;
    // The reply may come before the command's last pause is over: the step is then done.
    esito.scritto = [this, passo] {
        if (passo == m_passo) {
            m_attesaRisposta.start(m_opzioni.attesaRispostaMs);
        }
    };
    esito.scartato = [this, passo] { concludiPasso(passo, false); };
    esito.risposta = [this, passo](const Risposta &r) {
        if (passo == m_passo) {
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
    if (m_comandi.size() >= MassimoCoda) {
        motivo = QStringLiteral("troppi comandi in attesa (al massimo %1)").arg(MassimoCoda);
        return false;
    }
    m_comandi.enqueue({punto, richiesta, argomento, payload});
    pianifica();
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

void LatoScheda::eseguiComando(const ComandoInCoda &c)
{
    using T = Punto::Tipo;
    using R = RichiestaComando::Azione;
    const Punto p = c.punto;
    const auto fallito = [this, argomento = c.argomento, payload = c.payload](const QString &m) {
        emit comandoFallito(argomento, payload, m);
        lavoroFinito();
    };
    const QString nonPronta = QStringLiteral("comando non inviato: la scheda non è pronta");
    const QString senzaRisposta = QStringLiteral("la scheda non ha risposto alla rilettura");

    if (p.tipo == T::Rele || p.tipo == T::UscitaUnita) {
        const bool rele = p.tipo == T::Rele;
        const Comando stato =
            rele ? Protocollo::statoRele() : Protocollo::statoUsciteUnita(p.unita - 1);
        const Comando opera = rele ? Protocollo::operaRele(p.numero)
                                   : Protocollo::operaUscitaUnita(p.unita - 1, p.numero);
        const R azione = c.richiesta.azione;
        // The board only toggles: what it has decides whether anything is written.
        leggi(stato, [=, this](bool letto) {
            if (!letto) {
                fallito(QStringLiteral("la scheda non ha risposto alla lettura dello stato"));
                return;
            }
            const bool attuale = m_ultimiDigitali.at(p.numero - 1);
            const bool voluto = azione == R::Accendi  ? true
                                : azione == R::Spegni ? false
                                                      : !attuale;
            if (voluto == attuale) {
                lavoroFinito();
                return;
            }
            scrivi(opera, [=, this](bool scritto) {
                if (!scritto) {
                    fallito(nonPronta);
                    return;
                }
                leggi(stato, [=, this](bool riletto) {
                    if (!riletto) {
                        fallito(senzaRisposta);
                    } else if (m_ultimiDigitali.at(p.numero - 1) != voluto) {
                        fallito(QStringLiteral("la scheda non ha cambiato stato"));
                    } else {
                        lavoroFinito();
                    }
                });
            });
        });
        return;
    }
    if (p.tipo == T::UscitaAnalogica || p.tipo == T::CanaleUnita) {
        const bool scheda = p.tipo == T::UscitaAnalogica;
        const Comando imposta =
            scheda ? Protocollo::impostaUscitaAnalogica(
                         p.numero, Conversioni::percentualeALivello(c.richiesta.percentuale))
                   : Protocollo::impostaAnalogicaUnita(
                         p.unita - 1, p.numero,
                         Conversioni::percentualeALivelloPeriferica(c.richiesta.percentuale));
        const Comando stato = scheda ? Protocollo::statoUsciteAnalogiche()
                                     : Protocollo::statoAnalogicheUnita(p.unita - 1);
        scrivi(imposta, [=, this](bool scritto) {
            if (!scritto) {
                fallito(nonPronta);
                return;
            }
            leggi(stato, [=, this](bool riletto) {
                if (!riletto) {
                    fallito(senzaRisposta);
                } else {
                    lavoroFinito();
                }
            });
        });
        return;
    }
    fallito(QStringLiteral("punto senza comandi"));
}
