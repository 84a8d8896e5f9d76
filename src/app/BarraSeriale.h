#pragma once

#include <QFrame>

class CampoDispositivo;
class TrasportoSeriale;
class GruppoRadio;
class Messaggi;

// The serial bar ("Collegamento" > "Seriale"): the port number and the serial device, detected
// or typed, saved with the disk button. The hidden speed group only carries the saved value.
// Hidden at start; its controls are built when it is first shown.
class BarraSeriale : public QFrame
{
    Q_OBJECT
public:
    BarraSeriale(TrasportoSeriale &collegamento, Messaggi &messaggi, QWidget *parent = nullptr);

    void setVisible(bool visibile) override;
    // Builds the controls now (the first show does it too); nothing once built.
    void costruisci();

    // Fills the bar from "Porte.INI"; devices come and go (a USB adapter plugged in), so they
    // are listed afresh each time.
    void carica();
    void sbSalvaPorteClick();

private:
    TrasportoSeriale &m_collegamento;
    Messaggi &m_messaggi;
    GruppoRadio *m_rgComm = nullptr;
    GruppoRadio *m_rgVelocita = nullptr;
    CampoDispositivo *m_cbDispositivo = nullptr;
};
