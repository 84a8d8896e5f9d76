// The seven page framers on one port, any of them on: any byte stream, in one piece or in
// chunks of any size, and with one framer on the same packets in the same order either way.
#include "link/Framer.h"
#include "link/GestoreFramer.h"
#include "link/Seriale.h"
#include "protocol/FramerPagine.h"

#include <QCoreApplication>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

namespace {

using Pacchetti = QList<std::pair<int, QString>>;

// The first byte says which framers are on; the data follows.
Pacchetti consegna(const QByteArray &flusso, quint8 accesi, const QList<qsizetype> &pezzi)
{
    Seriale porta;
    FramerPagine framer(porta);
    GestoreFramer *gestore = GestoreFramer::perPorta(&porta);
    gestore->portaAperta();
    Pacchetti ricevuti;
    for (int i = 0; i < FramerPagine::Numero; ++i) {
        Framer *f = framer.framer(FramerPagine::Indice(i));
        QObject::connect(f, &Framer::stringPacket, f, [&ricevuti, i](const QString &testo) {
            ricevuti.append({i, testo});
        });
        f->setEnabled((accesi >> i) & 1);
    }
    qsizetype pos = 0;
    for (const qsizetype pezzo : pezzi) {
        gestore->riceviDati(flusso.mid(pos, pezzo));
        pos += pezzo;
    }
    gestore->riceviDati(flusso.mid(pos));
    return ricevuti;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t dimensione)
{
    static int argc = 1;
    static char nome[] = "fuzz_framer";
    static char *argv[] = {nome, nullptr};
    static QCoreApplication applicazione(argc, argv);
    if (dimensione < 2) {
        return 0;
    }
    const quint8 accesi = dati[0];
    const quint8 seme = dati[1];
    const QByteArray flusso(reinterpret_cast<const char *>(dati + 2), qsizetype(dimensione - 2));

    QList<qsizetype> pezzi;
    quint32 stato = seme * 2654435761u + 1;
    for (qsizetype usati = 0; usati < flusso.size();) {
        stato = stato * 1103515245u + 12345u;
        const qsizetype pezzo = 1 + (stato >> 16) % 64;
        pezzi.append(pezzo);
        usati += pezzo;
    }
    const Pacchetti interi = consegna(flusso, accesi, {});
    const Pacchetti aPezzi = consegna(flusso, accesi, pezzi);
    // Each enabled framer examines a whole chunk before the next one does, so with several on,
    // where the chunks end decides which of them takes a packet. With one on it must not.
    if (std::popcount(unsigned(accesi & 0x7f)) <= 1 && interi != aPezzi) {
        std::abort();
    }
    return 0;
}
