#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

class Framer;
class Seriale;

// The framers of one port: their shared collection buffer, which of them owns it, and the
// delivery of packets. It knows no port: the port (or a test) feeds it chunks and tells it
// when the port opens and closes. Everything runs on the GUI thread.
class GestoreFramer : public QObject
{
    Q_OBJECT

public:
    explicit GestoreFramer(QObject *parent = nullptr);
    ~GestoreFramer() override;

    // The port's manager, made on first use as a child of the port and fed by it first.
    static GestoreFramer *perPorta(Seriale *porta);

    void riceviDati(const QByteArray &dati);
    void portaAperta();
    void portaChiusa();

    bool isAttivo() const { return m_attivo; }
    Framer *proprietario() const { return m_proprietario; }
    QList<Framer *> framer() const;
    // Bytes held in the collection buffer and the memory reserved for it.
    qsizetype dimensioneBuffer() const { return m_buffer.size(); }
    qsizetype capacitaBuffer() const { return m_buffer.capacity(); }

    // A packet growing past this many bytes without its end is dropped, as at a timeout.
    static constexpr qsizetype MassimoPacchetto = 64 * 1024;

signals:
    // A packet handler failed; with nobody listening the error is logged.
    void erroreGestore(const QString &testo);

private:
    friend class Framer;

    void aggiungi(Framer *framer);
    void rimuovi(Framer *framer);
    void diventaProprietario(Framer *framer);
    void rilascia(Framer *framer);
    void scadenza(Framer *framer);
    bool inEvento() const { return m_inEvento; }

    void esamina(qsizetype da);
    // Both return whether the remaining buffer must be examined again.
    bool consegna(Framer *framer, qint64 fine, bool perStringa);
    bool scarta(Framer *framer);
    void iniziaEvento(Framer *framer);
    bool fineEvento();
    void dopoRilascio();
    void sfoltisci();
    template <typename F> void eseguiProtetto(F &&azione);

    QList<QPointer<Framer>> m_framer;
    QByteArray m_buffer;
    qint64 m_base = 0; // stream position of m_buffer's first byte
    Framer *m_proprietario = nullptr;
    bool m_attivo = false;
    bool m_inEvento = false;
    bool m_inEsame = false;
    bool m_datiInAttesa = false;
    bool m_rilasciato = false;
};
