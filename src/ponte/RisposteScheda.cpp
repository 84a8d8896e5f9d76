#include "ponte/RisposteScheda.h"

#include "protocol/Protocollo.h"

namespace RisposteScheda {

namespace {

// The body of the frame whose "->" is the first at or after `da`; `da` moves past its "<-".
std::optional<QString> corpo(const QString &testo, qsizetype &da)
{
    const qsizetype inizio = testo.indexOf(Protocollo::InizioValore, da);
    if (inizio < 0) {
        return std::nullopt;
    }
    const qsizetype apertura = inizio + Protocollo::InizioValore.size();
    const qsizetype fine = testo.indexOf(Protocollo::FineValore, apertura);
    if (fine < 0) {
        return std::nullopt;
    }
    da = fine + Protocollo::FineValore.size();
    return testo.mid(apertura, fine - apertura);
}

qsizetype partenza(const QString &testo, const QString &inizio)
{
    return inizio.isEmpty() ? 0 : testo.indexOf(inizio);
}

std::optional<int> numero(const QString &corpoFrame, int cifre)
{
    if (corpoFrame.isEmpty() || corpoFrame.size() > cifre) {
        return std::nullopt;
    }
    for (const QChar c : corpoFrame) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    // The frame value rule (left-filled, last digits) on an all-digit body.
    return Protocollo::valoreFrame(QStringLiteral("->") + corpoFrame + QStringLiteral("<-"), cifre)
        .toInt();
}

} // namespace

std::optional<Digitali> digitali(const QString &testo, const QString &inizio)
{
    qsizetype da = partenza(testo, inizio);
    if (da < 0) {
        return std::nullopt;
    }
    const std::optional<QString> c = corpo(testo, da);
    if (!c || c->size() < Protocollo::CifreDigitali) {
        return std::nullopt;
    }
    return Protocollo::statiCanali(c->right(Protocollo::CifreDigitali));
}

std::optional<QList<int>> numerici(const QString &testo, int quanti, int cifre,
                                   const QString &inizio)
{
    qsizetype da = partenza(testo, inizio);
    if (da < 0) {
        return std::nullopt;
    }
    QList<int> valori;
    for (int i = 0; i < quanti; ++i) {
        const std::optional<QString> c = corpo(testo, da);
        const std::optional<int> v = c ? numero(*c, cifre) : std::nullopt;
        if (!v) {
            return std::nullopt;
        }
        valori.append(*v);
    }
    return valori;
}

std::optional<BloccoContinuo> continuo(const QString &testo)
{
    if (!Protocollo::testoModoContinuo(testo)) {
        return std::nullopt;
    }
    const qsizetype inizio = testo.indexOf(Protocollo::InizioIngressi);
    if (inizio < 0) {
        return std::nullopt;
    }
    const QString resto = testo.mid(inizio);
    const std::optional<Digitali> ingressi = digitali(resto);
    // The analog frames follow the digital one.
    qsizetype dopo = 0;
    corpo(resto, dopo);
    const std::optional<QList<int>> analogici =
        numerici(resto.mid(dopo), 8, Protocollo::CifreAnalogico);
    if (!ingressi || !analogici) {
        return std::nullopt;
    }
    BloccoContinuo blocco;
    blocco.ingressi = *ingressi;
    for (int i = 0; i < 8; ++i) {
        blocco.analogici[i] = analogici->at(i);
    }
    return blocco;
}

} // namespace RisposteScheda
