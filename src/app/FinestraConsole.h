#pragma once

#include <QString>
#include "link/SeriePronti.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

class Messaggi;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class SessioneScheda;

// The window "Console": the traffic with the board as a serial terminal shows it, one line per
// write or read with its time in milliseconds, sent text (TX) and received text (RX) in their
// own colours, both escaped as the traffic record escapes them. The pieces of one command join
// into one TX line; a run of idle prompts is one line whose count grows.
// Lines are drawn a few times a second at most. While the view is paused (or the window
// hidden) new lines wait and nothing on screen moves; resuming draws them all. The view keeps
// the newest MassimoRighe lines, and no more than that many wait, so a long pause loses only
// what the view would have dropped anyway. The window keeps collecting while closed.
// Link events (opened, lost, refused, no device, board silent) are lines of their own, marked
// "**" instead of TX or RX.
class FinestraConsole : public QWidget
{
    Q_OBJECT
public:
    static constexpr int MassimoRighe = 5000;
    // Bytes of one chunk shown; the rest is only counted, so that a flood cannot fill memory.
    static constexpr qsizetype MassimoByteRiga = 1024;

    FinestraConsole(SessioneScheda &sessione, Messaggi &messaggi, QWidget *parent = nullptr);

    // One write to the board, or one read from it, that happened now.
    void aggiungi(bool ricevuto, const QString &collegamento, const QByteArray &dati);
    // Something that happened to a link now, as a line of its own.
    void aggiungiEvento(const QString &collegamento, const QString &testo);

    QPlainTextEdit *memo() const { return m_memo; }
    bool isInPausa() const;
    // Lines held back by the pause (or by the hidden window).
    qsizetype righeInAttesa() const { return m_inAttesa.size(); }

    void sbPausaClick();
    void sbCancellaClick();
    void sbCopiaClick();
    void sbTrovaClick();
    void sbSalvaClick();

    // Tests: the choice of the file to save to.
    void setSceltaFile(std::function<QString()> scelta) { m_sceltaFile = std::move(scelta); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct Riga
    {
        QDateTime ora;
        bool ricevuto = false;
        // A link event: `dati` holds its text in UTF-8.
        bool evento = false;
        QString collegamento;
        QByteArray dati;
        // Bytes past MassimoByteRiga, not kept.
        qint64 oltre = 0;
        // The last piece joined to the line, or the last prompt of its run.
        QDateTime ultima;
        qint64 volte = 1;
    };

    // The newest line, drawn or waiting; null when there is none to change.
    Riga *ultimaRiga();
    // The newest line changed in place.
    void cambiataUltima();
    void aggiungiRiga(Riga riga);
    static void aggiungiDati(Riga &riga, const QByteArray &dati);
    static QString testoOra(const QDateTime &ora);
    QString testoDati(const Riga &riga) const;
    void disegna(const Riga &riga, bool sostituisci);
    void mostraInAttesa();
    void programmaDisegno();
    void aggiornaStato();
    QString testoCompleto() const;
    QString sceltaFileDialogo();

    Messaggi &m_messaggi;
    QPlainTextEdit *m_memo = nullptr;
    QPushButton *m_sbPausa = nullptr;
    QLineEdit *m_edTrova = nullptr;
    QLabel *m_lbStato = nullptr;
    QTimer *m_timerDisegno = nullptr;

    SeriePronti m_pronti;
    QList<Riga> m_inAttesa;
    // The last line on screen, and whether it has changed since it was drawn.
    std::optional<Riga> m_disegnata;
    bool m_ridisegna = false;
    // Something said in the status label that stays until the next action.
    QString m_notizia;
    std::function<QString()> m_sceltaFile;
};
