#pragma once

#include "link/Pausa.h"
#include "link/Temporizzazioni.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class TestoStato;
struct Comando;

// One way to the board (the serial line, a TCP connection). It opens and closes itself from
// its own settings, writes a command with the pacing its link needs, and tells by signal what
// it received, when it came up or went down, and what the operator must read. Whoever holds
// the session never asks which kind of link it is.
class Trasporto : public QObject
{
    Q_OBJECT
public:
    Trasporto(const QString &nome, TestoStato &testoStato, const Temporizzazioni &tempi,
              QObject *parent = nullptr);

    // How the traffic record and the console name the link.
    QString nome() const { return m_nome; }

    // Up: the board can hear and answer.
    virtual bool isAttivo() const = 0;
    // Down for good: nothing can come until it is started again (not even a connection under
    // way).
    virtual bool isGiu() const = 0;
    // The connection check chose this link (at every page entry and every return home): a
    // link that opens from its settings alone does so here, and says its state.
    virtual void scelto() {}
    // Starts the link when it is not up, before a page's first command or a command after a
    // loss; the outcome comes by signal.
    virtual void avvia() = 0;
    // Closes the link on purpose: no loss is told.
    virtual void chiudi() = 0;
    // For a program without the link bars: takes what the link needs from "Porte.INI"; the
    // text says what is missing there, empty when nothing is.
    virtual QString caricaImpostazioni() { return {}; }
    // Where the link goes, for a log line.
    virtual QString descrizione() const { return m_nome; }
    // The log memo gets a line at every read (true) or once per complete response.
    virtual bool logPerLettura() const { return false; }
    // A link whose far end paces the board (the bridge) says itself whether the next command
    // may go: then a ready prompt only lets it go while this says so, and this saying so lets
    // it go without one. Nothing (the board's prompt decides) for a link straight to the board.
    virtual std::optional<bool> prontoProprio() const { return std::nullopt; }
    // The board's silence on this link means it is gone (no prompt for the silence limit);
    // not where presence is told otherwise.
    virtual bool sorvegliaSilenzio() const { return true; }

    // Writes one command with this link's pacing; `scritturaFinita` comes after its last pause.
    void scrivi(const Comando &comando);
    // Text the board reads without a prompt of its own (the fields after a command head).
    void scriviDiretto(const QString &testo);
    bool isInScrittura() const { return m_inScrittura; }
    // Ends a write under way at once (the session closes): no `scritturaFinita`.
    void interrompiScrittura();

    const Temporizzazioni &tempi() const { return m_tempi; }

signals:
    void datiRicevuti(const QByteArray &dati);
    // Bytes just handed to the link.
    void datiScritti(const QByteArray &dati);
    // `tutto`: every piece went out whole.
    void scritturaFinita(bool tutto);
    void aperto();
    // Up, down, or on the way: whoever waits on the link looks again.
    void statoCambiato();
    // A link that was up went down on its own (the board closed it, it failed, it vanished).
    void perso();
    // What the operator must read: a warning box, a plain notice, the standard error box.
    void avviso(const QString &testo);
    void messaggio(const QString &testo);
    void errore(const QString &testo);
    // The board's state was changed by someone else (another panel, a hub): the page on
    // screen may read again.
    void cambiatoAltrove();

protected:
    struct Pezzo
    {
        QByteArray dati;
        int pausaMs = 0;
    };
    // How this link cuts a command, and text written without a prompt, into paced pieces.
    virtual QList<Pezzo> pezzi(const Comando &comando) const = 0;
    virtual QList<Pezzo> pezziDiretti(const QString &testo) const = 0;
    // False when the link took nothing (closed, not connected).
    virtual bool scriviPezzo(const QByteArray &dati) = 0;

    TestoStato &testoStato() const { return m_testoStato; }

private:
    void avviaScrittura(QList<Pezzo> pezzi);
    void prossimoPezzo();

    QString m_nome;
    TestoStato &m_testoStato;
    Temporizzazioni m_tempi;
    Pausa m_pausa;
    QList<Pezzo> m_daScrivere;
    bool m_inScrittura = false;
    bool m_tutto = true;
};
