#include "storico/RegistrazioneScheda.h"

#include "storico/Storico.h"

#include "core/Errori.h"
#include "core/ValoriProgramma.h"
#include "link/Comando.h"
#include "protocol/Conversioni.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/SessioneScheda.h"
#include "settings/ConfigurazionePredefinita.h"

#include <QFileInfo>

namespace {

using Famiglia = PuntoStorico::Famiglia;

// A change seen within this long after this program's command for it is that command's doing.
constexpr qint64 kFinestraComandoMs = 30000;

// A range text as the configuration holds it; the design-time default while none is loaded.
double estremo(const QString &testo, const QString &predefinito)
{
    return Conversioni::StrToFloat(testo.trimmed().isEmpty() ? predefinito : testo);
}

} // namespace

RegistrazioneScheda::RegistrazioneScheda(SessioneScheda &sessione, Storico &storico,
                                         const ValoriConfigurazione &configurazione,
                                         const QString &fileImpostazioni,
                                         EventoStorico::Origine origine, QObject *parent)
    : QObject(parent), m_storico(storico), m_configurazione(configurazione),
      m_fileImpostazioni(fileImpostazioni), m_origine(origine),
      m_orologio([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    connect(&sessione.lettore(), &LettoreRisposte::rispostaLetta, this,
            &RegistrazioneScheda::risposta);
    connect(&sessione.lettore(), &LettoreRisposte::giroContinuo, this, &RegistrazioneScheda::giro);
    connect(&sessione, &SessioneScheda::comandoInScrittura, this, &RegistrazioneScheda::comando);
    connect(&sessione, &SessioneScheda::collegamentoPerso, this,
            &RegistrazioneScheda::collegamentoPerso);
    connect(&sessione, &SessioneScheda::schedaMuta, this, &RegistrazioneScheda::collegamentoPerso);
    connect(&sessione, &SessioneScheda::pronto, this, &RegistrazioneScheda::pronto);
}

const ImpostazioniAllarmi &RegistrazioneScheda::impostazioni()
{
    const QFileInfo file(m_fileImpostazioni);
    const QDateTime modifica = file.exists() ? file.lastModified() : QDateTime();
    const qint64 dimensione = file.exists() ? file.size() : -1;
    if (modifica != m_modificaImpostazioni || dimensione != m_dimensioneImpostazioni) {
        m_modificaImpostazioni = modifica;
        m_dimensioneImpostazioni = dimensione;
        m_impostazioni = ImpostazioniAllarmi::daFile(m_fileImpostazioni);
    }
    return m_impostazioni;
}

QString RegistrazioneScheda::nomePunto(const PuntoStorico &punto) const
{
    const auto i = size_t(punto.canale - 1);
    QString nome;
    switch (punto.famiglia) {
    case Famiglia::UsciteDigitali:
        nome = m_configurazione.nomiUD[i];
        break;
    case Famiglia::IngressiDigitali:
        nome = m_configurazione.nomiID[i];
        break;
    case Famiglia::IngressiAnalogici:
        nome = m_configurazione.nomiIA[i];
        break;
    default:
        break;
    }
    return nome.trimmed().isEmpty() ? punto.testo()
                                    : QStringLiteral("%1 (%2)").arg(nome, punto.testo());
}

void RegistrazioneScheda::comando(const Comando &comando)
{
    const qint64 ms = m_orologio();
    const EventoStorico::Origine origine = m_origineComandi ? m_origineComandi() : m_origine;
    const QString &testo = comando.tcp;
    // "*/R5": relay 5 toggled; "*/R0" all off. "*/ER" + unit field + digit for a unit's output.
    if (testo.startsWith(QLatin1String("*/R")) && testo.size() >= 4 && testo.at(3).isDigit()) {
        const int n = testo.at(3).digitValue();
        for (int c = 1; c <= 8; ++c) {
            if (n == 0 || n == c) {
                m_comandati.insert(PuntoStorico{Famiglia::UsciteDigitali, -1, c}.codice(),
                                   {ms, origine});
            }
        }
    } else if (testo.startsWith(QLatin1String("*/ER")) && testo.size() >= 8 &&
               testo.at(7).isDigit()) {
        int unita = 0;
        for (int b = 0; b < 3; ++b) {
            unita |= testo.at(4 + b) == QLatin1Char('1') ? 1 << b : 0;
        }
        const int n = testo.at(7).digitValue();
        for (int c = 1; c <= 8; ++c) {
            if (n == 0 || n == c) {
                m_comandati.insert(PuntoStorico{Famiglia::UsciteUnita, unita, c}.codice(),
                                   {ms, origine});
            }
        }
    } else if (testo.startsWith(QLatin1String("*/HDC")) || testo.startsWith(QLatin1String("*/HAC"))) {
        const bool digitali = testo.at(3) == QLatin1Char('D');
        EventoStorico e;
        e.ms = ms;
        e.tipo = EventoStorico::Tipo::ImpostazioniInviate;
        e.origine = origine;
        e.testo = digitali ? QStringLiteral("Allarmi degli ingressi digitali")
                           : QStringLiteral("Allarmi degli ingressi analogici");
        m_storico.aggiungiEvento(e);
    }
}

EventoStorico::Origine RegistrazioneScheda::origineDi(const PuntoStorico &punto, qint64 ms)
{
    const auto trovato = m_comandati.find(punto.codice());
    if (trovato != m_comandati.end() && ms - trovato.value().first <= kFinestraComandoMs) {
        const EventoStorico::Origine origine = trovato.value().second;
        m_comandati.erase(trovato);
        return origine;
    }
    return EventoStorico::Origine::AltroPannello;
}

void RegistrazioneScheda::risposta(const Risposta &r)
{
    const qint64 ms = m_orologio();
    switch (r.tipo) {
    case TipoRisposta::Rele:
        digitali(Famiglia::UsciteDigitali, -1, r.stati, ms);
        break;
    case TipoRisposta::Ingressi:
        digitali(Famiglia::IngressiDigitali, -1, r.stati, ms);
        break;
    case TipoRisposta::UsciteAnalogiche:
        livelli(Famiglia::UsciteAnalogiche, -1, r.valori, ms);
        break;
    case TipoRisposta::IngressiAnalogici:
        analogici(r.valori, ms);
        break;
    case TipoRisposta::UsciteUnita:
        digitali(Famiglia::UsciteUnita, r.unita, r.stati, ms);
        break;
    case TipoRisposta::IngressiUnita:
        digitali(Famiglia::IngressiUnita, r.unita, r.stati, ms);
        break;
    case TipoRisposta::CanaliUnita:
        livelli(Famiglia::CanaliUnita, r.unita, r.valori, ms);
        break;
    case TipoRisposta::Nessuna:
        break;
    }
}

void RegistrazioneScheda::giro(const GiroContinuo &giro)
{
    const qint64 ms = m_orologio();
    if (giro.ingressi.trovata()) {
        digitali(Famiglia::IngressiDigitali, -1, giro.ingressi.stati, ms);
    }
    analogici(giro.analogici.valori, ms);
}

void RegistrazioneScheda::digitali(Famiglia famiglia, int unita, const std::array<bool, 8> &stati,
                                   qint64 ms)
{
    const bool diUnita = famiglia == Famiglia::UsciteUnita || famiglia == Famiglia::IngressiUnita;
    if (diUnita && (unita < 0 || unita > 7)) {
        return;
    }
    const bool uscita = famiglia == Famiglia::UsciteDigitali || famiglia == Famiglia::UsciteUnita;
    for (int c = 1; c <= 8; ++c) {
        const PuntoStorico punto{famiglia, unita, c};
        const qint64 valore = stati[size_t(c - 1)] ? 1 : 0;
        const auto ultimo = m_ultimi.constFind(punto.codice());
        const bool nuovo = ultimo == m_ultimi.constEnd();
        if (nuovo || ultimo.value() != valore) {
            m_ultimi.insert(punto.codice(), valore);
            m_storico.aggiungiStato(punto.codice(), ms, valore);
            // The first state seen is where the history starts, not a change.
            if (!nuovo) {
                EventoStorico e;
                e.ms = ms;
                e.tipo = uscita ? EventoStorico::Tipo::ReleCommutato
                                : EventoStorico::Tipo::IngressoCambiato;
                e.punto = punto.codice();
                e.valore = valore;
                e.origine = uscita ? origineDi(punto, ms) : EventoStorico::Origine::Scheda;
                e.testo = nomePunto(punto);
                m_storico.aggiungiEvento(e);
            }
        }
        // At every reading, changed or not: alarm settings changed meanwhile count at once.
        if (famiglia == Famiglia::IngressiDigitali) {
            const bool attivo = impostazioni().allarmeDigitale(c, valore != 0);
            cambioAllarme(punto, attivo, ms,
                          valore ? QStringLiteral("alto") : QStringLiteral("basso"));
        }
    }
}

void RegistrazioneScheda::livelli(Famiglia famiglia, int unita, const QList<int> &valori,
                                  qint64 ms)
{
    if (famiglia == Famiglia::CanaliUnita && (unita < 0 || unita > 7)) {
        return;
    }
    const int numero = famiglia == Famiglia::UsciteAnalogiche ? 2 : 8;
    for (int c = 1; c <= std::min<int>(numero, int(valori.size())); ++c) {
        const PuntoStorico punto{famiglia, unita, c};
        const qint64 valore = valori.at(c - 1);
        const auto ultimo = m_ultimi.constFind(punto.codice());
        if (ultimo != m_ultimi.constEnd() && ultimo.value() == valore) {
            continue;
        }
        m_ultimi.insert(punto.codice(), valore);
        m_storico.aggiungiStato(punto.codice(), ms, valore);
    }
}

void RegistrazioneScheda::analogici(const QList<int> &valori, qint64 ms)
{
    const QStringList &elenco = ConfigurazionePredefinita::kUnita;
    for (int n = 1; n <= std::min<int>(8, int(valori.size())); ++n) {
        const auto i = size_t(n - 1);
        const int grezzo = valori.at(n - 1);
        qint64 valore = 0;
        try {
            valore = Conversioni::scalaAnalogico(
                grezzo, estremo(m_configurazione.minimiIA[i], ConfigurazionePredefinita::kMinimiIA[i]),
                estremo(m_configurazione.massimiIA[i], ConfigurazionePredefinita::kMassimiIA[i]));
        } catch (const ErroreProgramma &) {
            // A range that is not a number gives no value to keep; the page reports it.
            continue;
        }
        bool numero = false;
        const QString &indice = m_configurazione.unitaIA[i].isEmpty()
                                    ? ConfigurazionePredefinita::kUnitaIA[i]
                                    : m_configurazione.unitaIA[i];
        const int u = indice.toInt(&numero);
        const QString unita = numero && u >= 0 && u < elenco.size() ? elenco.at(u) : QString();
        m_storico.aggiungiLettura(n, ms, grezzo, valore, m_configurazione.nomiIA[i], unita);
        emit letturaAnalogica(n, valore, ms);
        const PuntoStorico punto{Famiglia::IngressiAnalogici, -1, n};
        const ImpostazioniAllarmi &a = impostazioni();
        cambioAllarme(punto, a.allarmeAnalogico(n, double(valore)), ms,
                      a.motivoAnalogico(n, double(valore)));
    }
}

void RegistrazioneScheda::cambioAllarme(const PuntoStorico &punto, bool attivo, qint64 ms,
                                        const QString &motivo)
{
    emit allarmeValutato(punto, attivo);
    if (m_allarmi.value(punto.codice()) == attivo) {
        return;
    }
    m_allarmi.insert(punto.codice(), attivo);
    EventoStorico e;
    e.ms = ms;
    e.tipo = attivo ? EventoStorico::Tipo::AllarmeAttivo : EventoStorico::Tipo::AllarmeRientrato;
    e.punto = punto.codice();
    e.valore = attivo ? 1 : 0;
    e.testo = attivo ? QStringLiteral("%1: %2").arg(nomePunto(punto), motivo) : nomePunto(punto);
    m_storico.aggiungiEvento(e);
    emit allarme(punto, attivo,
                 attivo ? QStringLiteral("Allarme: %1").arg(e.testo)
                        : QStringLiteral("Allarme rientrato: %1").arg(e.testo));
}

void RegistrazioneScheda::collegamentoPerso()
{
    if (m_perso) {
        return;
    }
    m_perso = true;
    EventoStorico e;
    e.ms = m_orologio();
    e.tipo = EventoStorico::Tipo::CollegamentoPerso;
    m_storico.aggiungiEvento(e);
}

void RegistrazioneScheda::pronto()
{
    if (!m_perso) {
        return;
    }
    m_perso = false;
    EventoStorico e;
    e.ms = m_orologio();
    e.tipo = EventoStorico::Tipo::CollegamentoRipristinato;
    m_storico.aggiungiEvento(e);
}
