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
const QString kCollegamentoAssente =
    QStringLiteral("Comando non inviato: il collegamento con la scheda è interrotto");
const QString kOccupato =
    QStringLiteral("Comando non inviato: il pannello sta già scrivendo un altro comando");
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
        scartato(kOccupato);
        return false;
    }
    m_valori.pronto = false;
    bool giu = false;
    const bool pronto = AttendiCondizione(m_attesaPronto, [&] {
        if (m_valori.inChiusura) {
            throw AbortSilenzioso{};
        }
        if (!m_valori.pronto) {
            // No prompt can come on a link that is down: no point waiting for it.
            giu = m_valori.tipoCollegamento != TipoCollegamento::Nessuno &&
                  m_collegamentoAttivo && !m_collegamentoAttivo();
            return giu;
        }
        if (memorizzaTipoRisposta) {
            m_valori.tipoRisposta = m_paginaAttiva();
        }
        return true;
    });
    if (!pronto || giu) {
        scartato(giu ? kCollegamentoAssente : kNonInviato);
        m_valori.pronto = false;
        return false;
    }
    if (auto inizio = std::exchange(m_allInizio, {})) {
        inizio();
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

void Invio::scartato(const QString &motivo)
{
    m_testoStato.impostaTesto(1, motivo.isEmpty() ? kNonInviato : motivo);
}

bool Invio::scriviTcp(const QString &testo)
{
    bool tutto = true;
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
        } else {
            tutto = false;
        }
        pausa(kPausaCarattereTcp);
    }
    return tutto;
}

// A closed port takes nothing: the piece is skipped.
bool Invio::scriviSeriale(const QString &testo)
{
    if (!m_seriale.isOpen()) {
        return false;
    }
    const QByteArray dati = testo.toLatin1();
    m_seriale.scrivi(dati);
    emit datiScritti(TipoCollegamento::Seriale, dati);
    return true;
}

bool Invio::InviaTcp(const QString &testo)
{
    return attendiPronto(true) && scriviTcp(testo);
}

bool Invio::InviaTcpDiretto(const QString &testo)
{
    if (!puoIniziare()) {
        scartato(kOccupato);
        return false;
    }
    return scriviTcp(testo);
}

bool Invio::InviaSeriale(const QStringList &pezzi)
{
    Q_ASSERT(!pezzi.isEmpty() && pezzi.size() <= 5);
    if (!attendiPronto(false)) {
        return false;
    }
    bool tutto = true;
    for (qsizetype i = 0; i < pezzi.size(); ++i) {
        const bool ultimo = i + 1 == pezzi.size();
        QScopedValueRollback inTrasmissione(m_inTrasmissione, !ultimo);
        tutto = scriviSeriale(pezzi.at(i)) && tutto;
        pausa(i == 0 ? kPausaPrimoPezzo : kPausaPezzo);
    }
    return tutto;
}

bool Invio::InviaSerialeDiretto(const QString &testo)
{
    if (!puoIniziare()) {
        scartato(kOccupato);
        return false;
    }
    const bool scritto = scriviSeriale(testo);
    pausa(kPausaPezzo);
    return scritto;
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
    accoda(InvioInCoda{comando.pezziSeriale, comando.tcp, esito, {}});
}

void Invio::inviaGruppo(CorpoGruppo corpo, const EsitoInvio &esito)
{
    if (m_valori.tipoCollegamento == TipoCollegamento::Nessuno) {
        if (esito.scartato) {
            esito.scartato();
        }
        return;
    }
    accoda(InvioInCoda{{}, {}, esito, std::move(corpo)});
}

void Invio::accoda(const InvioInCoda &voce)
{
    const EsitoInvio &esito = voce.esito;
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
        // A link lost since the page was opened is started again, as the page entry does,
        // before the command waits for its prompt.
        if (m_riavvia && m_collegamentoAttivo && !m_collegamentoAttivo()) {
            m_riavvia();
        }
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
    if (voce.gruppo) {
        GruppoInvio gruppo(*this);
        voce.gruppo(gruppo);
        if (voce.esito.scritto) {
            voce.esito.scritto();
        }
        return;
    }
    bool scritto = false;
    m_allInizio = voce.esito.inizio;
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
    m_invio.m_gruppo = this;
}

GruppoInvio::~GruppoInvio()
{
    m_invio.m_gruppo = nullptr;
}

void GruppoInvio::turno()
{
    // Consumed by the very next send to begin, which is the one this group is making.
    m_invio.m_turnoGruppo = true;
}

bool GruppoInvio::InviaTcp(const QString &testo)
{
    turno();
    return m_invio.InviaTcp(testo);
}

bool GruppoInvio::InviaTcpDiretto(const QString &testo)
{
    turno();
    return m_invio.InviaTcpDiretto(testo);
}

bool GruppoInvio::InviaSeriale(const QStringList &pezzi)
{
    turno();
    return m_invio.InviaSeriale(pezzi);
}

bool GruppoInvio::InviaSerialeDiretto(const QString &testo)
{
    turno();
    return m_invio.InviaSerialeDiretto(testo);
}

bool GruppoInvio::invia(const Comando &comando)
{
    switch (m_invio.m_valori.tipoCollegamento) {
    case TipoCollegamento::Seriale:
        return InviaSeriale(comando.pezziSeriale);
    case TipoCollegamento::Tcp:
        return InviaTcp(comando.tcp);
    case TipoCollegamento::Nessuno:
        break;
    }
    return false;
}

void GruppoInvio::pausa(int ms)
{
    m_invio.pausa(ms);
}
