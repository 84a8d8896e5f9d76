#include "pages/andamento/StoricoAnalogici.h"
#include "pages/andamento/CampoCsv.h"

#include "config/ConfigurazionePredefinita.h"
#include "core/ValoriProgramma.h"
#include "settings/ScritturaSicura.h"

#include <QDateTime>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>

namespace {

constexpr qint64 kMsMinuto = 60 * 1000;
constexpr qsizetype kBloccoScrittura = 64 * 1024;

qint64 minutoDi(qint64 ms)
{
    // Rounded down, also before the epoch.
    return ms >= 0 ? ms / kMsMinuto : -((-ms + kMsMinuto - 1) / kMsMinuto);
}

// Local time in ISO 8601. The offset only changes on a whole minute, so the date, hour, minute
// and offset are worked out once a minute; an export of a day formats 1440 minutes, not
// 691 200 date-times, and the rest is written digit by digit.
class FormatoIso
{
public:
    static constexpr int Lunghezza = 29;

    // Writes Lunghezza characters at `dove`.
    void scrivi(char *dove, qint64 ms)
    {
        const qint64 minuto = minutoDi(ms);
        if (minuto != m_minuto) {
            m_minuto = minuto;
            const QDateTime inizio = QDateTime::fromMSecsSinceEpoch(minuto * kMsMinuto);
            const QByteArray prefisso =
                inizio.toString(QStringLiteral("yyyy-MM-ddTHH:mm:")).toLatin1();
            const int scarto = inizio.offsetFromUtc();
            const int assoluto = scarto < 0 ? -scarto : scarto;
            const QByteArray fuso = QStringLiteral("%1%2:%3")
                                        .arg(scarto < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                                        .arg(assoluto / 3600, 2, 10, QLatin1Char('0'))
                                        .arg(assoluto / 60 % 60, 2, 10, QLatin1Char('0'))
                                        .toLatin1();
            // Years past 9999 do not fit: they are cut, as no board lives to see them.
            std::fill(m_testo.begin(), m_testo.end(), '0');
            std::copy_n(prefisso.constData(), std::min<qsizetype>(prefisso.size(), 17),
                        m_testo.begin());
            m_testo[19] = '.';
            std::copy_n(fuso.constData(), std::min<qsizetype>(fuso.size(), 6),
                        m_testo.begin() + 23);
        }
        const int resto = static_cast<int>(ms - minuto * kMsMinuto);
        m_testo[17] = char('0' + resto / 10000);
        m_testo[18] = char('0' + resto / 1000 % 10);
        m_testo[20] = char('0' + resto / 100 % 10);
        m_testo[21] = char('0' + resto / 10 % 10);
        m_testo[22] = char('0' + resto % 10);
        std::memcpy(dove, m_testo.data(), Lunghezza);
    }

private:
    qint64 m_minuto = std::numeric_limits<qint64>::min();
    std::array<char, Lunghezza> m_testo{};
};

} // namespace

StoricoAnalogici::StoricoAnalogici(const ValoriConfigurazione &configurazione, QObject *parent)
    : QObject(parent), m_configurazione(configurazione), m_etichette(NumeroIngressi)
{
    m_letture.reserve(NumeroIngressi);
    for (int i = 0; i < NumeroIngressi; ++i) {
        m_letture.emplace_back(LettureMassime, DurataMassimaMs);
    }
}

QString StoricoAnalogici::nome(int ingresso) const
{
    return m_configurazione.nomiIA.at(ingresso - 1);
}

QString StoricoAnalogici::unita(int ingresso) const
{
    bool numero = false;
    const int indice = m_configurazione.unitaIA.at(ingresso - 1).toInt(&numero);
    const QStringList &elenco = ConfigurazionePredefinita::kUnita;
    return numero && indice >= 0 && indice < elenco.size() ? elenco.at(indice) : QString();
}

void StoricoAnalogici::aggiungiLettura(int ingresso, qint64 valore, const QDateTime &quando)
{
    if (quando.isValid()) {
        aggiungiLetturaMs(ingresso, valore, quando.toMSecsSinceEpoch());
    }
}

void StoricoAnalogici::aggiungiLetturaOra(int ingresso, qint64 valore)
{
    aggiungiLetturaMs(ingresso, valore, QDateTime::currentMSecsSinceEpoch());
}

void StoricoAnalogici::aggiungiLetturaMs(int ingresso, qint64 valore, qint64 ms)
{
    if (ingresso < 1 || ingresso > NumeroIngressi) {
        return;
    }
    BufferLetture &letture = m_letture[ingresso - 1];
    QList<Etichetta> &etichette = m_etichette[ingresso - 1];
    const QString &nomeOra = m_configurazione.nomiIA[ingresso - 1];
    const QString unitaOra = unita(ingresso);
    if (etichette.isEmpty() || etichette.constLast().nome != nomeOra ||
        etichette.constLast().unita != unitaOra) {
        etichette.append({letture.aggiunte(), nomeOra, unitaOra});
    }
    letture.aggiungi(ms, valore);
    // Names no kept reading carries any more go.
    const qint64 primoTenuto = letture.aggiunte() - letture.size();
    while (etichette.size() > 1 && etichette.at(1).daNumero <= primoTenuto) {
        etichette.removeFirst();
    }
    emit letturaAggiunta(ingresso);
}

qsizetype StoricoAnalogici::numeroLetture() const
{
    qsizetype totale = 0;
    for (const BufferLetture &letture : m_letture) {
        totale += letture.size();
    }
    return totale;
}

void StoricoAnalogici::svuota()
{
    for (BufferLetture &letture : m_letture) {
        letture.svuota();
    }
    for (QList<Etichetta> &etichette : m_etichette) {
        etichette.clear();
    }
}

QString StoricoAnalogici::dataOraIso(qint64 ms)
{
    std::array<char, FormatoIso::Lunghezza> testo{};
    FormatoIso().scrivi(testo.data(), ms);
    return QString::fromLatin1(testo.data(), FormatoIso::Lunghezza);
}

qint64 StoricoAnalogici::scriviCsv(QIODevice &uscita) const
{
    // Lines are put together in one block of memory written out every 64 KiB; a line never
    // allocates.
    QByteArray blocco(kBloccoScrittura, Qt::Uninitialized);
    qsizetype pieno = 0;
    const auto scarica = [&] {
        const bool scritto = uscita.write(blocco.constData(), pieno) == pieno;
        pieno = 0;
        return scritto;
    };
    const QByteArray intestazione =
        QStringLiteral("timestamp;ingresso;nome;valore;unità\r\n").toUtf8();
    std::memcpy(blocco.data(), intestazione.constData(), size_t(intestazione.size()));
    pieno = intestazione.size();

    // Merges the eight inputs by time; at equal times the lower input comes first.
    std::vector<qsizetype> prossima(NumeroIngressi, 0);
    std::vector<qsizetype> etichetta(NumeroIngressi, 0);
    std::vector<QByteArray> nomi(NumeroIngressi);
    std::vector<QByteArray> unita(NumeroIngressi);
    std::vector<qint64> cambio(NumeroIngressi, std::numeric_limits<qint64>::min());
    FormatoIso formato;
    qint64 scritte = 0;
    for (;;) {
        int scelto = -1;
        qint64 primo = 0;
        for (int i = 0; i < NumeroIngressi; ++i) {
            if (prossima[i] < m_letture[i].size()) {
                const qint64 ms = m_letture[i].at(prossima[i]).ms;
                if (scelto < 0 || ms < primo) {
                    scelto = i;
                    primo = ms;
                }
            }
        }
        if (scelto < 0) {
            break;
        }
        const BufferLetture &letture = m_letture[scelto];
        const QList<Etichetta> &etichette = m_etichette[scelto];
        const qint64 numero = letture.aggiunte() - letture.size() + prossima[scelto];
        if (numero >= cambio[scelto]) {
            // The name in force for this reading: the last one that starts at or before it.
            qsizetype &e = etichetta[scelto];
            while (e + 1 < etichette.size() && etichette.at(e + 1).daNumero <= numero) {
                ++e;
            }
            nomi[scelto] = campoCsv(etichette.at(e).nome);
            unita[scelto] = campoCsv(etichette.at(e).unita);
            cambio[scelto] = e + 1 < etichette.size() ? etichette.at(e + 1).daNumero
                                                      : std::numeric_limits<qint64>::max();
        }
        const QByteArray &nome = nomi[scelto];
        const QByteArray &unitaScelta = unita[scelto];
        // Time, input, two separators, value, two more, the line end.
        const qsizetype lunghezza =
            FormatoIso::Lunghezza + 2 + 1 + nome.size() + 1 + 20 + 1 + unitaScelta.size() + 2;
        if (pieno + lunghezza > blocco.size()) {
            if (!scarica()) {
                return -1;
            }
            if (lunghezza > blocco.size()) {
                blocco.resize(lunghezza);
            }
        }
        char *p = blocco.data() + pieno;
        const Lettura &lettura = letture.at(prossima[scelto]);
        formato.scrivi(p, lettura.ms);
        p += FormatoIso::Lunghezza;
        *p++ = ';';
        *p++ = char('1' + scelto);
        *p++ = ';';
        std::memcpy(p, nome.constData(), size_t(nome.size()));
        p += nome.size();
        *p++ = ';';
        // Values are the whole numbers the page shows, so no decimal separator arises.
        p = std::to_chars(p, p + 20, lettura.valore).ptr;
        *p++ = ';';
        std::memcpy(p, unitaScelta.constData(), size_t(unitaScelta.size()));
        p += unitaScelta.size();
        *p++ = '\r';
        *p++ = '\n';
        pieno = p - blocco.constData();
        ++prossima[scelto];
        ++scritte;
    }
    return scarica() ? scritte : -1;
}

qint64 StoricoAnalogici::esportaCsv(const QString &percorso, QString *errore) const
{
    QSaveFile file(percorso);
    qint64 scritte = -1;
    errno = 0;
    if (file.open(QIODevice::WriteOnly) && file.write("\xEF\xBB\xBF", 3) == 3) {
        scritte = scriviCsv(file);
    }
    // A full disk may only show at the flush; commit() alone would rename a short file over
    // an earlier export.
    if (scritte < 0 || !file.flush() || !file.commit()) {
        if (errore) {
            *errore = motivoScrittura(errno, file.errorString());
        }
        file.cancelWriting();
        return -1;
    }
    return scritte;
}
