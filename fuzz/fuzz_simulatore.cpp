// The simulator on any byte stream: its command reader and the board behind it, and the
// point-setting lines of its standard input.
#include "LettoreComandi.h"
#include "SchedaSimulata.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t dimensione)
{
    const QByteArray flusso(reinterpret_cast<const char *>(dati), qsizetype(dimensione));
    LettoreComandi lettore;
    SchedaSimulata scheda(1);
    // Chunk sizes come from the data itself, so the fuzzer explores the splits too.
    qsizetype pos = 0;
    while (pos < flusso.size()) {
        const qsizetype pezzo = 1 + static_cast<unsigned char>(flusso.at(pos)) % 16;
        for (const QString &comando : lettore.aggiungi(flusso.mid(pos, pezzo))) {
            scheda.esegui(comando);
        }
        pos += pezzo;
    }
    // Lines of the operator's standard input.
    for (const QByteArray &riga : flusso.split('\n')) {
        scheda.imposta(QString::fromUtf8(riga));
    }
    scheda.bloccoContinuo();
    return 0;
}
