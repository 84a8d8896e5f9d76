#pragma once

#include "core/EsitoInvio.h"
#include "pages/comune/PaginaBase.h"

#include <array>
#include <functional>

class GruppoRadio;
class PannelloPunto;
class QGridLayout;
struct ContestoPagine;

// Frame shared by the three peripheral unit pages: the unit selector on the left, the unit's
// eight points in two columns on the right with the buttons for the selected unit between
// them, and the rules every such page follows for the selected unit.
class PaginaPeriferica : public PaginaBase
{
    Q_OBJECT
public:
    GruppoRadio *gruppoUnita() const { return m_gruppo; }
    // Selected unit 0..7, -1 with none.
    int unitaSelezionata() const;
    // The input focus entering the page: back to "Unità 1", which asks for that unit's states
    // when the selection changes.
    void selezionaPrimaUnita();

protected:
    PaginaPeriferica(ContestoPagine &contesto, const QString &nomeFoglio, const QString &nomeTitolo,
                     const QString &titolo, const QString &nomeGruppo, QWidget *parent);

    // Point n (1..8): 1-4 top to bottom in the left column, 5-8 in the right one.
    void posizionaPunto(QWidget *punto, int n, Qt::Alignment allineamento = {});
    // Eight point panels named `radice`1..8, captioned `testo` with %1 for the number.
    std::array<PannelloPunto *, 8> creaPannelliUnita(const QString &radice, const QString &testo);
    // The states of a reply, when it has its frame and answers the unit still selected.
    void mostraStati(const std::array<PannelloPunto *, 8> &pannelli, const Risposta &risposta);
    static void azzeraStati(const std::array<PannelloPunto *, 8> &pannelli);
    // Between the two columns of points, level with row `riga` (0..3): the buttons that act
    // on the selected unit.
    void posizionaAlCentro(QWidget *widget, int riga, Qt::Alignment allineamento);

    bool haCollegamento() const;
    // `esito` with its reply handed to `mostra`.
    static EsitoInvio conRisposta(std::function<void(const Risposta &)> mostra,
                                  EsitoInvio esito = {});
    // A reply answers the unit on screen; a late one for the unit selected before must not
    // paint under the new one.
    bool rispostaDellaUnitaScelta(const Risposta &risposta) const;
    // Opening the page: "Unità 1" becomes the selection without a request of its own, so the
    // first request and the selector agree.
    void selezionaPrimaUnitaSenzaRichiesta();

    // Another unit was selected: nothing on screen belongs to it yet.
    virtual void azzeraPunti() = 0;
    // The selector's click handler (rgUDPClick, rgIDPClick, rgUAPClick).
    virtual void unitaScelta() = 0;

    ContestoPagine &m_contesto;

private:
    void selezioneCambiata(int indice, bool scelta);

    GruppoRadio *m_gruppo = nullptr;
    QGridLayout *m_griglia = nullptr;
    bool m_senzaRichiesta = false;
};
