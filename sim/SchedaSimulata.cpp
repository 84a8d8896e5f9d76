#include "SchedaSimulata.h"

#include "protocol/Protocollo.h"

#include <QStringList>

#include <algorithm>

namespace {

QString unisci(const QStringList &frame)
{
    return frame.join(Protocollo::FineRiga);
}

} // namespace

SchedaSimulata::SchedaSimulata(quint32 seme)
{
    riparti(seme);
}

void SchedaSimulata::riparti(quint32 seme)
{
    m_caso.seed(seme);
    m_stato = StatoScheda();
    for (int i = 0; i < 8; ++i) {
        m_stato.ingressi[i] = m_caso.bounded(2) == 1;
        m_stato.ingressiAnalogici[i] = static_cast<int>(m_caso.bounded(65536));
        for (StatoScheda::Unita &unita : m_stato.unita) {
            unita.ingressi[i] = m_caso.bounded(2) == 1;
        }
    }
}

QString SchedaSimulata::frameDigitale(const QString &inizio, const std::array<bool, 8> &stati) const
{
    // Point 8 leftmost, point 1 rightmost.
    QString corpo;
    for (int i = 7; i >= 0; --i) {
        corpo += stati[i] ? QLatin1Char('1') : QLatin1Char('0');
    }
    return inizio + corpo + Protocollo::FineValore;
}

QString SchedaSimulata::frameNumerico(const QString &inizio, int valore, int cifre) const
{
    const QString corpo = m_corpoNonNumerico
                              ? QString(cifre, QLatin1Char('X'))
                              : QStringLiteral("%1").arg(valore, cifre, 10, QLatin1Char('0'));
    return inizio + corpo + Protocollo::FineValore;
}

QString SchedaSimulata::frameAnalogico(const QString &prefisso, int ingresso) const
{
    return frameNumerico(QStringLiteral("%1 %2 ANALOGICO ->").arg(prefisso).arg(ingresso + 1),
                         m_stato.ingressiAnalogici[ingresso], Protocollo::CifreAnalogico);
}

QString SchedaSimulata::esegui(const QString &comando)
{
    if (!comando.startsWith(QLatin1String("*/")) || comando.size() < 3) {
        return {};
    }
    const QChar lettera = comando.at(2);
    const QString resto = comando.mid(3);
    const auto numero = [](QChar c) { return c.digitValue(); };

    if (lettera == QLatin1Char('C')) {
        m_stato.continuo = !m_stato.continuo;
        return {};
    }
    if (lettera == QLatin1Char('R')) {
        if (resto == QLatin1String("S")) {
            return frameDigitale(Protocollo::InizioRele, m_stato.rele);
        }
        const int n = numero(resto.at(0));
        if (n == 0) {
            m_stato.rele.fill(false);
        } else {
            m_stato.rele[n - 1] = !m_stato.rele[n - 1];
        }
        return {};
    }
    if (lettera == QLatin1Char('I')) {
        return frameDigitale(Protocollo::InizioIngressi, m_stato.ingressi);
    }
    if (lettera == QLatin1Char('A')) {
        // No "INGRESSO " here: together with a digital inputs frame it would read as
        // continuous output.
        QStringList frame;
        for (int i = 0; i < 8; ++i) {
            frame << frameAnalogico(QStringLiteral("CANALE"), i);
        }
        return unisci(frame);
    }
    if (lettera == QLatin1Char('P')) {
        if (resto == QLatin1String("S")) {
            return unisci(
                {frameNumerico(QStringLiteral("USCITA 1 ->"), m_stato.usciteAnalogiche[0], 3),
                 frameNumerico(QStringLiteral("USCITA 2 ->"), m_stato.usciteAnalogiche[1], 3)});
        }
        if (resto == QLatin1String("0")) {
            m_stato.usciteAnalogiche.fill(0);
        } else {
            m_stato.usciteAnalogiche[numero(resto.at(0)) - 1] = std::min(resto.mid(1).toInt(), 255);
        }
        return {};
    }
    if (lettera == QLatin1Char('E')) {
        return eseguiUnita(resto);
    }
    if (lettera == QLatin1Char('H')) {
        const QString tipo = resto.left(2);
        if (tipo == QLatin1String("DC")) {
            m_stato.abilitazioniDigitali = resto.mid(2);
        } else if (tipo == QLatin1String("DS")) {
            m_stato.livelliDigitali = resto.mid(2);
        } else if (tipo == QLatin1String("AC")) {
            m_stato.abilitazioniAnalogiche = resto.mid(2);
        } else if (tipo == QLatin1String("AS")) {
            m_stato.soglieAnalogiche.clear();
            for (int i = 0; i < 16; ++i) {
                m_stato.soglieAnalogiche << resto.mid(2 + 3 * i, 3);
            }
        }
        return {};
    }
    if (lettera == QLatin1Char('T')) {
        m_stato.tempoRele = resto;
        return {};
    }
    return {};
}

QString SchedaSimulata::eseguiUnita(const QString &resto)
{
    const QChar tipo = resto.at(0);
    if (resto == QLatin1String("RZ")) {
        for (StatoScheda::Unita &unita : m_stato.unita) {
            unita.uscite.fill(false);
        }
        return {};
    }
    if (resto == QLatin1String("A000Z")) {
        for (StatoScheda::Unita &unita : m_stato.unita) {
            unita.analogiche.fill(0);
        }
        return {};
    }
    const QString campo = resto.mid(1, 3);
    const int numeroUnita = Protocollo::unitaDaCampo(campo);
    if (numeroUnita < 0) {
        return {};
    }
    StatoScheda::Unita &unita = m_stato.unita[numeroUnita];
    const QString coda = resto.mid(4);
    if (!unita.presente) {
        return {};
    }

    if (tipo == QLatin1Char('I')) {
        return frameDigitale(Protocollo::InizioIngressiUnita, unita.ingressi);
    }
    if (tipo == QLatin1Char('R')) {
        if (coda == QLatin1String("S")) {
            return frameDigitale(QStringLiteral("UNITA %1 USCITE ->").arg(campo), unita.uscite);
        }
        const int n = coda.toInt();
        if (n == 0) {
            unita.uscite.fill(false);
        } else {
            unita.uscite[n - 1] = !unita.uscite[n - 1];
        }
        return {};
    }
    if (tipo == QLatin1Char('A')) {
        if (coda == QLatin1String("S")) {
            QStringList frame;
            for (int i = 0; i < 8; ++i) {
                frame << frameNumerico(
                    QStringLiteral("UNITA %1 CANALE %2 ->").arg(campo).arg(i + 1),
                    unita.analogiche[i], 3);
            }
            return unisci(frame);
        }
        if (coda == QLatin1String("0")) {
            unita.analogiche.fill(0);
        } else {
            unita.analogiche[coda.at(0).digitValue() - 1] = std::min(coda.mid(1).toInt(), 63);
        }
        return {};
    }
    return {};
}

QString SchedaSimulata::bloccoContinuo() const
{
    QStringList frame{frameDigitale(Protocollo::InizioIngressi, m_stato.ingressi)};
    for (int i = 0; i < 8; ++i) {
        frame << frameAnalogico(QStringLiteral("INGRESSO"), i);
    }
    return unisci(frame);
}

void SchedaSimulata::deriva()
{
    for (int i = 0; i < 8; ++i) {
        // Inputs change now and then; readings wander a little around their value.
        if (m_caso.bounded(20) == 0) {
            m_stato.ingressi[i] = !m_stato.ingressi[i];
        }
        const int passo = static_cast<int>(m_caso.bounded(601)) - 300;
        m_stato.ingressiAnalogici[i] = std::clamp(m_stato.ingressiAnalogici[i] + passo, 0, 65535);
        for (StatoScheda::Unita &unita : m_stato.unita) {
            if (m_caso.bounded(50) == 0) {
                unita.ingressi[i] = !unita.ingressi[i];
            }
        }
    }
}

namespace {

// A whole number within minimo..massimo, or -1.
int numeroIn(const QString &testo, int minimo, int massimo)
{
    bool ok = false;
    const int valore = testo.toInt(&ok);
    return ok && valore >= minimo && valore <= massimo ? valore : -1;
}

} // namespace

QString SchedaSimulata::imposta(const QString &riga)
{
    const QStringList parole = riga.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto errore = [&riga] { return QStringLiteral("riga non valida: %1").arg(riga); };
    if (parole.size() == 3 && parole[0] == QLatin1String("unita")) {
        const int u = numeroIn(parole[1], 1, 8);
        if (u < 0 ||
            (parole[2] != QLatin1String("assente") && parole[2] != QLatin1String("presente"))) {
            return errore();
        }
        m_stato.unita[u - 1].presente = parole[2] == QLatin1String("presente");
        return {};
    }
    if (parole.size() == 3) {
        const int n = numeroIn(parole[1], 1, 8);
        if (n < 0) {
            return errore();
        }
        if (parole[0] == QLatin1String("ingresso")) {
            const int v = numeroIn(parole[2], 0, 1);
            if (v < 0) {
                return errore();
            }
            m_stato.ingressi[n - 1] = v == 1;
            return {};
        }
        if (parole[0] == QLatin1String("analogico")) {
            const int v = numeroIn(parole[2], 0, 65535);
            if (v < 0) {
                return errore();
            }
            m_stato.ingressiAnalogici[n - 1] = v;
            return {};
        }
        return errore();
    }
    if (parole.size() == 5 && parole[0] == QLatin1String("unita")) {
        const int u = numeroIn(parole[1], 1, 8);
        const int n = numeroIn(parole[3], 1, 8);
        if (u < 0 || n < 0) {
            return errore();
        }
        StatoScheda::Unita &unita = m_stato.unita[u - 1];
        const bool canale = parole[2] == QLatin1String("canale");
        const int v = numeroIn(parole[4], 0, canale ? 63 : 1);
        if (v < 0) {
            return errore();
        }
        if (canale) {
            unita.analogiche[n - 1] = v;
        } else if (parole[2] == QLatin1String("uscita")) {
            unita.uscite[n - 1] = v == 1;
        } else if (parole[2] == QLatin1String("ingresso")) {
            unita.ingressi[n - 1] = v == 1;
        } else {
            return errore();
        }
        return {};
    }
    return errore();
}
