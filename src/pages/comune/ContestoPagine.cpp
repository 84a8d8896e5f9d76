#include "pages/comune/ContestoPagine.h"

#include "link/Collegamento.h"
#include "protocol/SessioneScheda.h"

void ContestoPagine::apriPaginaScheda(int pagina, const std::function<void()> &prepara)
{
    caricaConfIni();
    collegamento.VerificaCollegamento();
    mostraPagina(pagina);
    if (prepara) {
        prepara();
    }
    sessione.avviaPerPagina();
}
