// The settings reader and writer on any file: reading never stops early or crashes, every key
// written reads back, and a save keeps every line of a UTF-8 file it did not rewrite.
#include "settings/Ini.h"

#include <QByteArray>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray leggi(const QString &percorso)
{
    QFile file(percorso);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void verifica(bool condizione, int riga)
{
    if (!condizione) {
        std::fprintf(stderr, "fuzz_ini.cpp:%d: check failed\n", riga);
        std::abort();
    }
}

} // namespace

#define VERIFICA(condizione) verifica(condizione, __LINE__)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t dimensione)
{
    static QTemporaryDir cartella;
    const QString file = cartella.filePath(QStringLiteral("Impostazioni.INI"));
    const QByteArray contenuto(reinterpret_cast<const char *>(dati), qsizetype(dimensione));
    {
        QFile uscita(file);
        VERIFICA(uscita.open(QIODevice::WriteOnly | QIODevice::Truncate));
        uscita.write(contenuto);
    }
    LeggiIni(file, QStringLiteral("OPTION"), QStringLiteral("UD01"));
    LeggiIni(file, QStringLiteral("Impostazioni"), QStringLiteral("Allarme"));

    const QList<VoceIni> voci = {
        {QStringLiteral("OPTION"), QStringLiteral("UD01"), QStringLiteral("Luce")},
        {QStringLiteral("OPTION"), QStringLiteral("IAV01"), QStringLiteral("-20")},
        {QStringLiteral("Impostazioni"), QStringLiteral("Allarme"), QStringLiteral("10000000")}};
    VERIFICA(ScriviIni(file, voci));
    for (const VoceIni &voce : voci) {
        VERIFICA(LeggiIni(file, voce.sezione, voce.chiave) == voce.valore);
    }

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString testo = utf8.decode(contenuto);
    if (!utf8.hasError()) {
        const QByteArray dopo = leggi(file);
        for (const QByteArray &riga : QByteArray(contenuto).replace('\r', '\n').split('\n')) {
            const QByteArray nuda = riga.trimmed();
            const bool riscritta = nuda.startsWith("UD01") || nuda.startsWith("ud01") ||
                                   nuda.toUpper().startsWith("UD01") ||
                                   nuda.toUpper().startsWith("IAV01") ||
                                   nuda.toUpper().startsWith("ALLARME");
            VERIFICA(riscritta || dopo.contains(riga));
        }
    }
    return 0;
}
