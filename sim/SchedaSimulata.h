#pragma once

#include "StatoScheda.h"

#include <QRandomGenerator>
#include <QString>

// The board's behaviour without any transport: runs commands on the state and writes the reply
// frames a real board would send (without the trailing ready prompt).
class SchedaSimulata
{
public:
    explicit SchedaSimulata(quint32 seme = 1);

    // Starts again from the state the seed gives: relays and outputs off, inputs random.
    void riparti(quint32 seme);

    // Runs one complete command; returns its reply frames separated by line breaks, or an
    // empty text for commands that have no reply of their own.
    QString esegui(const QString &comando);

    // One round of continuous output: the digital inputs frame, then the eight analog inputs.
    QString bloccoContinuo() const;

    // One step of plausible change of the inputs and analog readings.
    void deriva();

    // An operator's line that sets a point, for demos and tests (points and units from 1):
    //   ingresso N 0|1          board digital input
    //   analogico N 0..65535    board analog input reading
    //   unita U uscita N 0|1    unit digital output
    //   unita U ingresso N 0|1  unit digital input
    //   unita U canale N 0..63  unit analog channel
    // Returns an empty text when done, otherwise what is wrong with the line.
    QString imposta(const QString &riga);

    // Fault for tests: numeric bodies carry letters.
    void setCorpoNonNumerico(bool attivo) { m_corpoNonNumerico = attivo; }

    const StatoScheda &stato() const { return m_stato; }
    StatoScheda &stato() { return m_stato; }

private:
    QString frameDigitale(const QString &inizio, const std::array<bool, 8> &stati) const;
    QString frameNumerico(const QString &inizio, int valore, int cifre) const;
    QString frameAnalogico(const QString &prefisso, int ingresso) const;
    QString eseguiUnita(const QString &resto);

    StatoScheda m_stato;
    QRandomGenerator m_caso;
    bool m_corpoNonNumerico = false;
};
