#pragma once

#include "core/Messaggi.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

// The operator's messages as real message boxes over the window, one at a time: a message that
// comes while a box is open (a board sending bad values three times a second) is counted, not
// stacked, and the count is told once the box is closed. A box goes over whichever of the
// window's own windows is active (the Console, the trend window), so that answering it does not
// bring the main window over the one the operator works in.
class MessaggiQt : public Messaggi
{
public:
    explicit MessaggiQt(QWidget *finestra = nullptr) : m_finestra(finestra) {}
    void setFinestra(QWidget *finestra) { m_finestra = finestra; }
    void avviso(const QString &testo) override;
    void messaggio(const QString &testo) override;
    void errore(const QString &testo) override;
    Risposta domanda(const QString &testo) override;

    static QString testoTralasciati(int numero);

private:
    void mostra(QMessageBox::Icon icona, const QString &titolo, const QString &testo);
    QWidget *sopra() const;

    QPointer<QWidget> m_finestra;
    bool m_aperto = false;
    int m_tralasciati = 0;
};
