#pragma once

#include <QString>
#include <QStringList>

#include <array>

// What the configuration starts from: the design-time texts of the configuration page and the
// value a missing "OPTION" key gets on reload.
namespace ConfigurazionePredefinita {

// Items of every unit combo box; a unit index points into this list.
inline const QStringList kUnita = {QStringLiteral("°C"), QStringLiteral("Km/h"),
                                   QStringLiteral("%"), QStringLiteral("VDC"),
                                   QStringLiteral("ATM")};

inline const std::array<QString, 8> kNomiUD = {
    QStringLiteral("Riscaldamento"), QStringLiteral("Condizionamento"),
    QStringLiteral("Irrigazione"),   QStringLiteral("Antifurto"),
    QStringLiteral("Sirena"),        QStringLiteral("Luci Interne"),
    QStringLiteral("Luci Esterne"),  QStringLiteral("Accensione PC")};

inline const std::array<QString, 8> kNomiID = {
    QStringLiteral("Stato Caldaia"),       QStringLiteral("Stato Condizionamento"),
    QStringLiteral("Allarme Zona1"),       QStringLiteral("Allarme Zona2"),
    QStringLiteral("Allarme Gas"),         QStringLiteral("Allarme Fumo/Incendio"),
    QStringLiteral("Allarme Allagamento"), QStringLiteral("Sensore Pioggia")};

inline const std::array<QString, 2> kNomiUA = {QStringLiteral("LUMINOSITA'"),
                                               QStringLiteral("VENTILAZIONE")};

inline const std::array<QString, 8> kNomiIA = {
    QStringLiteral("TEMPERATURA INTERNA"), QStringLiteral("TEMPERATURA ESTERNA"),
    QStringLiteral("VELOCITA' VENTO"),     QStringLiteral("UMIDITA' AMBIENTE"),
    QStringLiteral("UMIDITA' TERRENO"),    QStringLiteral("LIVELLO TENSIONE DC"),
    QStringLiteral("TEMPERATURA CALDAIA"), QStringLiteral("PRESSIONE CALDAIA")};

inline const std::array<QString, 8> kUnitaIA = {
    QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
    QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("0"), QStringLiteral("4")};

inline const std::array<QString, 8> kMinimiIA = {
    QStringLiteral("-20"), QStringLiteral("-20"), QStringLiteral("0"),   QStringLiteral("0"),
    QStringLiteral("0"),   QStringLiteral("0"),   QStringLiteral("-20"), QStringLiteral("0")};

inline const std::array<QString, 8> kMassimiIA = {
    QStringLiteral("50"),  QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("100"),
    QStringLiteral("100"), QStringLiteral("5"),  QStringLiteral("50"),  QStringLiteral("10")};

} // namespace ConfigurazionePredefinita
