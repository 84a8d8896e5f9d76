#include "GestoreFramer.h"

#include "core/Errori.h"
#include "link/Framer.h"
#include "link/Seriale.h"

#include <QDebug>
#include <QMetaMethod>
#include <QTimer>

#include <algorithm>
#include <climits>

// Memory kept for the collection buffer between chunks; more is handed back.
static constexpr qsizetype CapacitaTenuta = 256 * 1024;

GestoreFramer::GestoreFramer(QObject *parent) : QObject(parent) {}

GestoreFramer::~GestoreFramer()
{
    for (const auto &f : std::as_const(m_framer)) {
        if (f) {
            f->azzeraStato();
            f->m_fase = Framer::Fase::Inattivo;
            f->fermaTimer();
        }
    }
}

GestoreFramer *GestoreFramer::perPorta(Seriale *porta)
{
    auto *gestore = porta->findChild<GestoreFramer *>(QString(), Qt::FindDirectChildrenOnly);
    if (gestore) {
        return gestore;
    }
    gestore = new GestoreFramer(porta);
    // The framers see each chunk before the program's own reception handler does.
    Seriale::Consumatore *consumatore = porta->aggiungiConsumatore(gestore, true);
    connect(consumatore, &Seriale::Consumatore::datiDisponibili, gestore,
            [gestore, consumatore](int) { gestore->riceviDati(consumatore->leggiTutto()); });
    connect(porta, &Seriale::aperta, gestore, &GestoreFramer::portaAperta);
    connect(porta, &Seriale::chiusa, gestore, &GestoreFramer::portaChiusa);
    if (porta->isOpen()) {
        gestore->portaAperta();
    }
    return gestore;
}

QList<Framer *> GestoreFramer::framer() const
{
    QList<Framer *> elenco;
    for (const auto &f : m_framer) {
        if (f) {
            elenco.append(f);
        }
    }
    return elenco;
}

void GestoreFramer::riceviDati(const QByteArray &dati)
{
    if (!m_attivo || dati.isEmpty()) {
        return;
    }
    const qsizetype da = m_buffer.size();
    m_buffer.append(dati);
    if (m_inEvento || m_inEsame) {
        m_datiInAttesa = true;
        return;
    }
    esamina(da);
}

void GestoreFramer::portaAperta()
{
    if (m_attivo) {
        return;
    }
    m_attivo = true;
    m_buffer.clear();
    for (const auto &f : framer()) {
        f->riarma();
    }
}

void GestoreFramer::portaChiusa()
{
    if (!m_attivo) {
        return;
    }
    for (const auto &f : framer()) {
        f->azzeraStato();
        f->m_fase = Framer::Fase::Inattivo;
        f->fermaTimer();
    }
    m_proprietario = nullptr;
    m_attivo = false;
    m_datiInAttesa = false;
    m_rilasciato = false;
    m_base += m_buffer.size();
    m_buffer.clear();
}

void GestoreFramer::aggiungi(Framer *framer)
{
    m_framer.append(framer);
}

void GestoreFramer::rimuovi(Framer *framer)
{
    m_framer.removeAll(framer);
    if (m_proprietario == framer) {
        m_proprietario = nullptr;
        if (m_inEvento || m_inEsame) {
            m_rilasciato = true;
        } else {
            dopoRilascio();
        }
    }
}

void GestoreFramer::diventaProprietario(Framer *nuovo)
{
    m_proprietario = nuovo;
    nuovo->fermaTimer();
    if (nuovo->m_timeOut > 0) {
        const qint64 ms = qint64(nuovo->m_timeOut) * std::max(nuovo->m_durataTick, 1);
        nuovo->m_timer->start(int(std::min<qint64>(ms, INT_MAX)));
    }
    // The others drop their partial matches; the owner alone reads on.
    for (const auto &f : framer()) {
        if (f != nuovo && f->m_enabled) {
            f->riarma();
        }
    }
}

void GestoreFramer::rilascia(Framer *framer)
{
    if (m_proprietario != framer) {
        return;
    }
    m_proprietario = nullptr;
    if (m_inEvento || m_inEsame) {
        m_rilasciato = true;
        return;
    }
    dopoRilascio();
}

void GestoreFramer::dopoRilascio()
{
    if (!m_attivo) {
        return;
    }
    for (const auto &f : framer()) {
        if (f->m_attendeRilascio) {
            f->riarma();
            break;
        }
    }
    esamina(0);
}

void GestoreFramer::scadenza(Framer *framer)
{
    if (framer != m_proprietario || m_inEvento || m_inEsame) {
        return;
    }
    m_inEsame = true;
    const bool ancora = scarta(framer);
    m_inEsame = false;
    if (ancora) {
        esamina(0);
    } else {
        sfoltisci();
    }
}

void GestoreFramer::esamina(qsizetype da)
{
    if (m_inEvento || m_inEsame) {
        m_datiInAttesa = true;
        return;
    }
    m_inEsame = true;
    while (m_attivo) {
        Framer *chi = nullptr;
        Framer::Esito esito;
        if (m_proprietario) {
            chi = m_proprietario;
            esito = chi->esamina(m_buffer, m_base, da);
        } else {
            // In attachment order; once one has taken the buffer the rest skip this chunk.
            for (qsizetype k = 0; k < m_framer.size(); ++k) {
                Framer *f = m_framer.at(k);
                if (!f || f->m_fase == Framer::Fase::Inattivo) {
                    continue;
                }
                esito = f->esamina(m_buffer, m_base, da);
                if (esito.tipo != Framer::Esito::Niente || m_proprietario) {
                    chi = f;
                    break;
                }
            }
        }
        if (esito.tipo == Framer::Esito::Niente) {
            break;
        }
        const bool ancora = esito.tipo == Framer::Esito::Consegna
                                ? consegna(chi, esito.fine, esito.perStringa)
                                : scarta(chi);
        if (!ancora) {
            break;
        }
        // After a delivery what is left is looked at afresh, from its beginning.
        da = 0;
    }
    m_inEsame = false;
    sfoltisci();
}

void GestoreFramer::iniziaEvento(Framer *consegnante)
{
    m_inEvento = true;
    for (const auto &f : framer()) {
        f->m_fase = Framer::Fase::Inattivo;
    }
    consegnante->setEnabled(false);
}

bool GestoreFramer::fineEvento()
{
    m_inEvento = false;
    const bool riesamina = m_datiInAttesa || m_rilasciato;
    m_datiInAttesa = false;
    m_rilasciato = false;
    if (!m_attivo) {
        return false;
    }
    for (const auto &f : framer()) {
        if (f->m_enabled) {
            f->riarma();
        }
    }
    return riesamina;
}

// A packet handler's error must not leave the manager half-way through a delivery.
template <typename F> void GestoreFramer::eseguiProtetto(F &&azione)
{
    QString errore;
    try {
        azione();
        return;
    } catch (const AbortSilenzioso &) {
        return;
    } catch (const ErroreProgramma &e) {
        errore = e.messaggio();
    } catch (const std::exception &e) {
        errore = QString::fromLocal8Bit(e.what());
    } catch (...) {
        errore = QStringLiteral("Errore imprevisto");
    }
    if (isSignalConnected(QMetaMethod::fromSignal(&GestoreFramer::erroreGestore))) {
        emit erroreGestore(errore);
    } else {
        qWarning("Errore nel gestore di un pacchetto: %s", qPrintable(errore));
    }
}

bool GestoreFramer::consegna(Framer *framer, qint64 fine, bool perStringa)
{
    qsizetype da = qsizetype(framer->m_inizioPacchetto - m_base);
    qsizetype a = qsizetype(fine - m_base);
    if (!framer->m_includeStrings) {
        if (framer->m_startCond == Framer::scString) {
            da += framer->m_inizio.lunghezza();
        }
        if (perStringa) {
            a -= framer->m_fine.lunghezza();
        }
    }
    const QByteArray pacchetto = m_buffer.mid(da, std::max<qsizetype>(0, a - da));
    const QPointer<Framer> guardia(framer);

    iniziaEvento(framer);
    // Whatever came before the packet's end is spent, noise included.
    m_buffer.remove(0, qsizetype(fine - m_base));
    m_base = fine;
    eseguiProtetto([&] {
        emit framer->packet(pacchetto);
        if (guardia) {
            emit framer->stringPacket(QString::fromLatin1(pacchetto));
        }
    });
    if (guardia && guardia->m_autoEnable) {
        eseguiProtetto([&] { guardia->setEnabled(true); });
    }
    fineEvento();
    return m_attivo;
}

bool GestoreFramer::scarta(Framer *framer)
{
    const QPointer<Framer> guardia(framer);
    iniziaEvento(framer);
    m_base += m_buffer.size();
    m_buffer.clear();
    eseguiProtetto([&] {
        if (guardia) {
            emit guardia->timeout();
        }
    });
    return fineEvento();
}

void GestoreFramer::sfoltisci()
{
    if (m_proprietario || m_inEvento) {
        return;
    }
    // Keep only the tail that some framer has begun to match as its start string.
    qsizetype tenere = 0;
    for (const auto &f : std::as_const(m_framer)) {
        if (f && f->m_fase == Framer::Fase::AttesaInizio) {
            tenere = std::max<qsizetype>(tenere, f->m_inizio.parziale());
        }
    }
    tenere = std::min(tenere, m_buffer.size());
    const qsizetype via = m_buffer.size() - tenere;
    if (via == 0) {
        return;
    }
    m_base += via;
    if (m_buffer.capacity() > CapacitaTenuta) {
        m_buffer = m_buffer.right(tenere);
    } else {
        m_buffer.remove(0, via);
    }
}
