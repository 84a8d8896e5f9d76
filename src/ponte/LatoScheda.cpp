#include "ponte/LatoScheda.h"

#include "core/Errori.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "ponte/Registro.h"
#include "protocol/Conversioni.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"
#include "settings/CartellaImpostazioni.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "settings/Utilita.h"

#include <QScopedValueRollback>
#include <QTcpSocket>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr qsizetype kMassimoTesto = 64 * 1024;
constexpr int kRitardoRiprovaMinimoMs = 1000;
constexpr int kRitardoRiprovaMassimoMs = 30000;

} // namespace

LatoScheda::LatoScheda(const QString &cartellaImpostazioni, Opzioni opzioni, QObject *parent)
    : QObject(parent), m_opzioni(std::move(opzioni))
{
    usaCartellaImpostazioni(m_valori, cartellaImpostazioni);

    // No page is on screen: the panel's TCP reply parsers never run, the bridge reads the
    // replies itself from the received text.
    m_sessione = new SessioneScheda(
        m_valori, m_testoStato, [] { return 0; }, this);
    Collegamento &collegamento = m_sessione->collegamento();
    connect(&m_sessione->ricezione(), &Ricezione::datiRicevuti, this,
            [this](TipoCollegamento, const QByteArray &dati) { datiRicevuti(dati); });
    connect(&m_sessione->invio(), &Invio::datiScritti, this, [this] {
        if (m_inScrittura) {
            m_attesaArmata = true;
        }
    });
    connect(&collegamento, &Collegamento::collegamentoPerso, this,
            [this] { perdita(QStringLiteral("Collegamento perso")); });
    connect(&collegamento.clientSocket(), &QTcpSocket::stateChanged, this,
            [this](QAbstractSocket::SocketState stato) {
                if (stato == QAbstractSocket::UnconnectedState &&
                    m_valori.tipoCollegamento == TipoCollegamento::Tcp) {
                    perdita(QStringLiteral("Collegamento TCP chiuso"));
                }
            });
    connect(&collegamento, &Collegamento::avviso, this,
            [](const QString &testo) { Registro::avviso(QStringLiteral("scheda: ") + testo); });
    connect(&collegamento, &Collegamento::messaggio, this,
            [](const QString &testo) { Registro::avviso(QStringLiteral("scheda: ") + testo); });
    connect(m_sessione, &SessioneScheda::errore, this,
            [](const QString &testo) { Registro::errore(QStringLiteral("scheda: ") + testo); });

    m_silenzio.setSingleShot(true);
    m_silenzio.setInterval(m_opzioni.silenzioMs);
    connect(&m_silenzio, &QTimer::timeout, this,
            [this] { perdita(QStringLiteral("La scheda non risponde")); });
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
    const TipoCollegamento tipo = collegamento.tipoSalvato();
    if (tipo == TipoCollegamento::Nessuno) {
        return QStringLiteral("%1 non sceglie il collegamento alla scheda ([TIPO] "
                              "Collegamento=0 seriale, 1 TCP)")
            .arg(m_valori.filePorte);
    }
    if (tipo == TipoCollegamento::Tcp) {
        const QString ip = collegamento.ipSalvato();
        const QString porta = collegamento.portaSalvata();
        if (ip == kErrore || porta == kErrore || ip.isEmpty() || porta.isEmpty()) {
            return QStringLiteral("%1: mancano IP o Porta nella sezione [TCP]")
                .arg(m_valori.filePorte);
        }
        collegamento.setIndirizzoTcp(ip, porta);
    }
    collegamento.setTipoScelto(tipo);
    m_fermato = false;
    m_valori.inChiusura = false;
    apri();
    return {};
}

void LatoScheda::ferma()
{
    if (m_fermato) {
        return;
    }
    m_fermato = true;
    // Every wait of the sender and of the executor ends at once.
    m_valori.inChiusura = true;
    m_silenzio.stop();
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
    m_testo.clear();
    m_primoSegmento = true;
    m_modoContinuo.reset();
    m_modoVerificato = false;
    Collegamento &collegamento = m_sessione->collegamento();
    try {
        collegamento.VerificaCollegamento();
    } catch (const AbortSilenzioso &) {
        return;
    }
    if (m_valori.tipoCollegamento == TipoCollegamento::Tcp) {
        Registro::info(QStringLiteral("scheda: collegamento TCP a %1:%2")
                           .arg(collegamento.ip(), collegamento.porta()));
        collegamento.ConnettiTcp(collegamento.ip(), collegamento.porta());
    }
    m_fase = Fase::Collegamento;
    // The first prompt must come within the silence limit too.
    m_silenzio.start();
    if (m_valori.tipoCollegamento == TipoCollegamento::Seriale &&
        !collegamento.collegamentoAttivo()) {
        perdita(QStringLiteral("Porta seriale non aperta"));
    }
}

void LatoScheda::perdita(const QString &motivo)
{
    if (m_fase == Fase::Scollegata || m_fermato) {
        return;
    }
    const bool eraInLinea = m_fase == Fase::InLinea;
    m_fase = Fase::Scollegata;
    m_silenzio.stop();
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
    if (m_inEsecuzione) {
        // The command under way is abandoned: the sender's waits end at once.
        m_interrotto = true;
        m_valori.inChiusura = true;
    }
    if (m_valori.tipoCollegamento == TipoCollegamento::Tcp) {
        m_sessione->collegamento().chiudi();
    }
    m_riprova.start(m_ritardoRiprovaMs);
    m_ritardoRiprovaMs = std::min(m_ritardoRiprovaMs * 2, kRitardoRiprovaMassimoMs);
    if (eraInLinea) {
        emit inLinea(false);
    }
}

void LatoScheda::datiRicevuti(const QByteArray &dati)
{
    if (m_fase == Fase::Scollegata) {
        return;
    }
    m_testo += QString::fromLatin1(dati);
    if (m_testo.size() > kMassimoTesto) {
        m_testo.remove(0, m_testo.size() - kMassimoTesto);
    }
    qsizetype pronto = 0;
    while (m_fase != Fase::Scollegata && (pronto = m_testo.indexOf(Protocollo::Pronto)) >= 0) {
        const QString testo = m_testo.left(pronto);
        m_testo.remove(0, pronto + Protocollo::Pronto.size());
        segmento(testo);
    }
}

void LatoScheda::segmento(const QString &testo)
{
    m_silenzio.start();
    // The link may have opened in the middle of a reply.
    if (std::exchange(m_primoSegmento, false)) {
        return;
    }
    const auto iniziaLettura = [this] {
        if (m_fase != Fase::Collegamento) {
            return;
        }
        Registro::info(QStringLiteral("scheda: risponde, lettura di tutti i punti"));
        m_fase = Fase::LetturaIniziale;
        m_letture = QQueue<Lettura>();
        m_letture.append(letture(true));
        m_letturaInizialeRiuscita = true;
        m_modoVerificato = false;
        pianifica();
    };
    if (const auto blocco = RisposteScheda::continuo(testo)) {
        m_modoContinuo = true;
        emettiDigitali(Punto::Tipo::Ingresso, 0, blocco->ingressi);
        for (int i = 0; i < 8; ++i) {
            emit letto(Punto{Punto::Tipo::Analogico, 0, i + 1}, blocco->analogici[i]);
        }
        iniziaLettura();
        return;
    }
    if (m_attesaArmata && !m_rispostaArrivata) {
        if (rispostaAttesa(testo)) {
            m_rispostaArrivata = true;
        } else {
            Registro::avviso(
                QStringLiteral("scheda: risposta non valida: %1").arg(testo.trimmed().left(200)));
        }
        return;
    }
    // The board idle, no continuous output.
    if (!testo.contains(Protocollo::InizioValore)) {
        m_modoContinuo = false;
    }
    iniziaLettura();
}

void LatoScheda::emettiDigitali(Punto::Tipo tipo, int unita, const RisposteScheda::Digitali &stati)
{
    for (int n = 1; n <= 8; ++n) {
        emit letto(Punto{tipo, unita, n}, stati[n - 1] ? 1 : 0);
    }
}

bool LatoScheda::rispostaAttesa(const QString &testo)
{
    using A = RisposteScheda::Attesa;
    using T = Punto::Tipo;
    const auto numerici = [&](T tipo, int quanti, int cifre, int massimo) {
        const auto valori = RisposteScheda::numerici(testo, quanti, cifre);
        if (!valori ||
            std::any_of(valori->begin(), valori->end(), [massimo](int v) { return v > massimo; })) {
            return false;
        }
        for (int i = 0; i < quanti; ++i) {
            emit letto(Punto{tipo, m_unitaAttesa, i + 1}, valori->at(i));
        }
        return true;
    };
    const auto digitali = [&](T tipo, const QString &inizio) {
        const auto stati = RisposteScheda::digitali(testo, inizio);
        if (!stati) {
            return false;
        }
        m_ultimiDigitali = stati;
        emettiDigitali(tipo, m_unitaAttesa, *stati);
        return true;
    };
    switch (m_attesa) {
    case A::Nessuna:
        return !testo.contains(Protocollo::InizioValore);
    case A::Rele:
        return digitali(T::Rele, Protocollo::InizioRele);
    case A::Ingressi:
        return digitali(T::Ingresso, Protocollo::InizioIngressi);
    case A::Analogici:
        return numerici(T::Analogico, 8, Protocollo::CifreAnalogico, 65535);
    case A::UsciteAnalogiche:
        return numerici(T::UscitaAnalogica, 2, Protocollo::CifreUscitaAnalogica, 255);
    case A::UsciteUnita:
        return digitali(T::UscitaUnita, {});
    case A::IngressiUnita:
        return digitali(T::IngressoUnita, Protocollo::InizioIngressiUnita);
    case A::CanaliUnita:
        return numerici(T::CanaleUnita, 8, Protocollo::CifreUscitaAnalogica, 63);
    }
    return false;
}

QList<LatoScheda::Lettura> LatoScheda::letture(bool tutte) const
{
    using A = RisposteScheda::Attesa;
    QList<Lettura> elenco{{Protocollo::statoRele(), A::Rele, 0}};
    // With the continuous output on, the inputs come by themselves.
    if (tutte || m_modoContinuo != true) {
        elenco.append({Protocollo::statoIngressi(), A::Ingressi, 0});
        elenco.append({Protocollo::letturaAnalogici(), A::Analogici, 0});
    }
    elenco.append({Protocollo::statoUsciteAnalogiche(), A::UsciteAnalogiche, 0});
    for (const int u : m_opzioni.unita) {
        elenco.append({Protocollo::statoUsciteUnita(u - 1), A::UsciteUnita, u});
        elenco.append({Protocollo::statoIngressiUnita(u - 1), A::IngressiUnita, u});
        elenco.append({Protocollo::statoAnalogicheUnita(u - 1), A::CanaliUnita, u});
    }
    return elenco;
}

void LatoScheda::pianifica()
{
    if (!m_inEsecuzione) {
        QTimer::singleShot(0, this, &LatoScheda::esegui);
    }
}

void LatoScheda::esegui()
{
    if (m_inEsecuzione || m_fermato) {
        return;
    }
    m_inEsecuzione = true;
    try {
        while (!m_fermato && !m_interrotto) {
            if (!passoEseguito()) {
                break;
            }
        }
    } catch (const AbortSilenzioso &) {
    } catch (const ErroreProgramma &e) {
        Registro::errore(QStringLiteral("scheda: ") + e.messaggio());
    }
    m_inEsecuzione = false;
    if (std::exchange(m_interrotto, false) && !m_fermato) {
        m_valori.inChiusura = false;
    }
    m_attesaArmata = false;
}

bool LatoScheda::passoEseguito()
{
    if (m_fase == Fase::LetturaIniziale) {
        if (!m_modoVerificato) {
            m_modoVerificato = true;
            verificaModo();
            return true;
        }
        if (!m_letture.isEmpty()) {
            if (!leggi(m_letture.dequeue())) {
                m_letturaInizialeRiuscita = false;
            }
            return true;
        }
        if (!m_letturaInizialeRiuscita) {
            perdita(QStringLiteral("Lettura iniziale incompleta"));
            return false;
        }
        m_fase = Fase::InLinea;
        m_ritardoRiprovaMs = kRitardoRiprovaMinimoMs;
        m_periodo.start();
        Registro::info(QStringLiteral("scheda: in linea"));
        emit inLinea(true);
        return true;
    }
    if (m_fase != Fase::InLinea) {
        return false;
    }
    if (!m_comandi.isEmpty()) {
        eseguiComando(m_comandi.dequeue());
        return true;
    }
    if (!m_letture.isEmpty()) {
        leggi(m_letture.dequeue());
        return true;
    }
    return false;
}

bool LatoScheda::scriviArmando(const Comando &comando, RisposteScheda::Attesa attesa, int unita)
{
    m_attesa = attesa;
    m_unitaAttesa = unita;
    m_attesaArmata = false;
    m_rispostaArrivata = false;
    auto scritto = std::make_shared<bool>(false);
    QScopedValueRollback inScrittura(m_inScrittura, true);
    EsitoInvio esito;
    esito.scritto = [scritto] { *scritto = true; };
    m_sessione->invio().invia(comando, esito);
    return *scritto;
}

bool LatoScheda::scrivi(const Comando &comando)
{
    return scriviArmando(comando, RisposteScheda::Attesa::Nessuna, 0);
}

bool LatoScheda::leggi(const Lettura &lettura)
{
    if (!scriviArmando(lettura.comando, lettura.attesa, lettura.unita)) {
        return false;
    }
    AttendiCondizione(m_opzioni.attesaRispostaMs, [this] {
        return m_rispostaArrivata || m_fase == Fase::Scollegata || m_fermato;
    });
    m_attesaArmata = false;
    if (!m_rispostaArrivata && m_fase != Fase::Scollegata && !m_fermato) {
        Registro::avviso(
            QStringLiteral("scheda: nessuna risposta a %1").arg(lettura.comando.tcp.trimmed()));
    }
    return m_rispostaArrivata;
}

void LatoScheda::verificaModo()
{
    if (!m_modoContinuo.has_value() || *m_modoContinuo == m_opzioni.continuo) {
        return;
    }
    const bool voluto = m_opzioni.continuo;
    Registro::info(voluto ? QStringLiteral("scheda: accendo l'uscita continua")
                          : QStringLiteral("scheda: spengo l'uscita continua"));
    m_modoContinuo.reset();
    if (!scrivi(Protocollo::continuo())) {
        return;
    }
    const bool fatto = AttendiCondizione(m_opzioni.attesaRispostaMs + m_opzioni.silenzioMs, [&] {
        return m_modoContinuo == voluto || m_fase == Fase::Scollegata || m_fermato;
    });
    if (!fatto || m_modoContinuo != voluto) {
        Registro::avviso(QStringLiteral("scheda: l'uscita continua non ha cambiato stato"));
    }
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
    m_letture = QQueue<Lettura>();
    m_letture.append(letture(true));
    pianifica();
}

void LatoScheda::eseguiComando(const ComandoInCoda &c)
{
    using T = Punto::Tipo;
    using A = RisposteScheda::Attesa;
    using R = RichiestaComando::Azione;
    const Punto &p = c.punto;
    const auto fallito = [&](const QString &motivo) {
        emit comandoFallito(c.argomento, c.payload, motivo);
    };
    const QString nonPronta = QStringLiteral("comando non inviato: la scheda non è pronta");
    const QString senzaRisposta = QStringLiteral("la scheda non ha risposto alla rilettura");

    if (p.tipo == T::Rele || p.tipo == T::UscitaUnita) {
        const bool rele = p.tipo == T::Rele;
        const Lettura stato =
            rele ? Lettura{Protocollo::statoRele(), A::Rele, 0}
                 : Lettura{Protocollo::statoUsciteUnita(p.unita - 1), A::UsciteUnita, p.unita};
        // The board only toggles: what it has decides whether anything is written.
        if (!leggi(stato) || !m_ultimiDigitali) {
            fallito(QStringLiteral("la scheda non ha risposto alla lettura dello stato"));
            return;
        }
        const bool attuale = m_ultimiDigitali->at(p.numero - 1);
        const bool voluto = c.richiesta.azione == R::Accendi  ? true
                            : c.richiesta.azione == R::Spegni ? false
                                                              : !attuale;
        if (voluto == attuale) {
            return;
        }
        const Comando opera = rele ? Protocollo::operaRele(p.numero)
                                   : Protocollo::operaUscitaUnita(p.unita - 1, p.numero);
        if (!scrivi(opera)) {
            fallito(nonPronta);
            return;
        }
        if (!leggi(stato) || !m_ultimiDigitali) {
            fallito(senzaRisposta);
            return;
        }
        if (m_ultimiDigitali->at(p.numero - 1) != voluto) {
            fallito(QStringLiteral("la scheda non ha cambiato stato"));
        }
        return;
    }
    if (p.tipo == T::UscitaAnalogica) {
        const int livello = Conversioni::percentualeALivello(c.richiesta.percentuale);
        if (!scrivi(Protocollo::impostaUscitaAnalogica(p.numero, livello))) {
            fallito(nonPronta);
        } else if (!leggi({Protocollo::statoUsciteAnalogiche(), A::UsciteAnalogiche, 0})) {
            fallito(senzaRisposta);
        }
        return;
    }
    if (p.tipo == T::CanaleUnita) {
        const int livello = Conversioni::percentualeALivelloPeriferica(c.richiesta.percentuale);
        if (!scrivi(Protocollo::impostaAnalogicaUnita(p.unita - 1, p.numero, livello))) {
            fallito(nonPronta);
        } else if (!leggi(
                       {Protocollo::statoAnalogicheUnita(p.unita - 1), A::CanaliUnita, p.unita})) {
            fallito(senzaRisposta);
        }
        return;
    }
    fallito(QStringLiteral("punto senza comandi"));
}
