#pragma once

#include "LettoreComandi.h"
#include "SchedaSimulata.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

// The board as a server: speaks the protocol to one TCP client at a time and, at the same time,
// on a serial line (a pseudo-terminal it creates or an existing device). Repeats the ready
// prompt while idle, streams continuous output when asked, and records every received chunk.
class SimulatoreScheda : public QObject
{
    Q_OBJECT

public:
    // One chunk as it arrived, with the milliseconds since the simulator started.
    struct Blocco
    {
        qint64 ms = 0;
        QString collegamento; // as the traffic record names the link
        QByteArray dati;
    };

    explicit SimulatoreScheda(QObject *parent = nullptr);
    ~SimulatoreScheda() override;

    // Listens on `indirizzo`:`porta` (0 picks a free port); returns the port, 0 on failure.
    quint16 avviaTcp(const QHostAddress &indirizzo = QHostAddress::LocalHost, quint16 porta = 0);
    // Creates a pseudo-terminal pair; returns the path the panel must open, empty on failure.
    QString apriPty();
    // Serves on an existing serial device in raw mode.
    bool apriDispositivo(const QString &percorso, int baud = 38400);
    QString errore() const { return m_errore; }

    // Idle prompt and continuous output period.
    void setIntervallo(int ms);
    int intervallo() const { return m_intervallo; }
    void setDeriva(bool attiva);
    void setSeme(quint32 seme) { m_scheda.riparti(seme); }
    // Records every received chunk to `percorso`, one line each.
    bool setRegistro(const QString &percorso);

    // Faults for tests.
    void setMuto(bool muto) { m_muto = muto; }
    void setCorpoNonNumerico(bool attivo) { m_scheda.setCorpoNonNumerico(attivo); }
    void perdiRisposte(int quante) { m_risposteDaPerdere = quante; }
    void chiudiDopoComandi(int quanti) { m_chiudiDopo = quanti; }
    void chiudiConnessione();

    // See SchedaSimulata::imposta.
    QString imposta(const QString &riga) { return m_scheda.imposta(riga); }

    const StatoScheda &stato() const { return m_scheda.stato(); }
    StatoScheda &stato() { return m_scheda.stato(); }
    QList<Blocco> ricevuti() const { return m_ricevuti; }
    bool isClienteConnesso() const;

signals:
    void datiRicevuti(const QByteArray &dati);
    void comandoEseguito(const QString &comando);
    // An idle ready prompt has just been handed to the links.
    void prontoInviato();
    void clienteConnesso();
    void clienteDisconnesso();

private:
    enum class Linea { Tcp, Seriale };

    void nuovoCliente();
    void leggiTcp();
    void leggiSeriale();
    void scriviSerialeInSospeso();
    void ricevi(Linea linea, const QByteArray &dati);
    void rispondi(Linea linea, const QString &risposta);
    void invia(Linea linea, const QByteArray &dati);
    void inviaATutti(const QByteArray &dati, bool facoltativo);
    void battito();
    // Bytes from the panel have reached a line and are not read yet.
    bool isInArrivo() const;
    void registra(Linea linea, const QByteArray &dati);
    bool apriSerialeSuFd(int fd);
    void chiudiSeriale();

    SchedaSimulata m_scheda;
    QElapsedTimer m_orologio;
    QTimer m_timerPronto;
    QTimer m_timerDeriva;
    int m_intervallo = 300;
    qint64 m_ultimoRicevuto = -1;

    QTcpServer *m_server = nullptr;
    QPointer<QTcpSocket> m_cliente;
    LettoreComandi m_lettoreTcp;
    int m_comandiTcp = 0;

    int m_fdSeriale = -1;
    int m_fdSlave = -1; // held open so the master never sees a hang-up
    QSocketNotifier *m_notificaLettura = nullptr;
    QSocketNotifier *m_notificaScrittura = nullptr;
    QByteArray m_uscitaSeriale;
    LettoreComandi m_lettoreSeriale;

    bool m_muto = false;
    int m_risposteDaPerdere = 0;
    int m_chiudiDopo = 0;

    QList<Blocco> m_ricevuti;
    QFile m_registro;
    QString m_errore;
};
