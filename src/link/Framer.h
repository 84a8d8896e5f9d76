#pragma once

#include "link/GestoreFramer.h"
#include "link/ModelloFramer.h"
#include "link/Seriale.h"

#include <QByteArray>
#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QString>

class QTimer;

// Cuts packets out of the bytes received on one port: a packet opens with StartString and
// ends with EndString or after PacketSize bytes. Several framers may watch one port; they
// share its GestoreFramer, which feeds them and delivers their packets.
class Framer : public QObject
{
    Q_OBJECT

public:
    enum StartCond { scString, scAnyData };
    enum EndCondFlag { ecString = 0x1, ecPacketSize = 0x2 };
    Q_DECLARE_FLAGS(EndCond, EndCondFlag)

    explicit Framer(QObject *parent = nullptr);
    Framer(Seriale *porta, QObject *parent);
    ~Framer() override;

    // Attaching puts the framer last in the port's list.
    Seriale *comPort() const { return m_porta; }
    void setComPort(Seriale *porta);
    // Attaches to a manager directly, with no port behind it.
    GestoreFramer *gestore() const { return m_gestore; }
    void setGestore(GestoreFramer *gestore);

    StartCond startCond() const { return m_startCond; }
    void setStartCond(StartCond condizione) { m_startCond = condizione; }
    QString startString() const { return m_startString; }
    void setStartString(const QString &testo) { m_startString = testo; }
    EndCond endCond() const { return m_endCond; }
    void setEndCond(EndCond condizione);
    QString endString() const { return m_endString; }
    void setEndString(const QString &testo);
    int packetSize() const { return m_packetSize; }
    void setPacketSize(int dimensione) { m_packetSize = dimensione; }
    bool includeStrings() const { return m_includeStrings; }
    void setIncludeStrings(bool includi) { m_includeStrings = includi; }
    bool ignoreCase() const { return m_ignoreCase; }
    void setIgnoreCase(bool ignora) { m_ignoreCase = ignora; }
    // Ticks of durataTick() ms (55 unless changed); 0 means no limit.
    int timeOut() const { return m_timeOut; }
    void setTimeOut(int tick) { m_timeOut = tick; }
    int durataTick() const { return m_durataTick; }
    void setDurataTick(int ms) { m_durataTick = ms; }
    bool autoEnable() const { return m_autoEnable; }
    void setAutoEnable(bool automatico) { m_autoEnable = automatico; }

    bool enabled() const { return m_enabled; }
    // Switching on checks the settings and throws ErroreFramer (5501..5505) when they cannot
    // work; the framer then stays off.
    void setEnabled(bool acceso);

signals:
    void packet(const QByteArray &dati);
    void stringPacket(const QString &testo);
    void timeout();

private:
    friend class GestoreFramer;

    enum class Fase { Inattivo, AttesaInizio, Raccolta };
    struct Esito
    {
        enum Tipo { Niente, Consegna, Eccesso };
        Tipo tipo = Niente;
        qint64 fine = 0; // absolute position just past the packet
        bool perStringa = false;
    };

    void prepara();
    void azzeraStato();
    void riarma();
    void fermaTimer();
    Esito esamina(const QByteArray &buffer, qint64 base, qsizetype da);
    Esito raccogli(const QByteArray &buffer, qint64 base, qsizetype da);

    QPointer<Seriale> m_porta;
    QPointer<GestoreFramer> m_gestore;
    QTimer *m_timer = nullptr;

    StartCond m_startCond = scString;
    QString m_startString;
    EndCond m_endCond;
    QString m_endString;
    int m_packetSize = 0;
    bool m_includeStrings = true;
    bool m_ignoreCase = true;
    int m_timeOut = 2184;
    int m_durataTick = 55;
    bool m_autoEnable = true;
    bool m_enabled = false;

    // Matching state
    Fase m_fase = Fase::Inattivo;
    bool m_attendeRilascio = false; // any-data start waiting for another owner to let go
    ModelloFramer m_inizio;
    ModelloFramer m_fine;
    qint64 m_inizioPacchetto = -1; // absolute stream position, -1 when none
    qint64 m_limite = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Framer::EndCond)
