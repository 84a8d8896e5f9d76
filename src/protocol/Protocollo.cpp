#include "protocol/Protocollo.h"

#include "settings/Utilita.h"

#include <algorithm>

namespace Protocollo {

namespace {

// Serial pieces and the TCP form with its line end.
Comando riga(const QStringList &pezzi, TipoRisposta attesa = TipoRisposta::Nessuna,
             int unita = -1)
{
    return Comando{pezzi, pezzi.join(QString()) + FineRiga, attesa, unita};
}

QString cifra(int n)
{
    return QString::number(n);
}

} // namespace

QString campoUnita(int unita)
{
    QString campo = IntToBin8(QString::number(unita)).right(3);
    std::reverse(campo.begin(), campo.end());
    return campo;
}

int unitaDaCampo(const QString &campo)
{
    if (campo.size() != 3) {
        return -1;
    }
    int unita = 0;
    for (int bit = 0; bit < 3; ++bit) {
        const QChar c = campo.at(bit);
        if (c == QLatin1Char('1')) {
            unita |= 1 << bit;
        } else if (c != QLatin1Char('0')) {
            return -1;
        }
    }
    return unita;
}

QString campoTreCifre(const QString &cifre)
{
    return (QStringLiteral("000") + cifre).right(3);
}

QString campoTreCifre(int valore)
{
    return campoTreCifre(QString::number(valore));
}

QString stringaFlag(const std::array<bool, 8> &flag)
{
    QString testo;
    for (const bool acceso : flag) {
        testo += acceso ? QLatin1Char('1') : QLatin1Char('0');
    }
    return testo;
}

Comando continuo()
{
    return riga({QStringLiteral("*/C")});
}

Comando statoRele()
{
    return riga({QStringLiteral("*/R"), QStringLiteral("S")}, TipoRisposta::Rele);
}

Comando operaRele(int n)
{
    return riga({QStringLiteral("*/R"), cifra(n)});
}

Comando resetRele()
{
    return operaRele(0);
}

Comando statoIngressi()
{
    return riga({QStringLiteral("*/I")}, TipoRisposta::Ingressi);
}

Comando letturaAnalogici()
{
    return riga({QStringLiteral("*/A")}, TipoRisposta::IngressiAnalogici);
}

Comando statoUsciteAnalogiche()
{
    return riga({QStringLiteral("*/P"), QStringLiteral("S")}, TipoRisposta::UsciteAnalogiche);
}

Comando impostaUscitaAnalogica(int uscita, int livello)
{
    return riga({QStringLiteral("*/P"), cifra(uscita), campoTreCifre(livello)});
}

Comando resetUsciteAnalogiche()
{
    return riga({QStringLiteral("*/P"), QStringLiteral("0")});
}

Comando statoUsciteUnita(int unita)
{
    return riga({QStringLiteral("*/E"), QStringLiteral("R"), campoUnita(unita), QStringLiteral("S")},
                TipoRisposta::UsciteUnita, unita);
}

Comando operaUscitaUnita(int unita, int n)
{
    return riga({QStringLiteral("*/E"), QStringLiteral("R"), campoUnita(unita), cifra(n)});
}

Comando resetUsciteUnita(int unita)
{
    return operaUscitaUnita(unita, 0);
}

Comando resetUsciteTutteUnita()
{
    return riga({QStringLiteral("*/E"), QStringLiteral("R"), QStringLiteral("Z")});
}

Comando statoIngressiUnita(int unita)
{
    return riga({QStringLiteral("*/E"), QStringLiteral("I"), campoUnita(unita)},
                TipoRisposta::IngressiUnita, unita);
}

Comando statoAnalogicheUnita(int unita)
{
    return riga({QStringLiteral("*/E"), QStringLiteral("A"), campoUnita(unita), QStringLiteral("S")},
                TipoRisposta::CanaliUnita, unita);
}

Comando impostaAnalogicaUnita(int unita, int canale, int livello)
{
    return riga({QStringLiteral("*/E"), QStringLiteral("A"), campoUnita(unita), cifra(canale),
                 campoTreCifre(livello)});
}

Comando resetAnalogicheUnita(int unita)
{
    return riga(
        {QStringLiteral("*/E"), QStringLiteral("A"), campoUnita(unita), QStringLiteral("0")});
}

Comando resetAnalogicheTutteUnita()
{
    // The board takes this one without a line end.
    return Comando{
        {QStringLiteral("*/E"), QStringLiteral("A"), QStringLiteral("000"), QStringLiteral("Z")},
        QStringLiteral("*/EA000Z")};
}

Comando abilitazioniAllarmiDigitali(const QString &flag8)
{
    return riga({QStringLiteral("*/H"), QStringLiteral("DC"), flag8});
}

Comando livelliAllarmiDigitali(const QString &flag8)
{
    return riga({QStringLiteral("*/H"), QStringLiteral("DS"), flag8});
}

Comando abilitazioniAllarmiAnalogici(const QString &flag8)
{
    return riga({QStringLiteral("*/H"), QStringLiteral("A"), QStringLiteral("C"), flag8});
}

Comando soglieAllarmiAnalogici()
{
    return Comando{{QStringLiteral("*/H"), QStringLiteral("A"), QStringLiteral("S")},
                   QStringLiteral("*/HAS")};
}

Comando tempoRele(const QString &cifra)
{
    return riga({QStringLiteral("*/T"), cifra});
}

QString valoreFrame(const QString &testo, int n)
{
    const qsizetype inizio = testo.indexOf(InizioValore);
    const qsizetype fine = testo.indexOf(FineValore);
    QString corpo;
    // Without both markers, or with "<-" before "->", the body is empty.
    if (inizio >= 0 && fine >= 0 && fine >= inizio + InizioValore.size()) {
        corpo = testo.mid(inizio + InizioValore.size(), fine - inizio - InizioValore.size());
    }
    return (QStringLiteral("000000000000000000000") + corpo).right(n);
}

PosizioneFrame trovaFrame(const QString &testo, QLatin1String marcatore, qsizetype da)
{
    const bool nudo = marcatore == InizioValore;
    while (da >= 0 && da < testo.size()) {
        const qsizetype inizio = testo.indexOf(marcatore, da, Qt::CaseInsensitive);
        if (inizio < 0) {
            break;
        }
        const qsizetype corpo = inizio + marcatore.size();
        const qsizetype fine = testo.indexOf(FineValore, corpo);
        if (fine < 0) {
            break;
        }
        const qsizetype altroInizio = testo.indexOf(InizioValore, corpo);
        const QString prima = testo.left(corpo);
        const bool altroTipo =
            nudo && (prima.endsWith(InizioRele, Qt::CaseInsensitive) ||
                     prima.endsWith(InizioIngressi, Qt::CaseInsensitive) ||
                     prima.endsWith(InizioAnalogico, Qt::CaseInsensitive));
        if (!altroTipo && (altroInizio < 0 || altroInizio > fine)) {
            return PosizioneFrame{inizio, fine + FineValore.size()};
        }
        // A frame of another kind, or a start cut short by the next frame: look further on.
        if (altroTipo) {
            da = fine + FineValore.size();
        } else {
            da = nudo ? altroInizio : corpo;
        }
    }
    return {};
}

QStringList trovaFrame(const QString &testo, QLatin1String marcatore, int massimo)
{
    QStringList frame;
    qsizetype da = 0;
    while (frame.size() < massimo) {
        const PosizioneFrame posizione = trovaFrame(testo, marcatore, da);
        if (!posizione.trovato()) {
            break;
        }
        frame << posizione.in(testo);
        da = posizione.fine;
    }
    return frame;
}

std::array<bool, 8> statiCanali(const QString &stato8)
{
    std::array<bool, 8> stati{};
    for (int canale = 1; canale <= 8; ++canale) {
        const qsizetype posizione = stato8.size() - canale;
        if (posizione >= 0) {
            stati[canale - 1] = stato8.at(posizione).toUpper() == QLatin1Char('1');
        }
    }
    return stati;
}

bool testoModoContinuo(const QString &testo)
{
    return ContieneTesto(testo, SegnoContinuoIngressi) &&
           ContieneTesto(testo, SegnoContinuoAnalogici);
}

} // namespace Protocollo
