#include "ponte/RichiestaPannello.h"

#include "protocol/Protocollo.h"

#include <QList>
#include <QRegularExpression>

namespace {

constexpr qsizetype kLunghezzaMassima = 64;

// The commands that read something: their reply kind comes with them.
const QList<Comando> &letture()
{
    static const QList<Comando> elenco = [] {
        QList<Comando> l{Protocollo::statoRele(), Protocollo::statoIngressi(),
                         Protocollo::letturaAnalogici(), Protocollo::statoUsciteAnalogiche()};
        for (int u = 0; u < 8; ++u) {
            l << Protocollo::statoUsciteUnita(u) << Protocollo::statoIngressiUnita(u)
              << Protocollo::statoAnalogicheUnita(u);
        }
        return l;
    }();
    return elenco;
}

RichiestaPannello nonValida(const QString &motivo)
{
    RichiestaPannello r;
    r.motivo = motivo;
    return r;
}

} // namespace

RichiestaPannello RichiestaPannello::leggi(const QByteArray &payload)
{
    if (payload.size() > kLunghezzaMassima) {
        return nonValida(QStringLiteral("richiesta troppo lunga (%1 byte, al massimo %2)")
                             .arg(payload.size())
                             .arg(kLunghezzaMassima));
    }
    static const QRegularExpression conCampi(QStringLiteral("^\\*/HAS(\\d{48})$"));
    if (const auto trovato = conCampi.match(QString::fromLatin1(payload)); trovato.hasMatch()) {
        RichiestaPannello r;
        r.tipo = Tipo::Comando;
        r.comando = Protocollo::soglieAllarmiAnalogici();
        const QString campi = trovato.captured(1);
        for (qsizetype i = 0; i < campi.size(); i += 3) {
            r.diretti << campi.mid(i, 3);
        }
        return r;
    }
    // Whole: any other command ends with its line end (a head without its fields would make
    // the board take whatever comes next as them).
    if (!payload.endsWith("\r\n")) {
        return nonValida(QStringLiteral("comando non intero (senza fine riga)"));
    }
    const QByteArray corpo = payload.chopped(2);
    if (!corpo.startsWith("*/") || corpo.size() < 3) {
        return nonValida(QStringLiteral("non è un comando della scheda (deve iniziare con */)"));
    }
    for (const char c : std::as_const(corpo)) {
        if (c < 0x20 || c > 0x7e) {
            return nonValida(
                QStringLiteral("carattere non ammesso (codice %1)").arg(int(uchar(c))));
        }
    }
    RichiestaPannello r;
    const QString testo = QString::fromLatin1(payload);
    if (testo == Protocollo::continuo().tcp) {
        r.tipo = Tipo::Continuo;
        r.comando = Protocollo::continuo();
        return r;
    }
    r.tipo = Tipo::Comando;
    for (const Comando &lettura : letture()) {
        if (lettura.tcp == testo) {
            r.comando = lettura;
            return r;
        }
    }
    r.comando.tcp = testo;
    // On a serial line the board takes the head, then the rest a character at a time: the
    // slowest pacing any command has, so any command read this way is read whole.
    const QString senzaFine = QString::fromLatin1(corpo);
    r.comando.pezziSeriale << senzaFine.left(3);
    for (qsizetype i = 3; i < senzaFine.size(); ++i) {
        r.comando.pezziSeriale << senzaFine.mid(i, 1);
    }
    return r;
}
