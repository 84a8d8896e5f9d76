#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One event of the logbook: what happened, to which point, and who did it.
struct EventoStorico
{
    enum class Tipo {
        ReleCommutato = 1,
        IngressoCambiato = 2,
        AllarmeAttivo = 3,
        AllarmeRientrato = 4,
        CollegamentoPerso = 5,
        CollegamentoRipristinato = 6,
        ImpostazioniInviate = 7,
        UscitaCambiata = 8,
    };
    // Who caused a change: the board's own doing or not known, this panel, the bridge for Home
    // Assistant, or someone else on the same board (another panel).
    enum class Origine { Scheda = 0, Pannello = 1, Ponte = 2, AltroPannello = 3 };

    qint64 ms = 0;
    Tipo tipo = Tipo::IngressoCambiato;
    // PuntoStorico::codice(), 0 for none.
    int punto = 0;
    qint64 valore = 0;
    Origine origine = Origine::Scheda;
    QString testo;
};

// One analog input reading: raw and scaled as the page shows it.
struct LetturaAnalogica
{
    int ingresso = 1;
    qint64 ms = 0;
    int grezzo = 0;
    qint64 valore = 0;
};

// A digital point's new state, or an analog output's level, at a time.
struct CambioStato
{
    int punto = 0;
    qint64 ms = 0;
    qint64 valore = 0;
};

// The name and unit an input carries from `daMs` on.
struct EtichettaIngresso
{
    int ingresso = 1;
    qint64 daMs = 0;
    QString nome;
    QString unita;
};

// What one transaction writes.
struct LottoStorico
{
    QList<LetturaAnalogica> letture;
    QList<CambioStato> stati;
    QList<EventoStorico> eventi;
    QList<EtichettaIngresso> etichette;

    qsizetype size() const
    {
        return letture.size() + stati.size() + eventi.size() + etichette.size();
    }
    bool isEmpty() const { return size() == 0; }
    void unisci(LottoStorico &&altro)
    {
        letture.append(std::move(altro.letture));
        stati.append(std::move(altro.stati));
        eventi.append(std::move(altro.eventi));
        etichette.append(std::move(altro.etichette));
    }
};
