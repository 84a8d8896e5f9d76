#pragma once

#include <QList>
#include <QString>

// Text returned for a missing file, section or key; callers treat it as "missing".
inline const QString kErrore = QStringLiteral("ERRORE");

// Reads one key. Sections and keys match regardless of case. Opens, parses and closes the
// whole file: for many keys of one file, IniLetto parses it once.
QString LeggiIni(const QString &file, const QString &sezione, const QString &chiave);

// One key to write.
struct VoceIni
{
    QString sezione;
    QString chiave;
    QString valore;
};

// Writes keys in one atomic replacement of the file, creating file, sections and keys as
// needed. Every other byte of the file stays as it was: lines it does not understand, comments,
// NULs. Returns false when the file could not be read or written, and then the file is as it
// was; `motivo`, when given, says why ("Disco pieno").
bool ScriviIni(const QString &file, const QList<VoceIni> &voci, QString *motivo = nullptr);
bool ScriviIni(const QString &file, const QString &sezione, const QString &chiave,
               const QString &valore);

// The writes of one operator action, collected and written in one replacement of the file
// when the action ends with concludi(). An action abandoned before that writes nothing.
class SalvataggioIni
{
public:
    explicit SalvataggioIni(QString file);
    SalvataggioIni(const SalvataggioIni &) = delete;
    SalvataggioIni &operator=(const SalvataggioIni &) = delete;

    void scrivi(const QString &sezione, const QString &chiave, const QString &valore);
    // Writes the collected keys; false when that failed, and errore() says so for the
    // operator. Later calls do nothing and return true.
    bool concludi();
    QString errore() const;

private:
    QString m_file;
    QString m_motivo;
    QList<VoceIni> m_voci;
    bool m_concluso = false;
};
