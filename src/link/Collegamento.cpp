#include "link/Collegamento.h"

#include "core/Errori.h"
#include "core/ValoriProgramma.h"
#include "link/TrasportoMqtt.h"
#include "link/TrasportoSeriale.h"
#include "link/TrasportoTcp.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"

#include <QTimer>

#include <utility>

Collegamento::Collegamento(const ValoriProgramma &valori, TestoStato &testoStato,
                           const Temporizzazioni &tempi, QObject *parent)
    : QObject(parent), m_valori(valori),
      m_seriale(new TrasportoSeriale(valori, testoStato, tempi, this)),
      m_tcp(new TrasportoTcp(valori, testoStato, tempi, this)),
      m_mqtt(new TrasportoMqtt(valori, testoStato, tempi, this))
{
    for (Trasporto *trasporto : trasporti()) {
        connect(trasporto, &Trasporto::perso, this, [this, trasporto] {
            if (trasporto == m_corrente) {
                emit collegamentoPerso();
            }
        });
        connect(trasporto, &Trasporto::avviso, this, &Collegamento::avviso);
        connect(trasporto, &Trasporto::messaggio, this, &Collegamento::messaggio);
        connect(trasporto, &Trasporto::errore, this, &Collegamento::errore);
    }
}

QList<Trasporto *> Collegamento::trasporti() const
{
    return {m_seriale, m_tcp, m_mqtt};
}

Trasporto *Collegamento::trasportoPer(TipoCollegamento tipo) const
{
    switch (tipo) {
    case TipoCollegamento::Seriale:
        return m_seriale;
    case TipoCollegamento::Tcp:
        return m_tcp;
    case TipoCollegamento::Mqtt:
        return m_mqtt;
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
    if (collegamento == QLatin1String("2")) {
        return TipoCollegamento::Mqtt;
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
    const bool cambiato = m_corrente && scelto != m_corrente;
    m_corrente = scelto;
    segnaAvviato();
    emit tipoVerificato();
    if (cambiato) {
        emit collegamentoCambiato();
    }
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
        segnaAvviato();
        m_corrente->avvia();
    }
}

void Collegamento::segnaAvviato()
{
    // Until the action that started the link has returned.
    if (!std::exchange(m_appenaAvviato, true)) {
        QTimer::singleShot(0, this, [this] { m_appenaAvviato = false; });
    }
}

void Collegamento::riavvia()
{
    // Any link found down is started again, whatever happened before, so a command after a
    // loss or a failed start tries once more and says why it cannot. Not a link the same
    // action has just started (a page entry): it is on its way or has told why already.
    if (!m_corrente || !m_corrente->isGiu() || m_appenaAvviato) {
        return;
    }
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
