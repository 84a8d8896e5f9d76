#pragma once

#include "core/Messaggi.h"

#include <QPointer>
#include <QWidget>

// The operator's messages as real message boxes over the window.
class MessaggiQt : public Messaggi
{
public:
    explicit MessaggiQt(QWidget *finestra = nullptr) : m_finestra(finestra) {}
    void setFinestra(QWidget *finestra) { m_finestra = finestra; }
    void avviso(const QString &testo) override;
    void messaggio(const QString &testo) override;
    void errore(const QString &testo) override;

private:
    QPointer<QWidget> m_finestra;
};
