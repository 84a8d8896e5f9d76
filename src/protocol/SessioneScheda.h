#pragma once

#include "core/Risposta.h"
#include "link/Comando.h"
#include "link/Temporizzazioni.h"
#include "protocol/LettoreRisposte.h"

#include <QObject>
#include <QTimer>

#include <functional>

class Collegamento;
class Invio;
class RegistroTraffico;
class TestoStato;
struct ValoriProgramma;

// One conversation with the board, for the panel and for the bridge alike: the link, the one
// reply reader, the paced sender and the traffic record, wired in the one order that works;
// and the session's own state: whether the board's continuous output is on, whether the board
// is alive (a ready prompt within the silence limit), and closing. It tells by signals and
// touches no widget.
class SessioneScheda : public QObject
{
    Q_OBJECT
public:
    SessioneScheda(const ValoriProgramma &valori, TestoStato &testoStato,
                   const Temporizzazioni &tempi = {}, QObject *parent = nullptr);

    Collegamento &collegamento() const { return *m_collegamento; }
    LettoreRisposte &lettore() const { return *m_lettore; }
    Invio &invio() const { return *m_invio; }
    RegistroTraffico &registroTraffico() const { return *m_registro; }
    const Temporizzazioni &tempi() const { return m_tempi; }

    // The board's continuous output as its last response showed it, or as the operator last
    // switched it: the one thing that tells whether "*/C" would stop the stream or start it.
    bool isContinuo() const { return m_continuo; }
    void setContinuo(bool acceso);
    // A ready prompt came within the silence limit.
    bool isViva() const { return m_viva; }

    // A board page is entered: the current link starts if it is not up, the page's first
    // command may wait for the link as long as an entry does, and the silence watch starts.
    void avviaPerPagina();
    // Starts the silence watch again from now.
    void sorveglia();
    // Every round of continuous output reaches `ricevente` while `contesto` lives; what it
    // throws goes to the standard error box.
    void perOgniGiro(QObject *contesto, std::function<void(const GiroContinuo &)> ricevente);
    // Ends every send at once and closes the link.
    void chiudi();
    bool isChiusa() const { return m_chiusa; }

signals:
    // Errors of the link or of a reply, for the standard error box; sent once the link's own
    // notification has returned.
    void errore(const QString &testo);
    // The board's continuous output was found on or off at a response.
    void modoContinuo(bool acceso);
    // A response ended with a ready prompt.
    void pronto();
    // The link was up and went down on its own.
    void collegamentoPerso();
    // No ready prompt for the silence limit.
    void schedaMuta();
    // A command is about to be written, its prompt having come.
    void comandoInScrittura(const Comando &comando);
    // Traffic as it passed, with the name of its link.
    void datiScritti(const QString &collegamento, const QByteArray &dati);
    void datiRicevuti(const QString &collegamento, const QByteArray &dati);
    // Something happened to a link: opened, lost, refused, no device, the board silent. The
    // text says it to the operator.
    void eventoCollegamento(const QString &collegamento, const QString &testo);

private:
    void prontoLetto(bool continuo);
    // Runs what hands a reply over; what it throws goes to the error box. False when it threw
    // an error.
    bool consegna(const std::function<void()> &consegna);
    void erroreDopo(const QString &testo);

    Temporizzazioni m_tempi;
    Collegamento *m_collegamento = nullptr;
    LettoreRisposte *m_lettore = nullptr;
    Invio *m_invio = nullptr;
    RegistroTraffico *m_registro = nullptr;
    QTimer m_silenzio;
    bool m_continuo = false;
    bool m_viva = false;
    bool m_chiusa = false;
};
