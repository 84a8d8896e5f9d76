#pragma once

#include <QList>
#include <QObject>

class Messaggi;
class QAbstractButton;
class SessioneScheda;
struct ValoriProgramma;

// The board's continuous input reporting and the "Continua" buttons of both input pages: one
// click handler for both, and the buttons follow what the received text says of the board.
class ModoContinuo : public QObject
{
    Q_OBJECT
public:
    // The buttons follow what the session finds of the board at every response.
    ModoContinuo(ValoriProgramma &valori, Messaggi &messaggi, SessioneScheda &sessione,
                 QObject *parent = nullptr);

    // Makes `pulsante` a "Continua" button (stays down when pressed) run sbIAContinuaClick.
    void aggiungiPulsante(QAbstractButton *pulsante);

    // Click handler of every "Continua" button: the button has already changed its state.
    void sbIAContinuaClick();

    // "*/C" first when the board's continuous output is on when its prompt comes, so that the
    // request that follows gets its own reply instead of the stream.
    void fermaSeAcceso();

    // Presses or releases every "Continua" button without running any handler.
    void mostra(bool acceso);

private:
    ValoriProgramma &m_valori;
    Messaggi &m_messaggi;
    SessioneScheda &m_sessione;
    QList<QAbstractButton *> m_pulsanti;
};
