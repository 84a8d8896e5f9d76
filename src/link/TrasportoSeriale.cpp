#include "link/TrasportoSeriale.h"

#include "core/Errori.h"
#include "core/TestoStato.h"
#include "core/ValoriProgramma.h"
#include "link/Comando.h"
#include "link/DispositiviSeriali.h"
#include "link/Seriale.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "settings/Utilita.h"

#include <QScopedValueRollback>

#include <limits>

namespace {

// Speeds of the hidden speed group, item 1 first.
const QStringList kVelocita = {QStringLiteral("4800"), QStringLiteral("9600"),
                               QStringLiteral("19200"), QStringLiteral("38400")};

// Item number (from 1) to item index. The groups clamp any index below -1 to no selection, so
// the smallest int, which has no predecessor, stays as it is.
int indiceVoce(int numero)
{
    return numero == std::numeric_limits<int>::min() ? numero : numero - 1;
}

} // namespace

TrasportoSeriale::TrasportoSeriale(const ValoriProgramma &valori, TestoStato &testoStato,
                                   const Temporizzazioni &tempi, QObject *parent)
    : Trasporto(QStringLiteral("SER"), testoStato, tempi, parent), m_valori(valori),
      m_seriale(new Seriale(this))
{
    m_seriale->setObjectName(QStringLiteral("Seriale"));
    connect(m_seriale, &Seriale::datiRicevuti, this, &Trasporto::datiRicevuti);
    connect(m_seriale, &Seriale::aperta, this, &Trasporto::aperto);
    connect(m_seriale, &Seriale::chiusa, this, &TrasportoSeriale::serialeChiusa);
    connect(m_seriale, &Seriale::aperta, this, &Trasporto::statoCambiato);
    connect(m_seriale, &Seriale::chiusa, this, &Trasporto::statoCambiato);
}

bool TrasportoSeriale::isAttivo() const
{
    return m_seriale->isOpen();
}

void TrasportoSeriale::chiudi()
{
    QScopedValueRollback voluta(m_chiusuraVoluta, true);
    m_seriale->chiudi();
}

void TrasportoSeriale::serialeChiusa()
{
    // The status text follows the port, also when the device goes away on its own.
    MostraStatoSeriale();
    if (!m_chiusuraVoluta) {
        emit perso();
    }
}

QString TrasportoSeriale::leggiPorte(const QString &chiave) const
{
    return LeggiIni(m_valori.filePorte, LayoutIni::kSezPorta, chiave);
}

SceltaSeriale TrasportoSeriale::sceltaSalvata() const
{
    QString numero = leggiPorte(LayoutIni::kChiaveNumero);
    QString velocita = leggiPorte(LayoutIni::kChiaveVelocita);
    if (numero.toUpper() == kErrore) {
        numero = QStringLiteral("1");
    }
    if (velocita.toUpper() == kErrore) {
        velocita = QStringLiteral("1");
    } else if (const qsizetype voce = kVelocita.indexOf(velocita); voce >= 0) {
        velocita = QString::number(voce + 1);
    }
    SceltaSeriale scelta;
    scelta.indiceNumero = indiceVoce(StrToInt(numero));
    scelta.indiceVelocita = indiceVoce(StrToInt(velocita));
    scelta.dispositivo = leggiPorte(LayoutIni::kChiaveDispositivo);
    if (scelta.dispositivo == kErrore) {
        scelta.dispositivo.clear();
    }
    return scelta;
}

bool TrasportoSeriale::salva(int numero, int voceVelocita, const QString &dispositivo)
{
    const QString velocita =
        voceVelocita >= 1 && voceVelocita <= 4 ? kVelocita.at(voceVelocita - 1) : kVelocita.at(0);
    SalvataggioIni salvataggio(m_valori.filePorte);
    salvataggio.scrivi(LayoutIni::kSezTipo, LayoutIni::kChiaveCollegamento, QStringLiteral("0"));
    salvataggio.scrivi(LayoutIni::kSezPorta, LayoutIni::kChiaveNumero, QString::number(numero));
    salvataggio.scrivi(LayoutIni::kSezPorta, LayoutIni::kChiaveVelocita, velocita);
    salvataggio.scrivi(LayoutIni::kSezPorta, LayoutIni::kChiaveDispositivo, dispositivo);
    const bool salvato = salvataggio.concludi();
    if (!salvato) {
        emit avviso(salvataggio.errore());
    }

    // An open port on another device than the one just saved is closed, so the next page
    // entry opens the new one.
    const QString nuovo = Seriale::nomeDispositivo(dispositivo, numero);
    if (m_seriale->isOpen() && nuovo != m_seriale->nomeDispositivo()) {
        chiudi();
    }
    return salvato;
}

void TrasportoSeriale::ApriSeriale()
{
    const QString numero = leggiPorte(LayoutIni::kChiaveNumero);
    if (numero == kErrore) {
        return;
    }
    const QString velocita = leggiPorte(LayoutIni::kChiaveVelocita);
    if (velocita == kErrore) {
        return;
    }
    const int numeroPorta = StrToInt(numero);
    const int baud = StrToInt(velocita);
    QString dispositivo = leggiPorte(LayoutIni::kChiaveDispositivo);
    if (dispositivo == kErrore) {
        dispositivo.clear();
    }
    try {
        // Moving an open port to another device is no lost link.
        QScopedValueRollback voluta(m_chiusuraVoluta, true);
        m_seriale->setDispositivo(dispositivo);
        m_seriale->setComNumber(numeroPorta);
    } catch (const ErroreProgramma &) {
        // The port is closed now; opening it below says why it cannot.
    }
    if (baud == 4800 || baud == 9600 || baud == 19200 || baud == 38400 || baud == 57600) {
        m_seriale->setBaud(baud);
        m_seriale->setParity(QSerialPort::NoParity);
        m_seriale->setDataBits(QSerialPort::Data8);
        m_seriale->setStopBits(QSerialPort::OneStop);
    }
    if (!m_seriale->isOpen()) {
        try {
            m_seriale->apri();
        } catch (const ErroreProgramma &) {
            emit messaggio(QStringLiteral("Verificare la porta selezionata\n\n") +
                           motivoAperturaFallita(m_seriale->nomeDispositivo(),
                                                 m_seriale->erroreApertura(),
                                                 m_seriale->testoErroreApertura()));
        }
    }
    MostraStatoSeriale();
}

void TrasportoSeriale::MostraStatoSeriale()
{
    const QString numero = leggiPorte(LayoutIni::kChiaveNumero);
    const QString velocita = leggiPorte(LayoutIni::kChiaveVelocita);
    const QString stato = m_seriale->isOpen() ? QStringLiteral("Aperta") : QStringLiteral("Chiusa");
    static const QStringList kPorteConStato = {QStringLiteral("1"), QStringLiteral("2"),
                                               QStringLiteral("3"), QStringLiteral("4")};
    if (numero != kErrore && kPorteConStato.contains(numero)) {
        testoStato().impostaTesto(0, QStringLiteral("Comm ") + numero + QLatin1Char(' ') + stato +
                                         QStringLiteral(" Velocità ") + velocita);
    }
}

QList<Trasporto::Pezzo> TrasportoSeriale::pezzi(const Comando &comando) const
{
    QList<Pezzo> elenco;
    for (const QString &pezzo : comando.pezziSeriale) {
        elenco.append({pezzo.toLatin1(),
                       elenco.isEmpty() ? tempi().primoPezzoMs : tempi().pezzoMs});
    }
    return elenco;
}

QList<Trasporto::Pezzo> TrasportoSeriale::pezziDiretti(const QString &testo) const
{
    return {{testo.toLatin1(), tempi().pezzoMs}};
}

bool TrasportoSeriale::scriviPezzo(const QByteArray &dati)
{
    // A closed port takes nothing: the piece is skipped.
    if (!m_seriale->isOpen()) {
        return false;
    }
    m_seriale->scrivi(dati);
    return true;
}
