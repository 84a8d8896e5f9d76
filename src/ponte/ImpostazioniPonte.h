#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The bridge's own settings: section [MQTT] of "Ponte.INI" in the settings folder. Every key has
// a default, so a missing file gives a bridge to a broker on this machine.
struct ImpostazioniPonte
{
    QString host = QStringLiteral("127.0.0.1");
    int porta = 1883;
    QString utente;
    QString filePassword;
    QString password; // read from filePassword
    QString ca;       // TLS when set
    QString prefisso = QStringLiteral("brivola");
    QString id = QStringLiteral("scheda1");
    bool discovery = true;
    QString prefissoDiscovery = QStringLiteral("homeassistant");
    int periodoS = 30;
    bool continuo = true;
    QList<int> unita; // peripheral units 1..8 to bridge, ascending
    // No "F?" for this long and the board counts as gone.
    int silenzioS = 10;

    QString idClient() const { return prefisso + QLatin1Char('-') + id; }
};

// The settings as read, or why they cannot be used.
struct LetturaImpostazioniPonte
{
    ImpostazioniPonte impostazioni;
    QString errore; // empty when usable
};

inline const QString kFilePonte = QStringLiteral("Ponte.INI");

// Reads "Ponte.INI" in `cartella` (with or without a trailing '/'). A password file that others
// than its owner may read, a value out of range, or a topic name with other characters than
// letters, digits, '_' and '-' make the settings unusable, and so does any of the folder's
// settings files that is there but cannot be read.
LetturaImpostazioniPonte leggiImpostazioniPonte(const QString &cartella);

// Why a settings file that is there cannot be read (a folder, a FIFO, no permission); empty
// when it can be read or is missing.
QString fileNonLeggibile(const QString &file);

// A whole number written in ASCII digits only (no sign, no blank, no other script's digits)
// within minimo..massimo.
std::optional<int> interoAscii(QStringView testo, int minimo, int massimo);

// A text from outside cut to a length fit for a log line or a reply, marked when cut.
QString eco(const QString &testo, qsizetype massimo = 256);

// Letters, digits, '_' and '-', at least one.
bool nomeArgomentoValido(const QString &nome);
