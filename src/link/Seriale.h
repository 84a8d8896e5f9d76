#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

// The program's serial port. Everything runs on the GUI thread: received bytes are read in
// chunks on readyRead and handed to every consumer, each reading from the same starting point.
class Seriale : public QObject
{
    Q_OBJECT

public:
    explicit Seriale(QObject *parent = nullptr);
    ~Seriale() override;

    int comNumber() const { return m_comNumber; }
    // On an open port a new number closes the port and opens it again.
    void setComNumber(int numero);
    qint32 baud() const { return m_baud; }
    void setBaud(qint32 baud);
    QSerialPort::Parity parity() const { return m_parity; }
    void setParity(QSerialPort::Parity parity);
    QSerialPort::DataBits dataBits() const { return m_dataBits; }
    void setDataBits(QSerialPort::DataBits bits);
    QSerialPort::StopBits stopBits() const { return m_stopBits; }
    void setStopBits(QSerialPort::StopBits bits);

    // A device path that wins over the number when not empty (a USB adapter, a pseudo-terminal).
    // On an open port a path naming another device closes the port and opens that device.
    QString dispositivo() const { return m_dispositivo; }
    void setDispositivo(const QString &percorso);
    // The device the port opens: the path when set, else the one for the number.
    QString nomeDispositivo() const;
    static QString nomeDispositivo(const QString &percorso, int numero);

    // Opens the port; throws ErroreProgramma and stays closed when it cannot.
    void apri();
    // Why the last open failed: the port's error and the system's text.
    QSerialPort::SerialPortError erroreApertura() const { return m_erroreApertura; }
    QString testoErroreApertura() const { return m_testoErroreApertura; }
    bool isOpen() const;
    // Queues all of `dati` for sending; nothing when the port is closed.
    void scrivi(const QByteArray &dati);
    // Closes an open port (it no longer matches the saved settings); tells the listeners.
    void chiudi();


signals:
    // Received bytes, in chunks as read.
    void datiRicevuti(const QByteArray &dati);
    void aperta();
    void chiusa();

private:
    QSerialPort &porta();
    void applicaLinea();
    void leggiDati();
    void erroreSegnalato(QSerialPort::SerialPortError errore);
    void chiudiPerGuasto();

    QSerialPort *m_porta = nullptr;
    int m_comNumber = 0;
    qint32 m_baud = 19200;
    QSerialPort::Parity m_parity = QSerialPort::NoParity;
    QSerialPort::DataBits m_dataBits = QSerialPort::Data8;
    QSerialPort::StopBits m_stopBits = QSerialPort::OneStop;
    QString m_dispositivo;
    QSerialPort::SerialPortError m_erroreApertura = QSerialPort::NoError;
    QString m_testoErroreApertura;
    bool m_chiusuraPendente = false;
};
