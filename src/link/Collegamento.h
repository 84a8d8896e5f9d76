#pragma once

#include "core/TipoCollegamento.h"
#include "link/Temporizzazioni.h"

#include <QList>
#include <QObject>

class TestoStato;
class Trasporto;
class TrasportoMqtt;
class TrasportoSeriale;
class TrasportoTcp;
struct ValoriProgramma;

// Which way the board is reached. The operator's choice in the "Collegamento" menu becomes the
// current link at the next connection check; every other link is then closed. The one place
// that maps a connection kind to its link: the rest of the program talks to a Trasporto.
class Collegamento : public QObject
{
    Q_OBJECT
public:
    Collegamento(const ValoriProgramma &valori, TestoStato &testoStato,
                 const Temporizzazioni &tempi, QObject *parent = nullptr);

    TrasportoSeriale &seriale() const { return *m_seriale; }
    TrasportoTcp &tcp() const { return *m_tcp; }
    TrasportoMqtt &mqtt() const { return *m_mqtt; }
    // Every link, chosen or not.
    QList<Trasporto *> trasporti() const;
    // The link fixed by the last connection check; none before the first.
    Trasporto *trasporto() const { return m_corrente; }
    // The current link is up.
    bool collegamentoAttivo() const;

    // The kind the operator chose in the "Collegamento" menu; none until chosen.
    TipoCollegamento tipoScelto() const { return m_tipoScelto; }
    void setTipoScelto(TipoCollegamento tipo) { m_tipoScelto = tipo; }
    // The kind saved in "Porte.INI"; none when the file says neither.
    TipoCollegamento tipoSalvato() const;
    // Takes the kind saved in "Porte.INI" as the operator's choice; false when it says none.
    bool scegliTipoSalvato();

    // Fixes the current link from the operator's choice and lets it open what opens from its
    // settings alone. With no kind chosen it warns and throws AbortSilenzioso, which ends the
    // calling action.
    void VerificaCollegamento();
    // Starts the current link when it is not up (a board page's entry).
    void avvia();
    // The current link found down when a command is to go out: checked and started again as
    // at a page entry.
    void riavvia();
    // The link part of closing the window.
    void chiudi();

signals:
    // The current link was up and went down on its own.
    void collegamentoPerso();
    // The connection check fixed the link: the link bars give way to the page.
    void tipoVerificato();
    // The connection check moved to another link: nothing shown came from it.
    void collegamentoCambiato();
    // What the operator must read, from whichever link: warning box, notice, error box.
    void avviso(const QString &testo);
    void messaggio(const QString &testo);
    void errore(const QString &testo);

private:
    Trasporto *trasportoPer(TipoCollegamento tipo) const;
    void segnaAvviato();

    const ValoriProgramma &m_valori;
    TipoCollegamento m_tipoScelto = TipoCollegamento::Nessuno;
    TrasportoSeriale *m_seriale = nullptr;
    TrasportoTcp *m_tcp = nullptr;
    TrasportoMqtt *m_mqtt = nullptr;
    Trasporto *m_corrente = nullptr;
    // The link was checked or started by the action under way.
    bool m_appenaAvviato = false;
};
