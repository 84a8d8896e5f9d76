#pragma once

#include <QString>

#include <QByteArray>
#include <QDateTime>

#include <optional>

// Runs of the board's idle prompt. An idle board repeats its ready prompt every few hundred
// milliseconds, which would bury the rest of the traffic: the first prompt of a run is shown as
// it came, the identical ones that follow on the same link are only counted, and anything else
// that passes, sent or received, ends the run, so that its count is told once. Whoever shows or
// writes the traffic keeps one of these; it holds no text of its own beyond the prompt.
class SeriePronti
{
public:
    struct Serie
    {
        QString collegamento;
        // The chunk as it came, line ends included.
        QByteArray pronto;
        // Prompts in the run, the first one included.
        qint64 volte = 0;
        QDateTime prima;
        QDateTime ultima;
    };

    // A received chunk that holds the ready prompt and nothing else but line ends.
    static bool isPronto(const QByteArray &dati);

    // Takes one chunk. True when it is one more prompt of the open run: it is only counted.
    // Otherwise the open run, if any, is over and handed to `chiusa` (a run of one prompt too),
    // and a prompt opens a new run.
    bool aggiungi(bool ricevuto, const QString &collegamento, const QByteArray &dati,
                  const QDateTime &ora, std::optional<Serie> *chiusa = nullptr);
    // Ends the open run now (recording stopped, view cleared) and returns it.
    std::optional<Serie> chiudi();
    const std::optional<Serie> &aperta() const { return m_aperta; }

    // What follows the escaped prompt on the line that tells a run of `volte`: " (×N)". The
    // "×" is outside ASCII, so no escaped text from the board can look like it.
    static QByteArray conteggio(qint64 volte);

private:
    std::optional<Serie> m_aperta;
};
