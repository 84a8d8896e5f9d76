#pragma once

#include <QObject>
#include <QString>

#include <functional>

class PaginaBase;
class SessioneScheda;
class TestoStato;

// Keeps the operator from reading old values as live: when the link is lost, or the session
// finds the board silent with a board page open, the pages take their not-current look and
// status panel 1 says why. The next response clears the reason.
class SorveglianzaPagine : public QObject
{
    Q_OBJECT
public:
    // `paginaAperta`: the board or peripheral page on screen, null for home and configuration;
    // `pagine`: every page that shows board points.
    SorveglianzaPagine(SessioneScheda &sessione, TestoStato &testoStato,
                       std::function<PaginaBase *()> paginaAperta,
                       std::function<QList<PaginaBase *>()> pagine, QObject *parent = nullptr);

    // The page on screen changed: an entry still waiting for the link is abandoned, and the
    // silence is counted from now while a board page is open.
    void paginaCambiata();
    // A reply was dropped whole or in part: the page on screen shows values the board may no
    // longer have.
    void rispostaIncompleta();
    // A command that asked for something got no reply: the page on screen does not show it.
    void rispostaMancante();
    // Every page that shows board points takes its not-current look.
    void segnaTutteNonAttuali();

    static QString testoCollegamentoPerso() { return QStringLiteral("Collegamento perso"); }
    static QString testoSchedaMuta() { return QStringLiteral("La scheda non risponde"); }
    static QString testoRispostaIncompleta()
    {
        return QStringLiteral("Risposta della scheda incompleta: valori non aggiornati");
    }
    static QString testoRispostaMancante()
    {
        return QStringLiteral("Nessuna risposta della scheda: valori non aggiornati");
    }

private:
    void collegamentoPerso();
    void silenzio();
    void pronto();
    void mostraMotivo(const QString &motivo);
    // The page on screen is not current; told while its own response is handled.
    void valoriNonAggiornati(const QString &motivo);

    SessioneScheda &m_sessione;
    TestoStato &m_testoStato;
    std::function<PaginaBase *()> m_paginaAperta;
    std::function<QList<PaginaBase *>()> m_pagine;
    QString m_motivo;
    bool m_tieniMotivo = false;
};
