#include "protocol/LettoreRisposte.h"

#include "protocol/Protocollo.h"
#include "settings/Utilita.h"

#include "core/Errori.h"

#include <algorithm>
#include <utility>

namespace {

struct Forma
{
    QLatin1String marcatore;
    int frame;
    int cifre; // 0 for a digital frame of eight states
};

Forma forma(TipoRisposta tipo)
{
    switch (tipo) {
    case TipoRisposta::Rele:
        return {Protocollo::InizioRele, 1, 0};
    case TipoRisposta::Ingressi:
        return {Protocollo::InizioIngressi, 1, 0};
    case TipoRisposta::UsciteAnalogiche:
        return {Protocollo::InizioValore, 2, Protocollo::CifreUscitaAnalogica};
    case TipoRisposta::IngressiAnalogici:
        return {Protocollo::InizioAnalogico, 8, Protocollo::CifreAnalogico};
    case TipoRisposta::UsciteUnita:
        return {Protocollo::InizioValore, 1, 0};
    case TipoRisposta::IngressiUnita:
        return {Protocollo::InizioIngressiUnita, 1, 0};
    case TipoRisposta::CanaliUnita:
        return {Protocollo::InizioValore, 8, Protocollo::CifreUscitaAnalogica};
    case TipoRisposta::Nessuna:
        break;
    }
    return {Protocollo::InizioValore, 0, 0};
}

// The body of a complete frame: between its first "->" and the "<-" that ends it.
QString corpo(const QString &frame)
{
    const qsizetype apertura =
        frame.indexOf(Protocollo::InizioValore) + Protocollo::InizioValore.size();
    const qsizetype fine = frame.lastIndexOf(Protocollo::FineValore);
    return frame.mid(apertura, std::max<qsizetype>(0, fine - apertura));
}

// A prompt with nothing before it but line ends: the board was idle when it sent it.
bool soloPronto(const QString &testo)
{
    return testo.size() <= Protocollo::Pronto.size() ||
           QStringView(testo).chopped(Protocollo::Pronto.size()).trimmed().isEmpty();
}

bool soloCifre(const QString &testo, int massimo)
{
    return !testo.isEmpty() && testo.size() <= massimo &&
           std::all_of(testo.cbegin(), testo.cend(), [](QChar c) {
               return c >= QLatin1Char('0') && c <= QLatin1Char('9');
           });
}

} // namespace

LettoreRisposte::LettoreRisposte(QObject *parent) : QObject(parent) {}

Risposta LettoreRisposte::leggi(const QString &testo, TipoRisposta tipo, int unita)
{
    Risposta r;
    r.tipo = tipo;
    r.unita = unita;
    const Forma f = forma(tipo);
    r.frameAttesi = f.frame;
    if (f.frame == 0) {
        r.rigorosa = true;
        return r;
    }
    const QStringList frame = Protocollo::trovaFrame(testo, f.marcatore, f.frame);
    r.frameTrovati = int(frame.size());
    r.rigorosa = true;
    if (f.cifre == 0) {
        if (!frame.isEmpty()) {
            r.stati = Protocollo::statiCanali(
                Protocollo::valoreFrame(frame.first(), Protocollo::CifreDigitali));
            r.rigorosa = corpo(frame.first()).size() >= Protocollo::CifreDigitali;
        }
        return r;
    }
    for (const QString &uno : frame) {
        const QString valore = Protocollo::valoreFrame(uno, f.cifre);
        r.rigorosa = r.rigorosa && soloCifre(corpo(uno), f.cifre);
        try {
            r.valori.append(StrToInt(valore));
        } catch (const ErroreProgramma &e) {
            r.errore = e.messaggio();
            r.rigorosa = false;
            break;
        }
    }
    return r;
}

bool LettoreRisposte::isGiroContinuo(const QString &testo)
{
    return Protocollo::testoModoContinuo(testo);
}

GiroContinuo LettoreRisposte::leggiGiro(const QString &testo)
{
    return {leggi(testo, TipoRisposta::Ingressi), leggi(testo, TipoRisposta::IngressiAnalogici)};
}

void LettoreRisposte::arma(TipoRisposta tipo, int unita,
                           std::function<void(const Risposta &)> destinatario)
{
    if (std::exchange(m_inAttesa, false) && m_attesa != TipoRisposta::Nessuna) {
        emit rispostaMancante();
    }
    m_inAttesa = tipo != TipoRisposta::Nessuna || destinatario;
    m_attesa = tipo;
    m_unita = unita;
    m_destinatario = std::move(destinatario);
    m_estranee = 0;
    // Everything received so far came before the command went out: none of it is its reply.
    m_limiteArmato = m_ricevuti;
}

void LettoreRisposte::azzera()
{
    m_buffer.clear();
    m_troncata = false;
    // The link is new or gone, which is told on its own.
    m_inAttesa = false;
    arma(TipoRisposta::Nessuna, -1, {});
}

void LettoreRisposte::ricevi(const QByteArray &dati)
{
    // A flood is taken in slices no larger than the buffer, so that every prompt in it is found
    // and only text with no prompt after it is ever dropped.
    for (qsizetype da = 0; da < dati.size(); da += MassimoBuffer) {
        const qsizetype quanti = std::min(MassimoBuffer, dati.size() - da);
        riceviParte(QByteArrayView(dati).sliced(da, quanti), da + quanti >= dati.size());
    }
}

void LettoreRisposte::riceviParte(QByteArrayView dati, bool ultima)
{
    const qsizetype prima = m_buffer.size();
    m_buffer += QString::fromLatin1(dati);
    m_ricevuti += dati.size();
    if (m_logPerLettura && ultima) {
        emit rigaLog(m_buffer.size() > MassimoBuffer ? m_buffer.right(MassimoBuffer) : m_buffer);
    }
    // Text before this read held no prompt, so only the new text, and the character before
    // it for a prompt split across two reads, can hold one.
    const qint64 base = m_ricevuti - m_buffer.size();
    qsizetype inizio = 0;
    qsizetype pronto = m_buffer.indexOf(Protocollo::Pronto, std::max<qsizetype>(0, prima - 1));
    while (pronto >= 0) {
        const qsizetype fine = pronto + Protocollo::Pronto.size();
        // A response longer than the buffer keeps only its newest text.
        const qsizetype taglio = std::max<qsizetype>(0, fine - inizio - MassimoBuffer);
        if (taglio > 0) {
            m_troncata = true;
        }
        risposta(m_buffer.mid(inizio + taglio, fine - inizio - taglio), base + inizio + taglio);
        inizio = fine;
        pronto = m_buffer.indexOf(Protocollo::Pronto, inizio);
    }
    m_buffer.remove(0, inizio);
    // Of a response still without its prompt only the newest text is kept, and the buffer
    // gives back room it no longer needs, so one flood does not hold its size for good.
    if (m_buffer.size() > MassimoBuffer) {
        m_troncata = true;
        m_buffer.remove(0, m_buffer.size() - MassimoBuffer);
    }
    if (m_buffer.capacity() > 2 * MassimoBuffer) {
        m_buffer.squeeze();
    }
}

void LettoreRisposte::risposta(const QString &testo, qint64 posizione)
{
    if (!m_logPerLettura) {
        emit rigaLog(testo);
    }
    const bool troncata = std::exchange(m_troncata, false);
    if (troncata) {
        emit rispostaIncompleta();
    }
    const bool continuo = isGiroContinuo(testo);
    // The part of the response that came after the command went out; a response wholly from
    // before it answers something else.
    const qint64 prima = m_limiteArmato - posizione;
    if (m_inAttesa && prima < testo.size()) {
        const QString dopo = prima > 0 ? testo.mid(prima) : testo;
        const Risposta r = leggi(dopo, m_attesa, m_unita);
        // Not the reply: a round of continuous output that came between the command and its
        // reply (unless the round is what was asked for), or a prompt alone, which the idle
        // board sent before the command reached it. A reply that never comes is given up
        // after a few of these.
        const bool estranea =
            m_attesa != TipoRisposta::Nessuna && !r.trovata() && (continuo || soloPronto(dopo));
        if (!estranea || ++m_estranee > MassimoRisposteEstranee) {
            // A reply lost with the start of a response cut short is told as such already.
            consegna(r, !troncata);
        }
    }
    if (continuo) {
        emit giroContinuo(leggiGiro(testo));
    }
    emit pronto(continuo);
}

void LettoreRisposte::consegna(const Risposta &r, bool diMancante)
{
    const auto destinatario = std::exchange(m_destinatario, {});
    const bool chiesta = m_attesa != TipoRisposta::Nessuna;
    m_inAttesa = false;
    m_attesa = TipoRisposta::Nessuna;
    if (destinatario) {
        destinatario(r);
    }
    if (r.trovata()) {
        emit rispostaLetta(r);
    } else if (chiesta && diMancante) {
        emit rispostaMancante();
    }
}
