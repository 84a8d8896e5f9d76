#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// A settings file parsed once, answering any number of lookups the way LeggiIni answers one:
// kErrore for a missing file, section or key, and for a file that cannot be read or parsed.
// Sections and keys match regardless of case. Holds the file's text while it lives.
class IniLetto
{
public:
    enum class Esito { Letto, Assente, Illeggibile };

    // The file's text as UTF-8, every byte of it (NULs included); a file that is not valid
    // UTF-8 is taken as Windows-1252, as older versions wrote it.
    static Esito leggiTesto(const QString &file, QByteArray &testo);

    // Reads and parses the file now; later changes to it are not seen.
    explicit IniLetto(const QString &file);
    // Parses text already read (UTF-8).
    static IniLetto daTesto(const QByteArray &testo);

    IniLetto(IniLetto &&) noexcept;
    IniLetto &operator=(IniLetto &&) noexcept;
    ~IniLetto();

    // False when the file was missing, unreadable or not parsed: every lookup gives kErrore.
    bool isLetto() const;

    // The stored text, or kErrore.
    QString valore(const QString &sezione, const QString &chiave) const;
    // The stored bytes, or a null array when the key is missing.
    QByteArray valoreUtf8(const QByteArray &sezione, const QByteArray &chiave) const;

private:
    IniLetto();

    class Testo;
    std::unique_ptr<Testo> m_testo; // null when nothing was parsed
};
