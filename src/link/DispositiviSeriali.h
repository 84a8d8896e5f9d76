#pragma once

#include <QList>
#include <QSerialPort>
#include <QString>

// A serial device the operator can pick: the path to open and what the system says it is.
struct DispositivoSeriale
{
    QString percorso;
    QString descrizione; // "description - maker", either may be missing
};

// A port as the system reports it.
struct PortaRilevata
{
    QString percorso; // /dev/ttyUSB0
    QString descrizione;
    QString produttore;
};

// A link of /dev/serial/by-id/ and the device it points to.
struct NomeStabile
{
    QString collegamento; // /dev/serial/by-id/usb-FTDI_...-if00-port0
    QString destinazione; // /dev/ttyUSB0
};

// The by-id names first (they survive a replug or a reboot), then every port by its system
// path; each sorted by path. A by-id name carries the description of the port it points to.
QList<DispositivoSeriale> componiElenco(const QList<PortaRilevata> &porte,
                                        const QList<NomeStabile> &nomiStabili);

// The devices on this machine: QSerialPortInfo and the links in `cartellaById`.
QList<DispositivoSeriale>
elencaDispositiviSeriali(const QString &cartellaById = QStringLiteral("/dev/serial/by-id"));

// Why a device did not open, in Italian, for the operator. `errore` and `testoSistema` are the
// serial port's error and its text; `accessoNegato` tells a device the user may not open from
// one held by another program, which the serial port reports alike.
QString motivoAperturaFallita(const QString &percorso, QSerialPort::SerialPortError errore,
                              const QString &testoSistema, bool accessoNegato);
// The same, with `accessoNegato` taken from the device file as it is now.
QString motivoAperturaFallita(const QString &percorso, QSerialPort::SerialPortError errore,
                              const QString &testoSistema);
