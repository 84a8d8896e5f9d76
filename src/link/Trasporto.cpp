#include "link/Trasporto.h"

#include "link/Comando.h"

#include <utility>

Trasporto::Trasporto(const QString &nome, TestoStato &testoStato, const Temporizzazioni &tempi,
                     QObject *parent)
    : QObject(parent), m_nome(nome), m_testoStato(testoStato), m_tempi(tempi), m_pausa(this)
{
    connect(&m_pausa, &Pausa::finita, this, &Trasporto::prossimoPezzo);
}

void Trasporto::scrivi(const Comando &comando)
{
    avviaScrittura(pezzi(comando));
}

void Trasporto::scriviDiretto(const QString &testo)
{
    avviaScrittura(pezziDiretti(testo));
}

void Trasporto::interrompiScrittura()
{
    m_pausa.ferma();
    m_daScrivere.clear();
    m_inScrittura = false;
}

void Trasporto::avviaScrittura(QList<Pezzo> pezzi)
{
    Q_ASSERT(!m_inScrittura);
    m_daScrivere = std::move(pezzi);
    m_inScrittura = true;
    m_tutto = true;
    prossimoPezzo();
}

void Trasporto::prossimoPezzo()
{
    if (!m_inScrittura) {
        return;
    }
    if (m_daScrivere.isEmpty()) {
        m_inScrittura = false;
        emit scritturaFinita(m_tutto);
        return;
    }
    const Pezzo pezzo = m_daScrivere.takeFirst();
    // A link that takes nothing loses the piece; the pause is kept all the same, so the
    // command takes its time whatever happened to it. The pause counts from the write, before
    // anyone hears of it.
    const bool scritto = scriviPezzo(pezzo.dati);
    m_tutto = m_tutto && scritto;
    m_pausa.avvia(pezzo.pausaMs);
    if (scritto) {
        emit datiScritti(pezzo.dati);
    }
}
