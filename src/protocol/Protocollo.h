#pragma once

#include "link/Comando.h"

#include <QLatin1String>
#include <QString>
#include <QStringList>

#include <array>

// The wire protocol shared by the panel and the board simulator: command texts, payload fields
// and the reading of reply frames.
namespace Protocollo {

inline constexpr QLatin1String Pronto("F?");
inline constexpr QLatin1String FineRiga("\r\n");
inline constexpr QLatin1String InizioValore("->");
inline constexpr QLatin1String FineValore("<-");

// Start markers of the reply frames.
inline constexpr QLatin1String InizioRele("STATO USCITE RELE ->");
inline constexpr QLatin1String InizioIngressi("STATO INGRESSI ->");
inline constexpr QLatin1String InizioAnalogico("ANALOGICO ->");
inline constexpr QLatin1String InizioIngressiUnita(" STATO INGRESSI ->");

// Texts whose joint presence between two prompts tells that continuous output is on.
inline constexpr QLatin1String SegnoContinuoIngressi("STATO INGRESSI");
inline constexpr QLatin1String SegnoContinuoAnalogici("INGRESSO ");

// Width of the value carried by each kind of frame.
inline constexpr int CifreDigitali = 8;
inline constexpr int CifreAnalogico = 5;
inline constexpr int CifreUscitaAnalogica = 3;

// --- payload fields ---

// Peripheral unit 0..7 as three "0"/"1" characters, least significant bit first.
QString campoUnita(int unita);
// Inverse of campoUnita; -1 when the field is not three "0"/"1" characters.
int unitaDaCampo(const QString &campo);

// The last three characters of "000" followed by the digits.
QString campoTreCifre(const QString &cifre);
QString campoTreCifre(int valore);

// Eight "0"/"1" characters, input 1 first.
QString stringaFlag(const std::array<bool, 8> &flag);

// --- commands ---

Comando continuo();

Comando statoRele();
Comando operaRele(int n);
Comando resetRele();

Comando statoIngressi();
Comando letturaAnalogici();

Comando statoUsciteAnalogiche();
// `livello` is the board level 0..255, sent as three digits.
Comando impostaUscitaAnalogica(int uscita, int livello);
Comando resetUsciteAnalogiche();

Comando statoUsciteUnita(int unita);
Comando operaUscitaUnita(int unita, int n);
Comando resetUsciteUnita(int unita);
Comando resetUsciteTutteUnita();

Comando statoIngressiUnita(int unita);

Comando statoAnalogicheUnita(int unita);
// `livello` is the unit's level 0..63, sent as three digits.
Comando impostaAnalogicaUnita(int unita, int canale, int livello);
Comando resetAnalogicheUnita(int unita);
Comando resetAnalogicheTutteUnita();

Comando abilitazioniAllarmiDigitali(const QString &flag8);
Comando livelliAllarmiDigitali(const QString &flag8);
Comando abilitazioniAllarmiAnalogici(const QString &flag8);
// Only the command head: the sixteen three-digit thresholds follow it, written without waiting
// for the prompt and without line ends.
Comando soglieAllarmiAnalogici();

Comando tempoRele(const QString &cifra);

// --- replies ---

// The value of a frame: the text between the first "->" and the first "<-", left-filled with
// 21 "0" and cut to its last `n` characters. Missing markers read as an empty body.
QString valoreFrame(const QString &testo, int n);

// Where one complete frame lies in a text: from its start marker to the end of its "<-".
struct PosizioneFrame
{
    qsizetype inizio = -1;
    qsizetype fine = -1; // one past the "<-"
    bool trovato() const { return inizio >= 0; }
    QString in(const QString &testo) const { return testo.mid(inizio, fine - inizio); }
};

// The first complete frame with start marker `marcatore` (letter case ignored) at or after
// `da`: a start marker without its "<-", or with another "->" before it, is no frame. With the
// bare marker "->" only frames of no named kind count: a relay, inputs or analog input frame
// is never taken for an analog output or a unit's frame.
PosizioneFrame trovaFrame(const QString &testo, QLatin1String marcatore, qsizetype da = 0);
// The texts of the first `massimo` complete frames with that marker, in order.
QStringList trovaFrame(const QString &testo, QLatin1String marcatore, int massimo);

// Channel states of an eight-character body: index 0 is channel 1 (the rightmost character);
// "1", compared after upper-casing, means set.
std::array<bool, 8> statiCanali(const QString &stato8);

// True when the text received between two prompts shows the board's continuous output.
bool testoModoContinuo(const QString &testo);

} // namespace Protocollo
