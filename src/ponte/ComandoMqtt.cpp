#include "ponte/ComandoMqtt.h"

#include "core/Errori.h"
#include "protocol/Conversioni.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <cmath>

namespace {

InterpretazioneComando rifiuto(const QString &motivo)
{
    return {std::nullopt, motivo};
}

} // namespace

InterpretazioneComando interpretaComando(const Punto &punto, const QByteArray &payload)
{
    if (payload.isEmpty()) {
        return rifiuto(QStringLiteral("comando vuoto"));
    }
    if (payload.size() > kMassimoPayloadComando) {
        return rifiuto(QStringLiteral("comando troppo lungo (%1 byte, al massimo %2)")
                           .arg(payload.size())
                           .arg(kMassimoPayloadComando));
    }
    QStringDecoder decodifica(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString testo = QString(decodifica(payload)).trimmed();
    if (decodifica.hasError()) {
        return rifiuto(QStringLiteral("il comando non è testo UTF-8 valido"));
    }

    using A = RichiestaComando::Azione;
    if (punto.digitale()) {
        const QString parola = testo.toUpper();
        if (parola == QLatin1String("ON")) {
            return {RichiestaComando{A::Accendi, 0}, {}};
        }
        if (parola == QLatin1String("OFF")) {
            return {RichiestaComando{A::Spegni, 0}, {}};
        }
        if (parola == QLatin1String("TOGGLE")) {
            return {RichiestaComando{A::Commuta, 0}, {}};
        }
        return rifiuto(QStringLiteral("atteso ON, OFF o TOGGLE"));
    }

    const int massimo = punto.tipo == Punto::Tipo::CanaleUnita ? kMassimoLivelloCanale : 100;
    // Plain decimal only: C's reader would also take hexadecimal, "inf" and other scripts'
    // digits are not numbers here.
    static const QRegularExpression decimale(QStringLiteral("^[+-]?[0-9]+(\\.[0-9]*)?$"));
    bool ok = decimale.match(testo).hasMatch();
    const double valore = ok ? testo.toDouble(&ok) : 0.0;
    if (!ok || !std::isfinite(valore)) {
        return rifiuto(QStringLiteral("atteso un numero da 0 a %1").arg(massimo));
    }
    if (valore < 0.0 || valore > massimo) {
        return rifiuto(QStringLiteral("valore fuori dall'intervallo 0..%1").arg(massimo));
    }
    try {
        const int intero = static_cast<int>(Conversioni::arrotondaPari(valore));
        if (intero > massimo) {
            return rifiuto(QStringLiteral("valore fuori dall'intervallo 0..%1").arg(massimo));
        }
        return {RichiestaComando{A::Valore, intero}, {}};
    } catch (const ErroreProgramma &e) {
        return rifiuto(e.messaggio());
    }
}

RichiestaComando unisciRichieste(const RichiestaComando &prima, const RichiestaComando &poi)
{
    using A = RichiestaComando::Azione;
    if (poi.azione != A::Commuta) {
        return poi;
    }
    switch (prima.azione) {
    case A::Accendi:
        return {A::Spegni, 0};
    case A::Spegni:
        return {A::Accendi, 0};
    case A::Commuta:
        return {A::Lascia, 0};
    case A::Lascia:
    case A::Valore:
        break;
    }
    return poi;
}
