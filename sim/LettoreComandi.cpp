#include "LettoreComandi.h"

#include <QRegularExpression>

namespace {

const QRegularExpression &grammatica()
{
    // Every command the board knows; no complete command is the beginning of another.
    static const QRegularExpression espressione(
        QStringLiteral("\\A\\*/(?:C|R[S0-8]|I|A|P[S0]|P[12]\\d{3}"
                       "|ER(?:Z|[01]{3}[S0-8])|EI[01]{3}"
                       "|EA(?:000Z|[01]{3}[S0]|[01]{3}[1-8]\\d{3})"
                       "|HD[CS][01]{8}|HAC[01]{8}|HAS\\d{48}|T\\d)\\z"));
    return espressione;
}

enum class Esito { Completo, Iniziato, Errato };

Esito valuta(const QString &testo)
{
    const QRegularExpressionMatch corrispondenza =
        grammatica().match(testo, 0, QRegularExpression::PartialPreferCompleteMatch);
    if (corrispondenza.hasMatch()) {
        return Esito::Completo;
    }
    return corrispondenza.hasPartialMatch() ? Esito::Iniziato : Esito::Errato;
}

} // namespace

QStringList LettoreComandi::aggiungi(const QByteArray &dati)
{
    QStringList completi;
    for (const char byte : dati) {
        const QChar c = QLatin1Char(byte);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            continue;
        }
        if (m_parziale.isEmpty()) {
            if (c == QLatin1Char('*')) {
                m_parziale = c;
            }
            continue;
        }
        const QString candidato = m_parziale + c;
        switch (valuta(candidato)) {
        case Esito::Completo:
            completi << candidato;
            m_parziale.clear();
            break;
        case Esito::Iniziato:
            m_parziale = candidato;
            break;
        case Esito::Errato:
            // Resynchronise: a "*" may open the next command.
            m_parziale = c == QLatin1Char('*') ? QString(c) : QString();
            break;
        }
    }
    return completi;
}
