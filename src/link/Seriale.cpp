#include "Seriale.h"

#include "core/Errori.h"

// Reads at most this much per notification, so a count always fits 16 bits.
static constexpr qint64 MassimoPerNotifica = 8192;

Seriale::Seriale(QObject *parent) : QObject(parent) {}

Seriale::~Seriale()
{
    // No signal here: listeners may already be half gone.
    if (m_porta) {
        m_porta->close();
    }
}

QSerialPort &Seriale::porta()
{
    // Made at the first open: nothing of the serial library runs before the port is used.
    if (!m_porta) {
        m_porta = new QSerialPort(this);
        connect(m_porta, &QSerialPort::readyRead, this, &Seriale::leggiDati);
        connect(m_porta, &QSerialPort::errorOccurred, this, &Seriale::erroreSegnalato);
    }
    return *m_porta;
}

void Seriale::setComNumber(int numero)
{
    if (numero == m_comNumber) {
        return;
    }
    const bool eraAperta = isOpen();
    if (eraAperta) {
        chiudi();
    }
    m_comNumber = numero;
    if (eraAperta) {
        apri();
    }
}

void Seriale::setBaud(qint32 baud)
{
    m_baud = baud;
    applicaLinea();
}

void Seriale::setParity(QSerialPort::Parity parity)
{
    m_parity = parity;
    applicaLinea();
}

void Seriale::setDataBits(QSerialPort::DataBits bits)
{
    m_dataBits = bits;
    applicaLinea();
}

void Seriale::setStopBits(QSerialPort::StopBits bits)
{
    m_stopBits = bits;
    applicaLinea();
}

void Seriale::setDispositivo(const QString &percorso)
{
    // As with a new number: an open port moves to the new device.
    const QString prima = nomeDispositivo();
    const bool eraAperta = isOpen();
    m_dispositivo = percorso;
    if (!eraAperta || nomeDispositivo() == prima) {
        return;
    }
    chiudi();
    apri();
}

QString Seriale::nomeDispositivo() const
{
    return nomeDispositivo(m_dispositivo, m_comNumber);
}

QString Seriale::nomeDispositivo(const QString &percorso, int numero)
{
    if (!percorso.isEmpty()) {
        return percorso;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(numero);
#else
    return QStringLiteral("/dev/ttyS%1").arg(numero - 1);
#endif
}

void Seriale::apri()
{
    if (isOpen()) {
        return;
    }
    // The device vanished and its close is still queued: finish it first.
    chiudiPerGuasto();
    m_erroreApertura = QSerialPort::NoError;
    m_testoErroreApertura.clear();
    if (m_dispositivo.isEmpty() && m_comNumber <= 0) {
        m_erroreApertura = QSerialPort::DeviceNotFoundError;
        throw ErroreProgramma(QStringLiteral("Nessuna porta seriale scelta"));
    }
    const QString nome = nomeDispositivo();
    porta().setPortName(nome);
    m_porta->clearError();
    m_chiusuraPendente = false;
    if (!m_porta->open(QIODevice::ReadWrite)) {
        const QString motivo = m_porta->errorString();
        m_erroreApertura = m_porta->error();
        m_testoErroreApertura = motivo;
        m_porta->clearError();
        throw ErroreProgramma(
            QStringLiteral("Impossibile aprire la porta seriale %1: %2").arg(nome, motivo));
    }
    applicaLinea();
    m_porta->setFlowControl(QSerialPort::NoFlowControl);
    // A pseudo-terminal has no modem lines; that is no reason to fail the open.
    m_porta->setDataTerminalReady(true);
    m_porta->setRequestToSend(true);
    m_porta->clearError();
    emit aperta();
}

bool Seriale::isOpen() const
{
    return m_porta && m_porta->isOpen() && !m_chiusuraPendente;
}

void Seriale::scrivi(const QByteArray &dati)
{
    if (!isOpen() || dati.isEmpty()) {
        return;
    }
    m_porta->write(dati);
}

void Seriale::applicaLinea()
{
    if (!m_porta || !m_porta->isOpen()) {
        return;
    }
    m_porta->setBaudRate(m_baud);
    m_porta->setParity(m_parity);
    m_porta->setDataBits(m_dataBits);
    m_porta->setStopBits(m_stopBits);
}

void Seriale::leggiDati()
{
    while (isOpen() && m_porta->bytesAvailable() > 0) {
        const QByteArray dati = m_porta->read(MassimoPerNotifica);
        if (dati.isEmpty()) {
            return;
        }
        emit datiRicevuti(dati);
    }
}

void Seriale::erroreSegnalato(QSerialPort::SerialPortError errore)
{
    // A vanished device shows as ResourceError, or (pseudo-terminal whose master closed) as
    // an endless stream of ReadError. Close once, outside the port's own signal.
    if (errore != QSerialPort::ResourceError && errore != QSerialPort::ReadError) {
        return;
    }
    if (m_chiusuraPendente || !m_porta->isOpen()) {
        return;
    }
    m_chiusuraPendente = true;
    QMetaObject::invokeMethod(this, &Seriale::chiudiPerGuasto, Qt::QueuedConnection);
}

void Seriale::chiudiPerGuasto()
{
    if (!m_chiusuraPendente) {
        return;
    }
    m_chiusuraPendente = false;
    chiudi();
}

void Seriale::chiudi()
{
    if (!m_porta || !m_porta->isOpen()) {
        return;
    }
    m_porta->close();
    m_porta->clearError();
    emit chiusa();
}
