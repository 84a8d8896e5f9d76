#include "Framer.h"

#include "link/ErroreFramer.h"
#include "link/GestoreFramer.h"
#include "link/Seriale.h"

#include <QTimer>

#include <algorithm>
#include <climits>

Framer::Framer(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_gestore) {
            m_gestore->scadenza(this);
        }
    });
}

Framer::Framer(Seriale *porta, QObject *parent) : Framer(parent)
{
    setComPort(porta);
}

Framer::~Framer()
{
    if (m_gestore) {
        m_gestore->rimuovi(this);
    }
}

void Framer::setComPort(Seriale *porta)
{
    setGestore(porta ? GestoreFramer::perPorta(porta) : nullptr);
    m_porta = porta;
}

void Framer::setGestore(GestoreFramer *gestore)
{
    if (gestore == m_gestore) {
        return;
    }
    if (m_gestore) {
        m_gestore->rimuovi(this);
    }
    m_porta = nullptr;
    m_gestore = gestore;
    azzeraStato();
    m_fase = Fase::Inattivo;
    if (m_gestore) {
        m_gestore->aggiungi(this);
        if (m_enabled && !m_gestore->inEvento()) {
            riarma();
        }
    }
}

void Framer::setEndCond(EndCond condizione)
{
    // A framer that is on picks the new end up at once.
    const bool acceso = m_enabled;
    setEnabled(false);
    m_endCond = condizione;
    if (acceso) {
        setEnabled(true);
    }
}

void Framer::setEndString(const QString &testo)
{
    const bool acceso = m_enabled;
    setEnabled(false);
    m_endString = testo;
    if (acceso) {
        setEnabled(true);
    }
}

void Framer::setEnabled(bool acceso)
{
    if (acceso == m_enabled) {
        return;
    }
    if (acceso) {
        prepara();
        m_enabled = true;
        if (!m_gestore || !m_gestore->isAttivo() || m_gestore->inEvento()) {
            // Armed when the port opens or the current delivery ends.
            azzeraStato();
            m_fase = Fase::Inattivo;
            return;
        }
        riarma();
        return;
    }
    m_enabled = false;
    const bool proprietario = m_gestore && m_gestore->proprietario() == this;
    azzeraStato();
    m_fase = Fase::Inattivo;
    fermaTimer();
    if (proprietario) {
        m_gestore->rilascia(this);
    }
}

void Framer::prepara()
{
    ModelloFramer inizio;
    if (m_startCond == scString) {
        inizio = ModelloFramer(m_startString, m_ignoreCase);
        if (inizio.isEmpty()) {
            throw ErroreFramer(ErroreFramer::StartStringVuota);
        }
        if ((m_endCond & ecPacketSize) && m_packetSize < inizio.lunghezza()) {
            throw ErroreFramer(ErroreFramer::PacketSizeCorta);
        }
    } else if (!m_endCond) {
        throw ErroreFramer(ErroreFramer::SenzaFine);
    }
    ModelloFramer fine;
    if (m_endCond & ecString) {
        fine = ModelloFramer(m_endString, m_ignoreCase);
        if (fine.isEmpty()) {
            throw ErroreFramer(ErroreFramer::EndStringVuota);
        }
    }
    if ((m_endCond & ecPacketSize) && m_packetSize <= 0) {
        throw ErroreFramer(ErroreFramer::PacketSizeZero);
    }
    m_inizio = std::move(inizio);
    m_fine = std::move(fine);
}

void Framer::azzeraStato()
{
    m_inizio.azzera();
    m_fine.azzera();
    m_inizioPacchetto = -1;
    m_attendeRilascio = false;
    m_limite = m_packetSize;
}

void Framer::riarma()
{
    azzeraStato();
    if (!m_enabled || !m_gestore || !m_gestore->isAttivo()) {
        m_fase = Fase::Inattivo;
        return;
    }
    if (m_startCond == scString) {
        m_fase = Fase::AttesaInizio;
        return;
    }
    Framer *proprietario = m_gestore->proprietario();
    if (proprietario && proprietario != this) {
        m_fase = Fase::Inattivo;
        m_attendeRilascio = true;
        return;
    }
    m_fase = Fase::Raccolta;
    m_gestore->diventaProprietario(this);
}

void Framer::fermaTimer()
{
    m_timer->stop();
}

Framer::Esito Framer::esamina(const QByteArray &buffer, qint64 base, qsizetype da)
{
    if (m_fase == Fase::AttesaInizio) {
        if (da >= buffer.size()) {
            return {};
        }
        const std::ptrdiff_t trovato = m_inizio.cerca(buffer.constData() + da, buffer.size() - da);
        if (trovato < 0) {
            return {};
        }
        const qsizetype ultimo = da + trovato; // last byte of the start string
        m_inizioPacchetto = base + ultimo + 1 - m_inizio.lunghezza();
        if (!m_endCond) {
            return {Esito::Consegna, base + ultimo + 1, false};
        }
        m_fase = Fase::Raccolta;
        m_fine.azzera();
        m_gestore->diventaProprietario(this);
        if ((m_endCond & ecPacketSize) && m_limite <= m_inizio.lunghezza()) {
            return {Esito::Consegna, base + ultimo + 1, false};
        }
        da = ultimo + 1;
    }
    if (m_fase == Fase::Raccolta) {
        return raccogli(buffer, base, da);
    }
    return {};
}

Framer::Esito Framer::raccogli(const QByteArray &buffer, qint64 base, qsizetype da)
{
    const qsizetype n = buffer.size();
    if (da >= n) {
        return {};
    }
    if (m_inizioPacchetto < 0) {
        m_inizioPacchetto = base + da;
    }
    const qint64 inizio = m_inizioPacchetto - base;
    // Only look as far as the byte that fills the packet size or breaks the size cap.
    qint64 fermata = n;
    qint64 ultimoPerDimensione = -1;
    if (m_endCond & ecPacketSize) {
        ultimoPerDimensione = inizio + m_limite - 1;
        fermata = std::min(fermata, ultimoPerDimensione + 1);
    }
    // A packet holds at most the cap (or its own size, when larger), start string included,
    // counted as the size rule counts.
    const qint64 ultimoAmmesso =
        inizio + std::max<qint64>(GestoreFramer::MassimoPacchetto, m_limite) - 1;
    fermata = std::min(fermata, ultimoAmmesso + 1);

    if ((m_endCond & ecString) && da < fermata) {
        const std::ptrdiff_t trovato = m_fine.cerca(buffer.constData() + da, fermata - da);
        if (trovato >= 0) {
            return {Esito::Consegna, base + da + trovato + 1, true};
        }
    }
    if (ultimoPerDimensione >= 0 && fermata == ultimoPerDimensione + 1 && ultimoPerDimensione < n) {
        return {Esito::Consegna, base + ultimoPerDimensione + 1, false};
    }
    if (fermata == ultimoAmmesso + 1 && ultimoAmmesso < n) {
        return {Esito::Eccesso, 0, false};
    }
    return {};
}
