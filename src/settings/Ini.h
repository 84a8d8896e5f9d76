#pragma once

#include <QString>

class Messaggi;

// Text returned for a missing file, section or key; callers treat it as "missing".
inline const QString kErrore = QStringLiteral("ERRORE");

// Reads one key. Sections and keys match regardless of case. Opens and closes the file.
QString LeggiIni(const QString &file, const QString &sezione, const QString &chiave);

// Writes one key, creating file, section and key as needed and keeping everything else.
// The file is replaced atomically; returns false when it could not be written.
bool ScriviIni(const QString &file, const QString &sezione, const QString &chiave,
               const QString &valore);

// The writes of one operator action: every key is attempted, and a failure is reported
// once, when the action ends.
class SalvataggioIni
{
public:
    SalvataggioIni(Messaggi &messaggi, QString file);
    ~SalvataggioIni();
    SalvataggioIni(const SalvataggioIni &) = delete;
    SalvataggioIni &operator=(const SalvataggioIni &) = delete;

    void scrivi(const QString &sezione, const QString &chiave, const QString &valore);
    // Shows the warning if any write failed; later calls do nothing.
    void concludi();

private:
    Messaggi &m_messaggi;
    QString m_file;
    bool m_fallito = false;
    bool m_concluso = false;
};
