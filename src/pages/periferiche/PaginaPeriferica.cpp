#include "pages/periferiche/PaginaPeriferica.h"

#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/widgets/GruppoRadio.h"
#include "pages/widgets/PannelloPunto.h"
#include "pages/widgets/ScalaPagina.h"
#include "protocol/Protocollo.h"

#include <QPointer>
#include <QGridLayout>
#include <QRadioButton>

namespace {

constexpr int kUnita = 8;
constexpr int kColonnaGruppo = 0;
constexpr int kColonnaSinistra = 1;
constexpr int kColonnaCentro = 2;
constexpr int kColonnaDestra = 3;

} // namespace

PaginaPeriferica::PaginaPeriferica(ContestoPagine &contesto, const QString &nomeFoglio,
                                   const QString &nomeTitolo, const QString &titolo,
                                   const QString &nomeGruppo, QWidget *parent)
    : PaginaBase(nomeFoglio, parent), m_contesto(contesto)
{
    aggiungiTitolo(nomeTitolo, titolo);

    QStringList voci;
    for (int n = 1; n <= kUnita; ++n) {
        voci << QStringLiteral("Unità %1").arg(n);
    }
    m_gruppo = new GruppoRadio(nomeGruppo, QString(), voci, 1, contenuto());
    m_gruppo->setItemIndex(0);
    // A change made from code asks for the new unit just like the operator's click.
    for (int i = 0; i < kUnita; ++i) {
        connect(
            m_gruppo->voce(i), &QRadioButton::toggled, this,
            protetto(contesto.messaggi, [this, i](bool scelta) { selezioneCambiata(i, scelta); }));
    }

    m_griglia = new QGridLayout(contenuto());
    m_griglia->setContentsMargins(12, 12, 16, 12);
    m_griglia->setHorizontalSpacing(16);
    m_griglia->setVerticalSpacing(10);
    scala().spazi(m_griglia);
    m_griglia->addWidget(m_gruppo, 0, kColonnaGruppo, 4, 1, Qt::AlignTop);
    m_griglia->setColumnStretch(kColonnaSinistra, 1);
    m_griglia->setColumnStretch(kColonnaDestra, 1);
}

int PaginaPeriferica::unitaSelezionata() const
{
    return m_gruppo->itemIndex();
}

void PaginaPeriferica::posizionaPunto(QWidget *punto, int n, Qt::Alignment allineamento)
{
    m_griglia->addWidget(punto, (n - 1) % 4, n <= 4 ? kColonnaSinistra : kColonnaDestra,
                         allineamento);
}

std::array<PannelloPunto *, 8> PaginaPeriferica::creaPannelliUnita(const QString &radice,
                                                                   const QString &testo)
{
    std::array<PannelloPunto *, 8> pannelli{};
    for (int n = 1; n <= 8; ++n) {
        auto *pannello = new PannelloPunto(radice + QString::number(n), contenuto());
        pannello->impostaNome(testo.arg(n));
        posizionaPunto(pannello, n);
        pannelli[n - 1] = pannello;
    }
    return pannelli;
}

void PaginaPeriferica::mostraStati(const std::array<PannelloPunto *, 8> &pannelli,
                                   const Risposta &risposta)
{
    if (!risposta.trovata() || !rispostaDellaUnitaScelta(risposta)) {
        return;
    }
    for (int i = 0; i < 8; ++i) {
        pannelli[i]->impostaStato(risposta.stati[i]);
    }
}

void PaginaPeriferica::azzeraStati(const std::array<PannelloPunto *, 8> &pannelli)
{
    for (PannelloPunto *pannello : pannelli) {
        pannello->azzeraStato();
    }
}

void PaginaPeriferica::posizionaAlCentro(QWidget *widget, int riga, Qt::Alignment allineamento)
{
    m_griglia->addWidget(widget, riga, kColonnaCentro, allineamento);
}

EsitoInvio PaginaPeriferica::conRisposta(std::function<void(const Risposta &)> mostra,
                                         EsitoInvio esito)
{
    esito.risposta = std::move(mostra);
    return esito;
}

bool PaginaPeriferica::rispostaDellaUnitaScelta(const Risposta &risposta) const
{
    return risposta.unita == unitaSelezionata();
}

bool PaginaPeriferica::haCollegamento() const
{
    return m_contesto.collegamento.trasporto() != nullptr;
}

void PaginaPeriferica::selezionaPrimaUnita()
{
    m_gruppo->setItemIndex(0);
}

void PaginaPeriferica::selezionaPrimaUnitaSenzaRichiesta()
{
    m_senzaRichiesta = true;
    m_gruppo->setItemIndex(0);
    m_senzaRichiesta = false;
}

void PaginaPeriferica::selezioneCambiata(int indice, bool scelta)
{
    if (!scelta || indice != unitaSelezionata()) {
        return;
    }
    azzeraPunti();
    if (!m_senzaRichiesta) {
        unitaScelta();
    }
}
