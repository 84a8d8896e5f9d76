#pragma once


#include <QString>

// Names of files, sections and keys of the two settings files. Sections and keys are
// matched without regard to case, but are always written as spelled here.
namespace LayoutIni {

inline const QString kFilePorte = QStringLiteral("Porte.INI");
inline const QString kFileImpostazioni = QStringLiteral("Impostazioni.INI");

// Porte.INI
inline const QString kSezTipo = QStringLiteral("TIPO");
inline const QString kChiaveCollegamento = QStringLiteral("Collegamento"); // "0" serial, "1" TCP, "2" MQTT
inline const QString kSezPorta = QStringLiteral("Porta");
inline const QString kChiaveNumero = QStringLiteral("Numero");
inline const QString kChiaveVelocita = QStringLiteral("Velocita");
inline const QString kChiaveDispositivo = QStringLiteral("Dispositivo"); // optional device path
inline const QString kSezTcp = QStringLiteral("TCP");
inline const QString kChiaveIp = QStringLiteral("IP");
inline const QString kChiavePortaTcp = QStringLiteral("Porta");
inline const QString kSezMqtt = QStringLiteral("MQTT"); // the board through the bridge
inline const QString kChiaveHost = QStringLiteral("Host");
inline const QString kChiavePortaMqtt = QStringLiteral("Porta");
inline const QString kChiaveId = QStringLiteral("Id");
inline const QString kChiavePrefisso = QStringLiteral("Prefisso");
inline const QString kChiaveUtente = QStringLiteral("Utente");
inline const QString kChiaveFilePassword = QStringLiteral("FilePassword");
inline const QString kChiaveCa = QStringLiteral("CA");
inline const QString kSezTraffico = QStringLiteral("Traffico");
inline const QString kChiaveRegistraTraffico = QStringLiteral("Registra"); // "1" recording on

// Impostazioni.INI
inline const QString kSezOption = QStringLiteral("OPTION");
inline const QString kChiaveContinuo = QStringLiteral("CONTINUO");
inline const QString kSezImpostazioni = QStringLiteral("Impostazioni");
inline const QString kChiaveAllarme = QStringLiteral("Allarme");
inline const QString kChiaveStato = QStringLiteral("Stato");
inline const QString kChiaveAllarmeA = QStringLiteral("AllarmeA");

// Keys numbered 1..8 always carry a two-digit suffix: "UD01", "StatoAMin08".
inline QString numerata(const QString &radice, int n)
{
    return radice + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

inline QString chiaveUD(int n) { return numerata(QStringLiteral("UD"), n); }
inline QString chiaveID(int n) { return numerata(QStringLiteral("ID"), n); }
inline QString chiaveUA(int n) { return numerata(QStringLiteral("UA"), n); }
inline QString chiaveIA(int n) { return numerata(QStringLiteral("IA"), n); }
inline QString chiaveIAT(int n) { return numerata(QStringLiteral("IAT"), n); }
inline QString chiaveIAV(int n) { return numerata(QStringLiteral("IAV"), n); }
inline QString chiaveIAVM(int n) { return numerata(QStringLiteral("IAVM"), n); }
inline QString chiaveStatoAMin(int n) { return numerata(QStringLiteral("StatoAMin"), n); }
inline QString chiaveStatoAMax(int n) { return numerata(QStringLiteral("StatoAMax"), n); }

} // namespace LayoutIni
