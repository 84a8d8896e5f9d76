#include "link/Collegamento.h"

#include "core/Errori.h"
#include "core/ValoriProgramma.h"
#include "link/TrasportoSeriale.h"
#include "link/TrasportoTcp.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"

Collegamento::Collegamento(const ValoriProgramma &valori, TestoStato &testoStato,
                           const Temporizzazioni &tempi, QObject *parent)
    : QObject(parent), m_valori(valori),
      m_seriale(new TrasportoSeriale(valori, testoStato, tempi, this)),
      m_tcp(new TrasportoTcp(valori, testoStato, tempi, this))
{
    for (Trasporto *trasporto : trasporti()) {
        connect(trasporto, &Trasporto::perso, this, [this, trasporto] {
            if (trasporto == m_corrente) {
                m_perso = true;
                emit collegamentoPerso();
            }
        });
        connect(trasporto, &Trasporto::aperto, this, [this, trasporto] {
            if (trasporto == m_corrente) {
                m_perso = false;
            }
        });
        connect(trasporto, &Trasporto::avviso, this, &Collegamento::avviso);
        connect(trasporto, &Trasporto::messaggio, this, &Collegamento::messaggio);
        connect(trasporto, &Trasporto::errore, this, &Collegamento::errore);
    }
}

QList<Trasporto *> Collegamento::trasporti() const
{
    return {m_seriale, m_tcp};
}

Trasporto *Collegamento::trasportoPer(TipoCollegamento tipo) const
{
    switch (tipo) {
    case TipoCollegamento::Seriale:
        return m_seriale;
    case TipoCollegamento::Tcp:
        return m_tcp;
    case TipoCollegamento::Nessuno:
        break;
    }
    return nullptr;
}

bool Collegamento::collegamentoAttivo() const
{
    return m_corrente && m_corrente->isAttivo();
}

TipoCollegamento Collegamento::tipoSalvato() const
{
    const QString collegamento =
        LeggiIni(m_valori.filePorte, LayoutIni::kSezTipo, LayoutIni::kChiaveCollegamento);
    if (collegamento == QLatin1String("0")) {
        return TipoCollegamento::Seriale;
    }
    if (collegamento == QLatin1String("1")) {
        return TipoCollegamento::Tcp;
    }
    return TipoCollegamento::Nessuno;
}

bool Collegamento::scegliTipoSalvato()
{
    const TipoCollegamento salvato = tipoSalvato();
    if (salvato == TipoCollegamento::Nessuno) {
        return false;
    }
    m_tipoScelto = salvato;
    return true;
}

void Collegamento::VerificaCollegamento()
{
    Trasporto *scelto = trasportoPer(m_tipoScelto);
    if (!scelto) {
        m_corrente = nullptr;
        emit avviso(QStringLiteral("Attenzione non e' stato definito il collegamento"));
        throw AbortSilenzioso{};
    }
    if (scelto != m_corrente) {
        m_perso = false;
    }
    m_corrente = scelto;
    emit tipoVerificato();
    // A board still talking on a link no longer chosen must not keep the page looking live.
    for (Trasporto *altro : trasporti()) {
        if (altro != scelto) {
            altro->chiudi();
        }
    }
    scelto->scelto();
}

void Collegamento::avvia()
{
    if (m_corrente && !m_corrente->isAttivo()) {
        // Started again: the page's first command must not start it a second time.
        m_perso = false;
        m_corrente->avvia();
    }
}

void Collegamento::riavvia()
{
    // Only a link that was up and went down: one that has just failed to start at the page
    // entry has already told the operator why.
    if (!m_perso || collegamentoAttivo()) {
        return;
    }
    m_perso = false;
    VerificaCollegamento();
    avvia();
}

void Collegamento::chiudi()
{
    for (Trasporto *trasporto : trasporti()) {
        trasporto->interrompiScrittura();
    }
    if (m_corrente) {
        m_corrente->chiudi();
    }
}
