// TCP reception in the real main window: any text, in any reply kind, through every reply
// parser the pages have registered (a page added later is fuzzed as it registers).
#include "app/TfrmMain.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "protocol/Ricezione.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t dimensione)
{
    static int argc = 1;
    static char nome[] = "fuzz_ricezione";
    static char *argv[] = {nome, nullptr};
    static const bool piattaforma = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication applicazione(argc, argv);
    static QTemporaryDir cartella;
    static MessaggiRegistrati messaggi;
    static TfrmMain finestra(&messaggi, cartella.path());
    (void)piattaforma;
    if (dimensione < 2) {
        return 0;
    }
    ValoriProgramma &valori = finestra.valori();
    valori.bufferRicezione.clear();
    valori.modoContinuo = (dati[0] & 0x10) ? QStringLiteral("1") : QStringLiteral("0");
    valori.tipoRisposta = dati[0] % 9;
    const QByteArray flusso(reinterpret_cast<const char *>(dati + 2), qsizetype(dimensione - 2));
    const qsizetype pezzo = 1 + dati[1];
    for (qsizetype pos = 0; pos < flusso.size(); pos += pezzo) {
        finestra.ricezione().riceviTcp(flusso.mid(pos, pezzo));
    }
    // The prompt that makes whatever came a complete response.
    valori.tipoRisposta = dati[0] % 9;
    finestra.ricezione().riceviTcp("F?");
    QCoreApplication::processEvents();
    messaggi.svuota();
    return 0;
}
