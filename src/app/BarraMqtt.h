#pragma once

#include <QFrame>

class Messaggi;
class QLineEdit;
class TrasportoMqtt;

// The MQTT bar ("Collegamento" > "MQTT"): the broker, the board's Id and Prefisso as the bridge
// has them, and the user, password file and CA, saved with the disk button. Hidden at start;
// its controls are built when it is first shown.
class BarraMqtt : public QFrame
{
    Q_OBJECT
public:
    BarraMqtt(TrasportoMqtt &collegamento, Messaggi &messaggi, QWidget *parent = nullptr);

    void setVisible(bool visibile) override;
    void costruisci();
    // Fills the fields from "Porte.INI", each missing key at its default.
    void carica();
    // Saves the fields when they are valid; otherwise says which is wrong.
    void sbSalvaMqttClick();

private:
    void mostra();
    void prendi();

    TrasportoMqtt &m_collegamento;
    Messaggi &m_messaggi;
    QLineEdit *m_eHost = nullptr;
    QLineEdit *m_ePorta = nullptr;
    QLineEdit *m_eId = nullptr;
    QLineEdit *m_ePrefisso = nullptr;
    QLineEdit *m_eUtente = nullptr;
    QLineEdit *m_eFilePassword = nullptr;
    QLineEdit *m_eCa = nullptr;
};
