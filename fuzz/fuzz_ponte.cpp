// The bridge's inputs from outside: a message on any topic it listens to (the topic and its
// payload, as the broker delivers them), a point name from the settings file, and the board's
// replies. Whatever they hold: a command topic maps to one point whose own command topic it is;
// an accepted payload asks for something within the point's range; an echo stays short and
// whole; a discovery config is valid UTF-8 JSON whose names are at most 100 characters; a reply
// the bridge would publish carries only values within its kind's range.
//
// Input: byte 0 picks the kind of the reply armed, byte 1 its unit (0..7); then, split at the first
// two 0xFF bytes, the topic, the payload (also a point name) and what the board sends.
#include "core/Risposta.h"
#include "ponte/AnnunciHomeAssistant.h"
#include "ponte/ArgomentiMqtt.h"
#include "ponte/ComandoMqtt.h"
#include "ponte/ImpostazioniPonte.h"
#include "ponte/LatoScheda.h"
#include "protocol/LettoreRisposte.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void verifica(bool condizione, int riga)
{
    if (!condizione) {
        std::fprintf(stderr, "fuzz_ponte.cpp:%d: check failed\n", riga);
        std::abort();
    }
}

int massimoNumero(const Punto &p)
{
    return p.tipo == Punto::Tipo::UscitaAnalogica ? 2 : 8;
}

const ArgomentiMqtt &argomenti()
{
    static const ArgomentiMqtt argomenti(QStringLiteral("brivola"), QStringLiteral("s1"),
                                         QStringLiteral("homeassistant"));
    return argomenti;
}

void argomentoEPayload(const QByteArray &argomentoGrezzo, const QByteArray &payload)
{
    const QString argomento = QString::fromUtf8(argomentoGrezzo);
    const std::optional<Punto> punto = argomenti().puntoDaComando(argomento);
    if (punto) {
        verifica(punto->comandabile(), __LINE__);
        verifica(punto->numero >= 1 && punto->numero <= massimoNumero(*punto), __LINE__);
        verifica(punto->unita >= 0 && punto->unita <= 8, __LINE__);
        verifica(argomenti().comando(*punto) == argomento, __LINE__);
    }
    const QString ripetuto = eco(argomento);
    verifica(ripetuto.size() <= 257, __LINE__);
    verifica(ripetuto.isEmpty() || !ripetuto.back().isHighSurrogate(), __LINE__);

    for (const Punto::Tipo tipo :
         {Punto::Tipo::Rele, Punto::Tipo::UscitaAnalogica, Punto::Tipo::CanaleUnita}) {
        const Punto p{tipo, tipo == Punto::Tipo::CanaleUnita ? 1 : 0, 1};
        const InterpretazioneComando esito = interpretaComando(p, payload);
        if (!esito.richiesta) {
            // A refusal always says why.
            verifica(!esito.motivo.isEmpty(), __LINE__);
            continue;
        }
        verifica(payload.size() <= kMassimoPayloadComando, __LINE__);
        using A = RichiestaComando::Azione;
        if (p.digitale()) {
            verifica(esito.richiesta->azione != A::Valore, __LINE__);
        } else {
            const int massimo = tipo == Punto::Tipo::CanaleUnita ? kMassimoLivelloCanale : 100;
            verifica(esito.richiesta->azione == A::Valore, __LINE__);
            verifica(esito.richiesta->valore >= 0 && esito.richiesta->valore <= massimo, __LINE__);
        }
    }
    if (const std::optional<int> n = interoAscii(QString::fromUtf8(payload), 1, 65535)) {
        verifica(*n >= 1 && *n <= 65535, __LINE__);
    }
}

void nome(const QByteArray &payload)
{
    static const AnnunciHomeAssistant annunci(argomenti(), QStringLiteral("1"));
    ValoriConfigurazione configurazione;
    configurazione.nomiUD[0] = QString::fromUtf8(payload);
    configurazione.unitaIA[0] = QString::fromUtf8(payload.left(8));
    const QByteArray config = annunci.annunci(configurazione, {}).at(0).payload;
    QStringDecoder decodifica(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString testo = decodifica(config);
    verifica(!decodifica.hasError(), __LINE__);
    QJsonParseError errore;
    const QJsonDocument documento = QJsonDocument::fromJson(config, &errore);
    verifica(errore.error == QJsonParseError::NoError, __LINE__);
    const QString letto =
        documento[QStringLiteral("components")][QStringLiteral("rele_1")][QStringLiteral("name")]
            .toString();
    verifica(!letto.isEmpty() && letto.size() <= 100, __LINE__);
}

void risposte(int tipo, int unita, const QByteArray &scheda)
{
    LettoreRisposte lettore;
    const auto arma = [&] {
        lettore.arma(TipoRisposta(tipo), unita, [&](const Risposta &r) {
            if (!LatoScheda::isPubblicabile(r)) {
                return;
            }
            verifica(r.completa() && r.rigorosa, __LINE__);
            const int massimo = r.tipo == TipoRisposta::IngressiAnalogici  ? 65535
                                : r.tipo == TipoRisposta::UsciteAnalogiche ? 255
                                : r.tipo == TipoRisposta::CanaliUnita      ? 63
                                                                           : 0;
            for (const int v : r.valori) {
                verifica(v >= 0 && v <= massimo, __LINE__);
            }
        });
    };
    QObject::connect(&lettore, &LettoreRisposte::pronto, &lettore, [&](bool) { arma(); });
    arma();
    lettore.ricevi(scheda);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t dimensione)
{
    if (dimensione < 2) {
        return 0;
    }
    const int tipo = 1 + dati[0] % 7; // TipoRisposta::Rele .. TipoRisposta::CanaliUnita
    const int unita = dati[1] % 8;
    const QByteArray resto(reinterpret_cast<const char *>(dati + 2), int(dimensione - 2));
    const qsizetype primo = resto.indexOf('\xff');
    const QByteArray argomento = primo < 0 ? resto : resto.left(primo);
    const QByteArray dopo = primo < 0 ? QByteArray() : resto.mid(primo + 1);
    const qsizetype secondo = dopo.indexOf('\xff');
    const QByteArray payload = secondo < 0 ? dopo : dopo.left(secondo);
    const QByteArray scheda = secondo < 0 ? QByteArray() : dopo.mid(secondo + 1);

    argomentoEPayload(argomento, payload);
    nome(payload);
    risposte(tipo, unita, scheda);
    return 0;
}
