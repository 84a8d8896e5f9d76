// The reply reader on any byte stream, with every reply kind armed in turn. Delivered whole or in
// chunks of any size, the same bytes give the same replies, rounds, prompts and log lines; the
// log loses and repeats nothing; a reply armed at a prompt never takes text from the read that
// brought that prompt; and no response, log line or buffer outgrows the reader's limit.
//
// Input: byte 0 holds flags (below), byte 1 seeds the chunk sizes, the rest is what the board
// sends. A 0xFF byte ends one exchange: the next reply kind is armed there, between two reads,
// as the sender does once it has written a command.
#include "core/Risposta.h"
#include "protocol/LettoreRisposte.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr int NumeroTipi = 8; // TipoRisposta::Nessuna .. TipoRisposta::CanaliUnita
constexpr char FineScambio = '\xff';

struct Opzioni
{
    int primoTipo = 0;
    int unita = -1;
    // The log gets a line at every read, as on TCP.
    bool logPerLettura = false;
    // Arm the next kind from inside the prompt's own read, as soon as a reply was handed over.
    bool armaAlPronto = false;
    // The stream repeated past the reader's limit many times over.
    bool inondazione = false;
};

void verifica(bool condizione, int riga)
{
    if (!condizione) {
        std::fprintf(stderr, "fuzz_ricezione.cpp:%d: check failed\n", riga);
        std::abort();
    }
}

QString descrivi(const Risposta &r)
{
    QString testo = QStringLiteral("%1/%2/%3/%4/%5/")
                        .arg(int(r.tipo))
                        .arg(r.unita)
                        .arg(r.frameAttesi)
                        .arg(r.frameTrovati)
                        .arg(r.rigorosa);
    for (const bool stato : r.stati) {
        testo += stato ? QLatin1Char('1') : QLatin1Char('0');
    }
    for (const int valore : r.valori) {
        testo += QLatin1Char(',') + QString::number(valore);
    }
    return testo + QLatin1Char('/') + r.errore;
}

struct Esito
{
    QStringList risposte;
    QStringList giri;
    QList<bool> pronti;
    QStringList righe;
    int incomplete = 0;
};

// Delivers each exchange in reads of the sizes `pezzo` gives (the whole exchange when it gives
// 0), arming a kind before each exchange, and checks what must hold whatever the chunking.
Esito consegna(const QList<QByteArray> &scambi, const Opzioni &opzioni,
               const std::function<qsizetype()> &pezzo)
{
    LettoreRisposte lettore;
    lettore.setLogPerLettura(opzioni.logPerLettura);
    Esito esito;
    int letture = 0;
    int prossimoTipo = opzioni.primoTipo;
    // A reply is expected; the read during which it was armed, -1 for between reads.
    bool armato = false;
    int letturaArmata = -1;
    TipoRisposta tipoArmato = TipoRisposta::Nessuna;
    bool inLettura = false;

    const auto arma = [&] {
        const auto tipo = TipoRisposta(prossimoTipo++ % NumeroTipi);
        tipoArmato = tipo;
        // With a receiver, even a command with no reply of its own gets the next response.
        armato = true;
        letturaArmata = inLettura ? letture : -1;
        lettore.arma(tipo, opzioni.unita, [&](const Risposta &r) {
            verifica(armato, __LINE__);
            // Text that came in the read that armed it came before the command went out.
            verifica(letturaArmata < 0 || letture > letturaArmata, __LINE__);
            verifica(r.tipo == tipoArmato && r.unita == opzioni.unita, __LINE__);
            verifica(r.frameTrovati <= r.frameAttesi, __LINE__);
            verifica(r.valori.size() <= r.frameTrovati, __LINE__);
            const bool digitale = tipoArmato == TipoRisposta::Rele ||
                                  tipoArmato == TipoRisposta::Ingressi ||
                                  tipoArmato == TipoRisposta::UsciteUnita ||
                                  tipoArmato == TipoRisposta::IngressiUnita;
            if (digitale) {
                verifica(r.valori.isEmpty() && r.errore.isEmpty(), __LINE__);
            } else if (r.errore.isEmpty()) {
                verifica(r.valori.size() == r.frameTrovati, __LINE__);
            }
            armato = false;
            esito.risposte << descrivi(r);
        });
    };

    // A line per read is checked as it comes and not kept: past the limit each is 64 KiB.
    int righePerLettura = 0;
    QString ultimaRiga;
    QObject::connect(&lettore, &LettoreRisposte::rigaLog, &lettore, [&](const QString &riga) {
        verifica(riga.size() <= LettoreRisposte::MassimoBuffer, __LINE__);
        if (opzioni.logPerLettura) {
            ++righePerLettura;
            ultimaRiga = riga;
        } else {
            esito.righe << riga;
        }
    });
    QObject::connect(&lettore, &LettoreRisposte::giroContinuo, &lettore,
                     [&](const GiroContinuo &giro) {
                         verifica(giro.ingressi.tipo == TipoRisposta::Ingressi, __LINE__);
                         verifica(giro.analogici.tipo == TipoRisposta::IngressiAnalogici, __LINE__);
                         esito.giri << descrivi(giro.ingressi) + descrivi(giro.analogici);
                     });
    QObject::connect(&lettore, &LettoreRisposte::pronto, &lettore, [&](bool continuo) {
        esito.pronti << continuo;
        if (opzioni.armaAlPronto && !armato) {
            arma();
        }
    });
    QObject::connect(&lettore, &LettoreRisposte::rispostaIncompleta, &lettore,
                     [&] { ++esito.incomplete; });

    for (const QByteArray &scambio : scambi) {
        if (!opzioni.armaAlPronto) {
            arma();
        }
        for (qsizetype da = 0; da < scambio.size();) {
            const qsizetype n = pezzo();
            // Whole exchanges stay under the limit, so no prompt is cut off with a read.
            const QByteArray lettura = scambio.mid(
                da, n > 0 ? n : std::min(scambio.size(), LettoreRisposte::MassimoBuffer / 2));
            da += lettura.size();
            const int righePrima = righePerLettura;
            ++letture;
            inLettura = true;
            lettore.ricevi(lettura);
            inLettura = false;
            if (opzioni.logPerLettura) {
                // One line per read, and it ends with what the read brought.
                verifica(righePerLettura == righePrima + 1, __LINE__);
                verifica(ultimaRiga.endsWith(QString::fromLatin1(lettura)), __LINE__);
                ultimaRiga.clear();
            }
        }
    }
    return esito;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t dimensione)
{
    if (dimensione < 2) {
        return 0;
    }
    Opzioni opzioni;
    opzioni.primoTipo = dati[0] & 0x07;
    opzioni.logPerLettura = dati[0] & 0x08;
    opzioni.armaAlPronto = dati[0] & 0x10;
    opzioni.inondazione = dati[0] & 0x20;
    opzioni.unita = (dati[0] >> 6) - 1;
    const quint8 seme = dati[1];
    const QByteArray flusso(reinterpret_cast<const char *>(dati + 2), qsizetype(dimensione - 2));

    QList<QByteArray> scambi = flusso.split(FineScambio);
    const QByteArray uno = scambi.join();
    opzioni.inondazione = opzioni.inondazione && uno.size() >= 16;
    // Where the flood begins, when there is one.
    qsizetype inizioInondazione = -1;
    if (opzioni.inondazione) {
        // The exchanges, then more than twice the limit without a prompt, then the exchanges
        // again: the response that holds the flood must lose its oldest text, once.
        QByteArray senzaPronto = uno;
        senzaPronto.replace('?', '.');
        QByteArray grande = uno;
        inizioInondazione = grande.size();
        while (grande.size() < inizioInondazione + 2 * LettoreRisposte::MassimoBuffer) {
            grande += senzaPronto;
        }
        scambi = {grande + uno};
    }

    quint32 stato = seme * 2654435761u + 1;
    const qsizetype massimo = 1 + seme % 97;
    // Past the limit every read moves the 64 KiB kept, so a flood comes in larger reads.
    const qsizetype minimo = opzioni.inondazione ? 256 : 1;
    const auto aCaso = [&stato, massimo, minimo]() -> qsizetype {
        stato = stato * 1103515245u + 12345u;
        return minimo + qsizetype((stato >> 16) % quint32(massimo)) * minimo;
    };
    const Esito interi = consegna(scambi, opzioni, [] { return qsizetype(0); });
    const Esito aPezzi = consegna(scambi, opzioni, aCaso);

    // Every prompt is found whatever the chunking, also past the limit.
    verifica(interi.pronti.size() == aPezzi.pronti.size(), __LINE__);
    QByteArray tutto;
    for (const QByteArray &scambio : scambi) {
        tutto += scambio;
    }
    if (opzioni.inondazione) {
        // Told at the first prompt after the flood began, and only there.
        const int attese = tutto.indexOf("F?", inizioInondazione) >= 0 ? 1 : 0;
        verifica(interi.incomplete == attese && aPezzi.incomplete == attese, __LINE__);
        return 0;
    }
    if (tutto.size() > LettoreRisposte::MassimoBuffer) {
        return 0;
    }
    verifica(interi.incomplete == 0 && aPezzi.incomplete == 0, __LINE__);
    verifica(interi.pronti == aPezzi.pronti, __LINE__);
    verifica(interi.giri == aPezzi.giri, __LINE__);
    // Armed at a prompt, a reply depends on where the reads end: that is the rule, not a fault.
    if (!opzioni.armaAlPronto) {
        verifica(interi.risposte == aPezzi.risposte, __LINE__);
    }
    if (!opzioni.logPerLettura) {
        verifica(interi.righe == aPezzi.righe, __LINE__);
        // The responses, one after the other, are the stream up to its last prompt.
        const qsizetype ultimo = tutto.lastIndexOf("F?");
        const QByteArray finoAlPronto = ultimo < 0 ? QByteArray() : tutto.left(ultimo + 2);
        verifica(interi.righe.join(QString()) == QString::fromLatin1(finoAlPronto), __LINE__);
    }
    return 0;
}
