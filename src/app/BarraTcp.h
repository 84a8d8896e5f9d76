#pragma once

#include <QFrame>

class TrasportoTcp;
class Messaggi;
class QLineEdit;

// The TCP bar ("Collegamento" > "TCP/IP"): the board's address and port, saved with the disk
// button. The link connects to what the fields hold.
class BarraTcp : public QFrame
{
    Q_OBJECT
public:
    BarraTcp(TrasportoTcp &collegamento, Messaggi &messaggi, QWidget *parent = nullptr);

    // Fills the fields from "Porte.INI" ("ERRORE" left out).
    void carica();
    // Fills the fields with the texts as they are.
    void impostaIndirizzo(const QString &ip, const QString &porta);
    void SpeedButton4Click();

private:
    TrasportoTcp &m_collegamento;
    QLineEdit *m_eIp = nullptr;
    QLineEdit *m_ePorta = nullptr;
};
