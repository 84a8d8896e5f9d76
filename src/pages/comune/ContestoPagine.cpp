#include "pages/comune/ContestoPagine.h"

#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Framer.h"

void ContestoPagine::apriPaginaScheda(int pagina, FramerPagine::Indice framerPagina,
                                      const std::function<void()> &prepara)
{
    caricaConfIni();
    collegamento.VerificaCollegamento();
    mostraPagina(pagina);
    if (prepara) {
        prepara();
    }
    collegamento.avviaPerPagina();
    if (valori.tipoCollegamento == TipoCollegamento::Seriale) {
        valori.contatoreIA = 1;
        framer.framer(framerPagina)->setEnabled(true);
    }
}
