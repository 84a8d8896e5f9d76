#include "settings/Ini.h"

#include "core/Messaggi.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

// The ASCII/UTF-8 form of the parser needs none of the wide-character converters.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <exception>
#include <string>

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

enum class Esito { Letto, Assente, Illeggibile };

Esito carica(CSimpleIniA &ini, const QString &percorso)
{
    QFile file(percorso);
    if (!file.exists()) {
        return Esito::Assente;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return Esito::Illeggibile;
    }
    const QByteArray dati = comeUtf8(file.readAll());
    if (file.error() != QFileDevice::NoError) {
        return Esito::Illeggibile;
    }
    return ini.LoadData(dati.constData(), static_cast<size_t>(dati.size())) < 0
               ? Esito::Illeggibile
               : Esito::Letto;
}

void prepara(CSimpleIniA &ini)
{
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetSpaces(false);
}

} // namespace

QString LeggiIni(const QString &file, const QString &sezione, const QString &chiave)
{
    try {
        CSimpleIniA ini;
        prepara(ini);
        if (carica(ini, file) != Esito::Letto) {
            return kErrore;
        }
        const QByteArray s = sezione.toUtf8();
        const QByteArray k = chiave.toUtf8();
        const char *valore = ini.GetValue(s.constData(), k.constData(), nullptr);
        return valore ? QString::fromUtf8(valore) : kErrore;
    } catch (const std::exception &) {
        return kErrore;
    }
}

bool ScriviIni(const QString &file, const QString &sezione, const QString &chiave,
               const QString &valore)
{
    try {
        CSimpleIniA ini;
        prepara(ini);
        // A file we cannot read must not be replaced by one holding only this key.
        if (carica(ini, file) == Esito::Illeggibile) {
            return false;
        }
        const QByteArray s = sezione.toUtf8();
        const QByteArray k = chiave.toUtf8();
        const QByteArray v = valore.toUtf8();
        if (ini.SetValue(s.constData(), k.constData(), v.constData()) < 0) {
            return false;
        }
        std::string testo;
        if (ini.Save(testo, false) < 0) {
            return false;
        }
        QSaveFile uscita(file);
        if (!uscita.open(QIODevice::WriteOnly)) {
            return false;
        }
        uscita.write(testo.data(), static_cast<qint64>(testo.size()));
        return uscita.commit();
    } catch (const std::exception &) {
        return false;
    }
}

SalvataggioIni::SalvataggioIni(Messaggi &messaggi, QString file)
    : m_messaggi(messaggi), m_file(std::move(file))
{
}

SalvataggioIni::~SalvataggioIni()
{
    if (std::uncaught_exceptions() == 0) {
        concludi();
    }
}

void SalvataggioIni::scrivi(const QString &sezione, const QString &chiave, const QString &valore)
{
    if (!ScriviIni(m_file, sezione, chiave, valore)) {
        m_fallito = true;
    }
}

void SalvataggioIni::concludi()
{
    if (m_concluso) {
        return;
    }
    m_concluso = true;
    if (m_fallito) {
        m_messaggi.avviso(QStringLiteral("Impossibile salvare le impostazioni nel file ") + m_file);
    }
}
