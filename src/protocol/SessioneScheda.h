#pragma once

#include <QObject>

#include <functional>

class Collegamento;
class FramerPagine;
class Invio;
class RegistroTraffico;
class Ricezione;
class TestoStato;
struct ValoriProgramma;

// The objects that talk to the board, built and wired in the one order that works: the link,
// the serial reply framers (attached before reception, so they see each read first), the
// reception, the paced senders and the traffic record. Whoever shows things to the operator
// connects to their signals; nothing here touches a widget.
class SessioneScheda : public QObject
{
    Q_OBJECT
public:
    // `paginaAttiva`: the page on screen, as the reply kind counts pages.
    SessioneScheda(ValoriProgramma &valori, TestoStato &testoStato,
                   std::function<int()> paginaAttiva, QObject *parent = nullptr);

    Collegamento &collegamento() const { return *m_collegamento; }
    FramerPagine &framer() const { return *m_framer; }
    Ricezione &ricezione() const { return *m_ricezione; }
    Invio &invio() const { return *m_invio; }
    RegistroTraffico &registroTraffico() const { return *m_registro; }

    // The link part of closing: every framer off on the serial line, the connection closed.
    void chiudi();

signals:
    // Errors of the link, of a reply or of a reply handler, for the standard error box.
    void errore(const QString &testo);

private:
    ValoriProgramma &m_valori;
    Collegamento *m_collegamento = nullptr;
    FramerPagine *m_framer = nullptr;
    Ricezione *m_ricezione = nullptr;
    Invio *m_invio = nullptr;
    RegistroTraffico *m_registro = nullptr;
};
