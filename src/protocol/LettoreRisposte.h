#pragma once

#include "core/EsitoInvio.h"
#include "core/Risposta.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

// One round of the board's continuous output: the digital inputs, then the eight readings.
struct GiroContinuo
{
    Risposta ingressi;
    Risposta analogici;
};

// The one reader of what the board sends, on any link: bytes in, typed replies out. The text
// between two ready prompts is one response. A command that asks for something arms the reader
// as it is written; the response that ends with the next prompt is read for it and handed to
// whoever asked. A round of continuous output goes to whoever listens for the board's state.
class LettoreRisposte : public QObject
{
    Q_OBJECT
public:
    // Past this size without a ready prompt the oldest received text is dropped.
    static constexpr qsizetype MassimoBuffer = 64 * 1024;

    explicit LettoreRisposte(QObject *parent = nullptr);

    // Responses that are not the reply (a round of continuous output, a prompt alone) the
    // reader lets pass while it waits; the next one ends the wait without the reply.
    static constexpr int MassimoRisposteEstranee = 3;

    void ricevi(const QByteArray &dati);
    // The next response answers a command that asked for `tipo` of `unita`; `destinatario`
    // gets it. `Nessuna` with a `destinatario`: the next response, whatever it holds (a command
    // with no reply of its own is answered by the prompt alone); without one, nothing is
    // expected. A reply still awaited is given up, and told.
    void arma(TipoRisposta tipo, int unita, std::function<void(const Risposta &)> destinatario);
    // A reply is awaited: the prompts that come meanwhile do not end the command.
    bool isInAttesa() const { return m_inAttesa; }
    // Forgets the text under way and any reply expected (a new link, a lost one).
    void azzera();
    // The log memo gets a line at every read (TCP) or once per response (serial).
    void setLogPerLettura(bool perLettura) { m_logPerLettura = perLettura; }

    // How a response reads for a reply of `tipo`.
    static Risposta leggi(const QString &testo, TipoRisposta tipo, int unita = -1);
    // The continuous output's round, when the response is one.
    static bool isGiroContinuo(const QString &testo);
    static GiroContinuo leggiGiro(const QString &testo);

signals:
    // One line for the log memo.
    void rigaLog(const QString &testo);
    // A response has ended with a ready prompt; `continuo`: it was a round of continuous output.
    // Sent after the reply it carried was handed over.
    void pronto(bool continuo);
    void giroContinuo(const GiroContinuo &giro);
    // A reply read for the command that asked for it, after it was handed over: for whoever
    // keeps what the board said (the history).
    void rispostaLetta(const Risposta &risposta);
    // A response lost its oldest text to the buffer limit: what it carried is not all shown.
    void rispostaIncompleta();
    // A command that asked for something got no reply: what it asked for is not shown.
    void rispostaMancante();

private:
    void riceviParte(QByteArrayView dati, bool ultima);
    // One response, whose first character was the `posizione`-th received.
    void risposta(const QString &testo, qint64 posizione);
    // Hands `r` to whoever awaited it and ends the wait; without the reply, tells it missing
    // when `diMancante`.
    void consegna(const Risposta &r, bool diMancante);

    QString m_buffer;
    bool m_troncata = false;
    bool m_logPerLettura = false;
    bool m_inAttesa = false;
    TipoRisposta m_attesa = TipoRisposta::Nessuna;
    int m_unita = -1;
    std::function<void(const Risposta &)> m_destinatario;
    // Responses passed while the armed reply has not come.
    int m_estranee = 0;
    // Characters received since the start, and how many of them had come when the expected
    // reply was armed.
    qint64 m_ricevuti = 0;
    qint64 m_limiteArmato = 0;
};
