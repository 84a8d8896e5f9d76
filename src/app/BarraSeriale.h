#pragma once

#include <QFrame>

class CampoDispositivo;
class TrasportoSeriale;
class GruppoRadio;
class Messaggi;

// The serial bar ("Collegamento" > "Seriale"): the port number and the serial device, detected
// or typed, saved with the disk button. The hidden speed group only carries the saved value.
class BarraSeriale : public QFrame
{
    Q_OBJECT
public:
    BarraSeriale(TrasportoSeriale &collegamento, Messaggi &messaggi, QWidget *parent = nullptr);

    // Fills the bar from "Porte.INI"; devices come and go (a USB adapter plugged in), so they
    // are listed afresh each time.
    void carica();
    void sbSalvaPorteClick();

private:
    TrasportoSeriale &m_collegamento;
    GruppoRadio *m_rgComm = nullptr;
    GruppoRadio *m_rgVelocita = nullptr;
    CampoDispositivo *m_cbDispositivo = nullptr;
};
