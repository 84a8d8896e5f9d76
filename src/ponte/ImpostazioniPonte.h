#pragma once

#include <QList>
#include <QString>

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
// letters, digits, '_' and '-' make the settings unusable.
LetturaImpostazioniPonte leggiImpostazioniPonte(const QString &cartella);

// Letters, digits, '_' and '-', at least one.
bool nomeArgomentoValido(const QString &nome);
