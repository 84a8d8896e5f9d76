#include "settings/IniLetto.h"

#include "settings/Ini.h"

#include <QFile>
#include <QStringDecoder>

// The ASCII/UTF-8 form of the parser needs none of the wide-character converters.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <array>
#include <exception>

namespace {

// Bytes 0x80..0x9F of Windows-1252; the rest of the code page equals Latin-1.
constexpr char16_t kWindows1252Alti[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Settings files are UTF-8; files written by older Windows versions are Windows-1252.
QByteArray comeUtf8(const QByteArray &grezzo)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString testo = utf8.decode(grezzo);
    if (!utf8.hasError()) {
        return grezzo;
    }
    QString convertito;
    convertito.reserve(grezzo.size());
    for (const char c : grezzo) {
        const auto byte = static_cast<unsigned char>(c);
        convertito.append(byte >= 0x80 && byte < 0xA0 ? QChar(kWindows1252Alti[byte - 0x80])
                                                      : QChar(byte));
    }
    return convertito.toUtf8();
}

} // namespace

// The parser works on NUL-terminated strings, so a NUL in the file would end its reading
// there. Each NUL is handed to it as a control byte the file does not use, and turned back
// into a NUL in the values read.
class IniLetto::Testo
{
public:
    explicit Testo(const QByteArray &dati)
    {
        std::array<bool, 256> usato{};
        for (const char c : dati) {
            usato[static_cast<unsigned char>(c)] = true;
        }
        for (const char candidato :
             {'\x01', '\x02', '\x03', '\x04', '\x05', '\x06', '\x07', '\x08', '\x0b', '\x0c',
              '\x0e', '\x0f', '\x10', '\x11', '\x12', '\x13', '\x14', '\x15', '\x16', '\x17',
              '\x18', '\x19', '\x1a', '\x1b', '\x1c', '\x1d', '\x1e', '\x1f', '\x7f'}) {
            if (!usato[static_cast<unsigned char>(candidato)]) {
                m_segnaposto = candidato;
                m_reversibile = true;
                break;
            }
        }
        m_ini.SetUnicode(true);
        m_ini.SetMultiKey(false);
        m_ini.SetMultiLine(false);
        QByteArray senzaNul = dati;
        // Most files hold no NUL: no copy of their text for them.
        if (usato[0]) {
            senzaNul.replace('\0', m_segnaposto);
        }
        m_caricato =
            m_ini.LoadData(senzaNul.constData(), static_cast<size_t>(senzaNul.size())) >= 0;
    }

    bool caricato() const { return m_caricato; }

    QByteArray valore(const QByteArray &sezione, const QByteArray &chiave) const
    {
        const char *trovato = m_ini.GetValue(sezione.constData(), chiave.constData(), nullptr);
        if (!trovato) {
            return {};
        }
        QByteArray valore(trovato);
        if (m_reversibile) {
            valore.replace(m_segnaposto, '\0');
        }
        return valore;
    }

private:
    CSimpleIniA m_ini;
    char m_segnaposto = '\x01';
    bool m_reversibile = false;
    bool m_caricato = false;
};

IniLetto::Esito IniLetto::leggiTesto(const QString &file, QByteArray &testo)
{
    QFile lettura(file);
    if (!lettura.exists()) {
        return Esito::Assente;
    }
    if (!lettura.open(QIODevice::ReadOnly)) {
        return Esito::Illeggibile;
    }
    const QByteArray grezzo = lettura.readAll();
    if (lettura.error() != QFileDevice::NoError) {
        return Esito::Illeggibile;
    }
    testo = comeUtf8(grezzo);
    return Esito::Letto;
}

IniLetto::IniLetto() = default;

IniLetto::IniLetto(const QString &file)
{
    try {
        QByteArray dati;
        if (leggiTesto(file, dati) == Esito::Letto) {
            m_testo = std::make_unique<Testo>(dati);
        }
    } catch (const std::exception &) {
        // Out of memory: read as a file that is not there, as a single lookup always did.
        m_testo.reset();
    }
}

IniLetto IniLetto::daTesto(const QByteArray &testo)
{
    IniLetto letto;
    letto.m_testo = std::make_unique<Testo>(testo);
    return letto;
}

IniLetto::IniLetto(IniLetto &&) noexcept = default;
IniLetto &IniLetto::operator=(IniLetto &&) noexcept = default;
IniLetto::~IniLetto() = default;

bool IniLetto::isLetto() const
{
    return m_testo && m_testo->caricato();
}

QString IniLetto::valore(const QString &sezione, const QString &chiave) const
{
    try {
        const QByteArray trovato = valoreUtf8(sezione.toUtf8(), chiave.toUtf8());
        return trovato.isNull() ? kErrore : QString::fromUtf8(trovato);
    } catch (const std::exception &) {
        return kErrore;
    }
}

QByteArray IniLetto::valoreUtf8(const QByteArray &sezione, const QByteArray &chiave) const
{
    if (!isLetto()) {
        return {};
    }
    return m_testo->valore(sezione, chiave);
}
