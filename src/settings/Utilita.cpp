#include "settings/Utilita.h"

#include "core/Errori.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

int MsDelGiorno(const QTime &ora)
{
    return ora.hour() * 3600000 + ora.minute() * 60000 + ora.second() * 1000 + ora.msec();
}

int MsDelGiorno(const QDateTime &momento)
{
    return MsDelGiorno(momento.time());
}

namespace {

// Handles events until `fatto()` holds or the elapsed time passes `limiteNs`. Blocks in the
// event dispatcher between events; a precise timer wakes it at the limit.
bool attendiEventi(qint64 limiteNs, bool oltre, const std::function<bool()> &fatto)
{
    QElapsedTimer trascorso;
    trascorso.start();
    const auto scaduto = [&] {
        const qint64 ns = trascorso.nsecsElapsed();
        return oltre ? ns > limiteNs : ns >= limiteNs;
    };
    QTimer sveglia;
    sveglia.setTimerType(Qt::PreciseTimer);
    sveglia.setSingleShot(true);
    while (true) {
        if (fatto && fatto()) {
            return true;
        }
        if (scaduto()) {
            return false;
        }
        const qint64 restanteNs = limiteNs - trascorso.nsecsElapsed();
        if (restanteNs < 1000000) {
            // The timer counts whole milliseconds: the last fraction is slept, so the wait
            // ends within a few microseconds of its time instead of up to a millisecond late.
            QThread::usleep(static_cast<unsigned long>(std::max<qint64>(0, restanteNs) / 1000 + 1));
            continue;
        }
        sveglia.start(static_cast<int>(restanteNs / 1000000));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

} // namespace

void Attendi(int ms, bool pompa, const std::function<bool()> &interrompi)
{
    if (ms < 0) {
        return;
    }
    const qint64 limiteNs = qint64(ms) * 1000000;
    if (!pompa || !QCoreApplication::instance()) {
        QElapsedTimer trascorso;
        trascorso.start();
        while (trascorso.nsecsElapsed() <= limiteNs) {
            QThread::usleep(static_cast<unsigned long>(
                std::max<qint64>(1, (limiteNs - trascorso.nsecsElapsed()) / 1000 + 1)));
        }
        return;
    }
    attendiEventi(limiteNs, true, interrompi);
}

bool AttendiCondizione(int limiteMs, const std::function<bool()> &fatto)
{
    return attendiEventi(qint64(std::max(0, limiteMs)) * 1000000, false, fatto);
}

bool ContieneTesto(const QString &testo, const QString &parte)
{
    return !testo.isEmpty() && testo.contains(parte, Qt::CaseSensitive);
}

std::optional<double> NumeroDecimale(const QString &testo)
{
    QString normale = testo.trimmed();
    normale.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double valore = normale.toDouble(&ok);
    if (!ok || !std::isfinite(valore)) {
        return std::nullopt;
    }
    return valore;
}

int StrToInt(const QString &testo)
{
    // Leading blanks and a sign are accepted, as the old conversion did; nothing else.
    qsizetype i = 0;
    while (i < testo.size() && testo.at(i) == QLatin1Char(' ')) {
        ++i;
    }
    const QString numero = testo.mid(i);
    bool ok = false;
    const int valore = numero.toInt(&ok, 10);
    const bool soloCifre =
        !numero.isEmpty() &&
        std::all_of(
            numero.begin() +
                ((numero.at(0) == QLatin1Char('+') || numero.at(0) == QLatin1Char('-')) ? 1 : 0),
            numero.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    if (!ok || !soloCifre) {
        throw ErroreConversione(testo);
    }
    return valore;
}

QString IntToBin8(const QString &testo)
{
    int a = StrToInt(testo);
    QString risultato = QStringLiteral("00000000");
    for (int posizione = 7; posizione >= 0; --posizione) {
        const int resto = a % 2; // keeps the sign of a
        risultato[posizione] = QString::number(resto).at(0);
        a /= 2;
    }
    return risultato;
}
