#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Cuts board commands out of the received byte stream. The panel paces its writes (single
// characters on TCP, pieces on serial) and only TCP adds line ends, so a command's end is
// decided by its own grammar: every command has a fixed shape. Line ends are skipped and a
// broken command is dropped, reading resumes at the next "*/".
class LettoreComandi
{
public:
    // Returns the commands completed by `dati`, in order.
    QStringList aggiungi(const QByteArray &dati);

    // A command has begun and is not complete yet.
    bool isInCorso() const { return !m_parziale.isEmpty(); }
    QString parziale() const { return m_parziale; }
    void azzera() { m_parziale.clear(); }

private:
    QString m_parziale;
};
