#include "link/DispositiviSeriali.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

QString descrizioneDi(const PortaRilevata &porta)
{
    QStringList parti;
    for (const QString &parte : {porta.descrizione.trimmed(), porta.produttore.trimmed()}) {
        if (!parte.isEmpty() && !parti.contains(parte)) {
            parti << parte;
        }
    }
    return parti.join(QStringLiteral(" - "));
}

void ordina(QList<DispositivoSeriale> &elenco)
{
    std::sort(elenco.begin(), elenco.end(),
              [](const DispositivoSeriale &a, const DispositivoSeriale &b) {
                  return a.percorso < b.percorso;
              });
}

} // namespace

QList<DispositivoSeriale> componiElenco(const QList<PortaRilevata> &porte,
                                        const QList<NomeStabile> &nomiStabili)
{
    QList<DispositivoSeriale> stabili;
    for (const NomeStabile &nome : nomiStabili) {
        const auto porta = std::find_if(porte.begin(), porte.end(), [&](const PortaRilevata &p) {
            return p.percorso == nome.destinazione;
        });
        const QString descrizione = porta != porte.end() ? descrizioneDi(*porta) : QString();
        stabili.append({nome.collegamento, descrizione.isEmpty()
                                               ? nome.destinazione
                                               : descrizione + QStringLiteral(" (") +
                                                     nome.destinazione + QLatin1Char(')')});
    }
    ordina(stabili);

    QList<DispositivoSeriale> sistema;
    for (const PortaRilevata &porta : porte) {
        sistema.append({porta.percorso, descrizioneDi(porta)});
    }
    ordina(sistema);
    return stabili + sistema;
}

QList<DispositivoSeriale> elencaDispositiviSeriali(const QString &cartellaById)
{
    QList<PortaRilevata> porte;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        porte.append({info.systemLocation(), info.description(), info.manufacturer()});
    }
    QList<NomeStabile> nomi;
    const QFileInfoList voci = QDir(cartellaById).entryInfoList(QDir::Files | QDir::System);
    for (const QFileInfo &voce : voci) {
        if (voce.isSymLink()) {
            nomi.append({voce.absoluteFilePath(), voce.canonicalFilePath()});
        }
    }
    return componiElenco(porte, nomi);
}

QString motivoAperturaFallita(const QString &percorso, QSerialPort::SerialPortError errore,
                              const QString &testoSistema)
{
    const QFileInfo file(percorso);
    return motivoAperturaFallita(percorso, errore, testoSistema,
                                 file.exists() && (!file.isReadable() || !file.isWritable()));
}

QString motivoAperturaFallita(const QString &percorso, QSerialPort::SerialPortError errore,
                              const QString &testoSistema, bool accessoNegato)
{
    switch (errore) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("Il dispositivo %1 non esiste: controllare che l'adattatore sia "
                              "collegato e il nome del dispositivo.")
            .arg(percorso);
    case QSerialPort::PermissionError:
        if (accessoNegato) {
            return QStringLiteral("Permesso negato su %1: aggiungere l'utente al gruppo dialout "
                                  "(sudo usermod -a -G dialout $USER), poi uscire dalla sessione "
                                  "e rientrare.")
                .arg(percorso);
        }
        return QStringLiteral("Il dispositivo %1 è già in uso da un altro programma.")
            .arg(percorso);
    case QSerialPort::OpenError:
        return QStringLiteral("Il dispositivo %1 è già aperto.").arg(percorso);
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("%1 non è una porta seriale.").arg(percorso);
    default:
        return QStringLiteral("Impossibile aprire %1 (errore del sistema: %2).")
            .arg(percorso, testoSistema);
    }
}
