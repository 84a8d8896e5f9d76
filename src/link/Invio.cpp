#include "link/Invio.h"

#include "core/TestoStato.h"
#include "core/Errori.h"
#include "core/ValoriProgramma.h"
#include "link/Seriale.h"
#include "link/Comando.h"
#include "settings/Utilita.h"

#include <QScopedValueRollback>
#include <QTcpSocket>

#include <utility>

namespace {

constexpr int kPausaCarattereTcp = 50;
constexpr int kPausaPrimoPezzo = 800;
constexpr int kPausaPezzo = 200;

const QString kNonInviato = QStringLiteral("Comando non inviato: la scheda non è pronta");
const QString kCodaPiena =
    QStringLiteral("Comando non inviato: troppi comandi in attesa (al massimo 16)");

} // namespace

Invio::Invio(ValoriProgramma &valori, Seriale &seriale, QTcpSocket &socket, TestoStato &testoStato,
             std::function<int()> paginaAttiva, QObject *parent)
    : QObject(parent), m_valori(valori), m_seriale(seriale), m_socket(socket),
      m_testoStato(testoStato), m_paginaAttiva(std::move(paginaAttiva))
{
}

bool Invio::puoIniziare()
{
    const bool turnoGruppo = std::exchange(m_turnoGruppo, false);
    if (m_gruppo) {
        return turnoGruppo;
    }
    return !m_inTrasmissione;
}

bool Invio::attendiPronto(bool memorizzaTipoRisposta)
{
    // A send started in the middle of another one's command would interleave on the wire.
    if (!puoIniziare()) {
        scartato();
        return false;
    }
    m_valori.pronto = false;
    const bool pronto = AttendiCondizione(m_attesaPronto, [&] {
        if (m_valori.inChiusura) {
            throw AbortSilenzioso{};
        }
        if (!m_valori.pronto) {
            return false;
        }
        if (memorizzaTipoRisposta) {
            m_valori.tipoRisposta = m_paginaAttiva();
        }
        return true;
    });
    if (!pronto) {
        scartato();
    }
    // The prompt is used up: a send that was waiting further out, and resumes after this one,
    // needs a prompt of its own.
    m_valori.pronto = false;
    return pronto;
}

void Invio::pausa(int ms)
{
    Attendi(ms, true, [this] { return m_valori.inChiusura; });
    if (m_valori.inChiusura) {
        throw AbortSilenzioso{};
    }
}

void Invio::scartato()
{
    m_testoStato.impostaTesto(1, kNonInviato);
}

void Invio::scriviTcp(const QString &testo)
{
    for (qsizetype i = 0; i < testo.size(); ++i) {
        // Until the last character is out, no other send may write.
        QScopedValueRollback inTrasmissione(m_inTrasmissione, i + 1 < testo.size());
        // An unconnected socket takes nothing: the character is lost.
        if (m_socket.state() == QAbstractSocket::ConnectedState) {
            const QByteArray carattere(1, testo.at(i).toLatin1());
            if (m_socket.write(carattere) < 0) {
                throw ErroreProgramma(QStringLiteral("Windows socket error: %1 (%2), on API 'send'")
                                          .arg(m_socket.errorString())
                                          .arg(static_cast<int>(m_socket.error())));
            }
            emit datiScritti(TipoCollegamento::Tcp, carattere);
        }
        pausa(kPausaCarattereTcp);
    }
}

// A closed port takes nothing: the piece is skipped.
void Invio::scriviSeriale(const QString &testo)
{
    if (m_seriale.isOpen()) {
        const QByteArray dati = testo.toLatin1();
        m_seriale.scrivi(dati);
        emit datiScritti(TipoCollegamento::Seriale, dati);
    }
}

bool Invio::InviaTcp(const QString &testo)
{
    if (!attendiPronto(true)) {
        return false;
    }
    scriviTcp(testo);
    return true;
}

void Invio::InviaTcpDiretto(const QString &testo)
{
    if (!puoIniziare()) {
        scartato();
        return;
    }
    scriviTcp(testo);
}

bool Invio::InviaSeriale(const QStringList &pezzi)
{
    Q_ASSERT(!pezzi.isEmpty() && pezzi.size() <= 5);
    if (!attendiPronto(false)) {
        return false;
    }
    for (qsizetype i = 0; i < pezzi.size(); ++i) {
        const bool ultimo = i + 1 == pezzi.size();
        QScopedValueRollback inTrasmissione(m_inTrasmissione, !ultimo);
        scriviSeriale(pezzi.at(i));
        pausa(i == 0 ? kPausaPrimoPezzo : kPausaPezzo);
    }
    return true;
}

void Invio::InviaSerialeDiretto(const QString &testo)
{
    if (!puoIniziare()) {
        scartato();
        return;
    }
    scriviSeriale(testo);
    pausa(kPausaPezzo);
}

void Invio::invia(const Comando &comando, const EsitoInvio &esito)
{
    if (m_valori.tipoCollegamento == TipoCollegamento::Nessuno) {
        // Nothing goes out: whoever marked the point as pending must hear of it.
        if (esito.scartato) {
            esito.scartato();
        }
        return;
    }
    const InvioInCoda voce{comando.pezziSeriale, comando.tcp, esito};
    if (m_occupato) {
        // Never sent from here, nested inside the other command's waits: whoever owns that
        // transmission sends it when it ends.
        if (m_coda.size() >= MassimoCoda) {
            m_testoStato.impostaTesto(1, kCodaPiena);
            if (esito.scartato) {
                esito.scartato();
            }
            return;
        }
        m_coda.enqueue(voce);
        return;
    }
    m_occupato = true;
    try {
        inviaOra(voce);
        inviaCoda();
    } catch (...) {
        m_occupato = false;
        svuotaCoda();
        throw;
    }
    m_occupato = false;
}

void Invio::inviaOra(const InvioInCoda &voce)
{
    bool scritto = false;
    if (m_valori.tipoCollegamento == TipoCollegamento::Seriale) {
        scritto = InviaSeriale(voce.pezziSeriale);
    } else if (m_valori.tipoCollegamento == TipoCollegamento::Tcp) {
        scritto = InviaTcp(voce.tcp);
    }
    const auto &avviso = scritto ? voce.esito.scritto : voce.esito.scartato;
    if (avviso) {
        avviso();
    }
}

void Invio::inviaCoda()
{
    while (!m_coda.isEmpty()) {
        inviaOra(m_coda.dequeue());
    }
}

void Invio::svuotaCoda()
{
    const QQueue<InvioInCoda> coda = std::exchange(m_coda, {});
    for (const InvioInCoda &voce : coda) {
        if (voce.esito.scartato) {
            voce.esito.scartato();
        }
    }
    if (!coda.isEmpty()) {
        scartato();
    }
}

GruppoInvio::GruppoInvio(Invio &invio) : m_invio(invio)
{
    if (!m_invio.m_gruppo && !m_invio.m_inTrasmissione && !m_invio.m_occupato) {
        m_invio.m_gruppo = this;
        m_invio.m_occupato = true;
        m_attivo = true;
    }
}

GruppoInvio::~GruppoInvio()
{
    if (m_attivo) {
        m_invio.m_gruppo = nullptr;
        m_invio.m_occupato = false;
        // Left without concludi() (the action was abandoned): what waited goes too.
        m_invio.svuotaCoda();
    }
}

void GruppoInvio::concludi()
{
    if (!m_attivo) {
        return;
    }
    m_invio.m_gruppo = nullptr;
    m_attivo = false;
    try {
        m_invio.inviaCoda();
    } catch (...) {
        m_invio.m_occupato = false;
        m_invio.svuotaCoda();
        throw;
    }
    m_invio.m_occupato = false;
}

bool GruppoInvio::turno()
{
    if (!m_attivo) {
        m_invio.scartato();
        return false;
    }
    // Consumed by the very next send to begin, which is the one this group is making.
    m_invio.m_turnoGruppo = true;
    return true;
}

bool GruppoInvio::InviaTcp(const QString &testo)
{
    return turno() && m_invio.InviaTcp(testo);
}

void GruppoInvio::InviaTcpDiretto(const QString &testo)
{
    if (turno()) {
        m_invio.InviaTcpDiretto(testo);
    }
}

bool GruppoInvio::InviaSeriale(const QStringList &pezzi)
{
    return turno() && m_invio.InviaSeriale(pezzi);
}

void GruppoInvio::InviaSerialeDiretto(const QString &testo)
{
    if (turno()) {
        m_invio.InviaSerialeDiretto(testo);
    }
}

void GruppoInvio::pausa(int ms)
{
    m_invio.pausa(ms);
}
