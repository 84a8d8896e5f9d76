#pragma once

#include <QString>
#include "link/SeriePronti.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>

#include <functional>

// The traffic record: every write to the board and every chunk received from it, one line each
// with a millisecond timestamp, the link and the direction, appended to a plain-text file.
// Past the size limit the file becomes the one old copy and a new one starts.
// Idle prompts would fill it: of a run of identical prompts only the first is written as it
// comes; when the run ends (other traffic, a stop) one more line, stamped with the run's last
// prompt, gives the prompt and the run's whole count: "... TCP RX F? (×1683)". A run of one
// prompt writes no count line. A crash loses at most the count of the run under way.
class RegistroTraffico : public QObject
{
    Q_OBJECT
public:
    enum class Direzione { Invio, Ricezione };

    static constexpr qint64 DimensioneMassima = 10 * 1024 * 1024;
    static inline const QString NomeFile = QStringLiteral("brivola-traffico.log");
    // The old copy: the same name with ".1" added.
    static inline const QString SuffissoCopia = QStringLiteral(".1");

    explicit RegistroTraffico(QObject *parent = nullptr);
    // Writes the count of a prompt run still open.
    ~RegistroTraffico() override;

    // Starts recording into `cartella`/brivola-traffico.log; false, with errore() set, when the
    // file cannot be opened for appending.
    bool avvia(const QString &cartella);
    // Ends an open prompt run with its count line, then closes the file.
    void ferma();
    bool isAttivo() const { return m_file.isOpen(); }
    QString percorso() const { return m_percorso; }
    QString errore() const { return m_errore; }

    void scritti(const QString &collegamento, const QByteArray &dati);
    void ricevuti(const QString &collegamento, const QByteArray &dati);
    void registra(Direzione direzione, const QString &collegamento, const QByteArray &dati);

    // Printable ASCII stays, "\" doubles, CR and LF become "\r" and "\n", every other byte
    // "\xNN": the record stays one line per entry and plain text whatever the board sends.
    static QByteArray escapato(const QByteArray &dati);

    // Tests: a smaller limit, a fixed clock.
    void setDimensioneMassima(qint64 byte) { m_dimensioneMassima = byte; }
    void setOrologio(std::function<QDateTime()> orologio) { m_orologio = std::move(orologio); }

signals:
    // Recording stopped on its own because the file could not be written.
    void interrotto(const QString &motivo);

private:
    bool apri();
    bool ruota();
    void interrompi();
    // False when the line could not be written and recording stopped.
    bool scriviRiga(const QDateTime &ora, Direzione direzione, const QString &collegamento,
                    const QByteArray &testo);
    bool scriviConteggio(const SeriePronti::Serie &serie);

    QFile m_file;
    QString m_percorso;
    qint64 m_dimensione = 0;
    qint64 m_dimensioneMassima = DimensioneMassima;
    QString m_errore;
    std::function<QDateTime()> m_orologio;
    SeriePronti m_pronti;
};
