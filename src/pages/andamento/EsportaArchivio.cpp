#include "pages/andamento/EsportaArchivio.h"
#include "pages/andamento/CampoCsv.h"

#include "pages/andamento/StoricoAnalogici.h"
#include "settings/ScritturaSicura.h"
#include "storico/Storico.h"

#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <limits>
#include <cerrno>
#include <vector>

namespace EsportaArchivio {

namespace {

// Read a day at a time, so a month of readings never sits in memory at once.
constexpr qint64 kTratto = 24LL * 60 * 60 * 1000;


} // namespace

qint64 scriviCsv(const Storico &archivio, qint64 daMs, qint64 aMs, QIODevice &uscita,
                 const StoricoAnalogici *recenti)
{
    if (uscita.write(QStringLiteral("timestamp;ingresso;nome;valore;unità\r\n").toUtf8()) < 0) {
        return -1;
    }
    const QList<EtichettaIngresso> etichette = archivio.etichette();
    // The name and unit in force at `ms` for input `n`: the last label at or before it.
    const auto etichetta = [&](int n, qint64 ms) -> const EtichettaIngresso * {
        const EtichettaIngresso *trovata = nullptr;
        for (const EtichettaIngresso &e : etichette) {
            if (e.ingresso == n && e.daMs <= ms) {
                trovata = &e;
            }
        }
        return trovata;
    };
    // The newest reading of each input the history holds; kept readings after it are added.
    std::array<qint64, Storico::NumeroIngressi> ultimi;
    ultimi.fill(std::numeric_limits<qint64>::max());
    if (recenti) {
        for (int n = 1; n <= Storico::NumeroIngressi; ++n) {
            const QList<LetturaAnalogica> ultime =
                archivio.letture(n, std::max(daMs, aMs - kTratto), aMs);
            ultimi[size_t(n - 1)] =
                ultime.isEmpty() ? std::numeric_limits<qint64>::min() : ultime.constLast().ms;
        }
    }
    qint64 scritte = 0;
    QByteArray blocco;
    for (qint64 da = daMs; da < aMs; da += kTratto) {
        const qint64 a = std::min(aMs, da + kTratto);
        std::vector<LetturaAnalogica> tutte;
        for (int n = 1; n <= Storico::NumeroIngressi; ++n) {
            const QList<LetturaAnalogica> letture = archivio.letture(n, da, a);
            tutte.insert(tutte.end(), letture.cbegin(), letture.cend());
            if (!recenti) {
                continue;
            }
            const BufferLetture &tenute = recenti->letture(n);
            const qint64 dopo = std::max(da, ultimi[size_t(n - 1)] + 1);
            for (qsizetype i = tenute.primoDa(dopo); i < tenute.size() && tenute.at(i).ms < a;
                 ++i) {
                // Marked by the raw value -1: its name and unit are those of now.
                tutte.push_back({n, tenute.at(i).ms, -1, tenute.at(i).valore});
            }
        }
        std::stable_sort(tutte.begin(), tutte.end(), [](const auto &x, const auto &y) {
            return x.ms != y.ms ? x.ms < y.ms : x.ingresso < y.ingresso;
        });
        for (const LetturaAnalogica &l : tutte) {
            const EtichettaIngresso *e = l.grezzo < 0 ? nullptr : etichetta(l.ingresso, l.ms);
            const QString nome = e ? e->nome : recenti ? recenti->nome(l.ingresso) : QString();
            const QString unita = e ? e->unita : recenti ? recenti->unita(l.ingresso) : QString();
            blocco += StoricoAnalogici::dataOraIso(l.ms).toLatin1();
            blocco += ';' + QByteArray::number(l.ingresso) + ';';
            blocco += campoCsv(nome);
            blocco += ';' + QByteArray::number(l.valore) + ';';
            blocco += campoCsv(unita);
            blocco += "\r\n";
            ++scritte;
        }
        if (uscita.write(blocco) != blocco.size()) {
            return -1;
        }
        blocco.clear();
    }
    return scritte;
}

qint64 esportaCsv(const Storico &archivio, qint64 daMs, qint64 aMs, const QString &percorso,
                  QString *errore, const StoricoAnalogici *recenti)
{
    QSaveFile file(percorso);
    qint64 scritte = -1;
    errno = 0;
    if (file.open(QIODevice::WriteOnly) && file.write("\xEF\xBB\xBF", 3) == 3) {
        scritte = scriviCsv(archivio, daMs, aMs, file, recenti);
    }
    if (scritte < 0 || !file.flush() || !file.commit()) {
        if (errore) {
            *errore = motivoScrittura(errno, file.errorString());
        }
        file.cancelWriting();
        return -1;
    }
    return scritte;
}

} // namespace EsportaArchivio
