#pragma once

#include "core/EsitoInvio.h"

#include <QLCDNumber>

// The LED-style numeric display of every analog point. Blank until a value is shown, so the
// operator never reads a number the board has not sent.
class DisplayLed : public QLCDNumber
{
    Q_OBJECT
public:
    explicit DisplayLed(const QString &nome, QWidget *parent = nullptr);

    // Shows the text as given ("050" after a spinner move, "50" from the board).
    void mostra(const QString &testo);
    // Back to blank.
    void svuota();
    // What is shown is no longer current: the segments go dim (a blank display shows "---")
    // until the next value lights them again.
    void segnaNonAttuale();
    bool isNonAttuale() const { return m_nonAttuale; }

    // A value for this point is queued or on its way: a dashed frame until it is written or
    // dropped.
    EsitoInvio attesaComando();
    bool isInAttesa() const { return m_inAttesa > 0; }

    static QColor coloreAcceso() { return QColor(0, 255, 64); }
    static QColor coloreAttenuato() { return QColor(0, 80, 20); }
    // The text now shown; empty when blank.
    QString testo() const { return m_testo; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void impostaColore(const QColor &colore);
    void fineAttesa();

    QString m_testo;
    bool m_nonAttuale = false;
    int m_inAttesa = 0;
};
