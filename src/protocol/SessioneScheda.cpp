#include "protocol/SessioneScheda.h"

#include "core/Errori.h"
#include "link/Collegamento.h"
#include "link/Comando.h"
#include "link/Invio.h"
#include "link/RegistroTraffico.h"
#include "link/Trasporto.h"

#include <exception>
#include <utility>

SessioneScheda::SessioneScheda(const ValoriProgramma &valori, TestoStato &testoStato,
                               const Temporizzazioni &tempi, QObject *parent)
    : QObject(parent), m_tempi(tempi)
{
    m_collegamento = new Collegamento(valori, testoStato, tempi, this);
    m_lettore = new LettoreRisposte(this);
    m_invio = new Invio(*m_collegamento, testoStato, this);
    m_invio->setAttesaPronto(tempi.attesaProntoMs);
    m_invio->setAttesaIngresso(tempi.attesaIngressoMs);
    m_registro = new RegistroTraffico(this);

    m_silenzio.setSingleShot(true);
    // A coarse timer may fire 5 % early: the board would be called silent before its time.
    m_silenzio.setTimerType(Qt::PreciseTimer);
    m_silenzio.setInterval(tempi.silenzioMs);
    connect(&m_silenzio, &QTimer::timeout, this, [this] {
        // A link that tells presence its own way: no prompt for a while is no loss there.
        if (const Trasporto *t = m_collegamento->trasporto(); t && !t->sorvegliaSilenzio()) {
            return;
        }
        m_viva = false;
        // The reply of a command whose prompt never came is not coming either.
        m_lettore->arma(TipoRisposta::Nessuna, -1, {});
        if (const Trasporto *trasporto = m_collegamento->trasporto()) {
            emit eventoCollegamento(trasporto->nome(),
                                    QStringLiteral("La scheda non risponde: nessun segnale di "
                                                   "pronto da %1 ms")
                                        .arg(m_silenzio.interval()));
        }
        emit schedaMuta();
    });

    for (Trasporto *trasporto : m_collegamento->trasporti()) {
        connect(trasporto, &Trasporto::datiRicevuti, this, [this, trasporto](const QByteArray &d) {
            emit datiRicevuti(trasporto->nome(), d);
            m_registro->ricevuti(trasporto->nome(), d);
            // A link no longer chosen says nothing of the board in use.
            if (trasporto == m_collegamento->trasporto() && !m_chiusa) {
                m_lettore->ricevi(d);
            }
        });
        connect(trasporto, &Trasporto::datiScritti, this, [this, trasporto](const QByteArray &d) {
            emit datiScritti(trasporto->nome(), d);
            m_registro->scritti(trasporto->nome(), d);
        });
        const auto evento = [this, trasporto](const QString &testo) {
            emit eventoCollegamento(trasporto->nome(), testo);
        };
        connect(trasporto, &Trasporto::perso, this,
                [evento] { evento(QStringLiteral("Collegamento perso")); });
        for (auto segnale : {&Trasporto::avviso, &Trasporto::messaggio, &Trasporto::errore}) {
            connect(trasporto, segnale, this, evento);
        }
        connect(trasporto, &Trasporto::aperto, this, [this, trasporto, evento] {
            evento(QStringLiteral("Collegamento aperto"));
            if (trasporto == m_collegamento->trasporto()) {
                // What came before belongs to no response of this link.
                m_lettore->azzera();
                m_viva = false;
                m_silenzio.start();
            }
        });
    }
    connect(m_collegamento, &Collegamento::tipoVerificato, this, [this] {
        m_lettore->setLogPerLettura(m_collegamento->trasporto()->logPerLettura());
    });
    connect(m_collegamento, &Collegamento::collegamentoPerso, this, [this] {
        m_viva = false;
        m_silenzio.stop();
        m_lettore->azzera();
        emit collegamentoPerso();
    });
    connect(m_collegamento, &Collegamento::errore, this, &SessioneScheda::errore);
    connect(m_lettore, &LettoreRisposte::pronto, this, &SessioneScheda::prontoLetto);

    // A command whose sender wants its reply gets the next response read for it (for a
    // command with no reply of its own, the response as it is); the reply, and whatever its
    // reader throws, never leave from inside the link's notification as a box.
    m_invio->setPreparaRisposta([this](const Comando &comando, const EsitoInvio &esito) {
        emit comandoInScrittura(comando);
        if (!esito.risposta) {
            m_lettore->arma(TipoRisposta::Nessuna, -1, {});
            return;
        }
        m_lettore->arma(comando.attesa, comando.unita,
                        [this, destinatario = esito.risposta](const Risposta &r) {
                            if (consegna([&] { destinatario(r); }) && !r.errore.isEmpty()) {
                                erroreDopo(r.errore);
                            }
                        });
    });
}

void SessioneScheda::setContinuo(bool acceso)
{
    m_continuo = acceso;
}

void SessioneScheda::prontoLetto(bool continuo)
{
    m_viva = true;
    m_silenzio.start();
    m_continuo = continuo;
    emit modoContinuo(continuo);
    emit pronto();
    // Last: the sender may write its next command at once. Not while the reply of the one
    // before is still awaited: the prompt came before the board had that command, and the
    // next command would take its reply.
    if (!m_lettore->isInAttesa()) {
        m_invio->pronto();
    }
}

void SessioneScheda::avviaPerPagina()
{
    m_collegamento->avvia();
    // The board not heard yet on this link (starting, or just opened): the first command may
    // wait for it as long as an entry does.
    if (!m_collegamento->collegamentoAttivo() || !m_viva) {
        m_invio->attendiIngresso();
    }
    sorveglia();
}

void SessioneScheda::sorveglia()
{
    if (m_collegamento->trasporto() && !m_chiusa) {
        m_silenzio.start();
    }
}

void SessioneScheda::perOgniGiro(QObject *contesto,
                                 std::function<void(const GiroContinuo &)> ricevente)
{
    connect(m_lettore, &LettoreRisposte::giroContinuo, contesto,
            [this, ricevente = std::move(ricevente)](const GiroContinuo &giro) {
                consegna([&] { ricevente(giro); });
            });
}

bool SessioneScheda::consegna(const std::function<void()> &consegna)
{
    try {
        consegna();
    } catch (const AbortSilenzioso &) {
    } catch (const ErroreProgramma &e) {
        erroreDopo(e.messaggio());
        return false;
    } catch (const std::exception &e) {
        erroreDopo(QString::fromLocal8Bit(e.what()));
        return false;
    }
    return true;
}

void SessioneScheda::erroreDopo(const QString &testo)
{
    QTimer::singleShot(0, this, [this, testo] { emit errore(testo); });
}

void SessioneScheda::chiudi()
{
    m_chiusa = true;
    m_silenzio.stop();
    m_invio->ferma();
    m_lettore->azzera();
    m_collegamento->chiudi();
}
