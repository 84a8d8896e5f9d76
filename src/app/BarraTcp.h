#pragma once

#include <QFrame>

class TrasportoTcp;
class Messaggi;
class QLineEdit;

// The TCP bar ("Collegamento" > "TCP/IP"): the board's address and port, saved with the disk
// button. The link connects to what the fields hold. Hidden at start; its controls are built
// when it is first shown, from the address the link holds until then.
class BarraTcp : public QFrame
{
    Q_OBJECT
public:
    BarraTcp(TrasportoTcp &collegamento, Messaggi &messaggi, QWidget *parent = nullptr);

    void setVisible(bool visibile) override;
    // Builds the controls now (the first show does it too); nothing once built.
    void costruisci();

    // Fills the fields from "Porte.INI" ("ERRORE" left out).
    void carica();
    // Fills the fields with the texts as they are (the link's address while none are built).
    void impostaIndirizzo(const QString &ip, const QString &porta);
    // Saves the fields only when both hold a valid host and port; otherwise says which is wrong.
    void SpeedButton4Click();

    // What is wrong with a host ("IP") or a port ("Porta") as typed, in words naming the field;
    // empty when it is a host name or an IPv4/IPv6 address, a port of 1 to 65535 in digits.
    static QString erroreIp(const QString &ip);
    static QString errorePorta(const QString &porta);

private:
    // The check as the operator leaves a field: a field left empty is not yet an error.
    void controllaCampo(const QString &errore, const QString &testo);

    TrasportoTcp &m_collegamento;
    Messaggi &m_messaggi;
    QLineEdit *m_eIp = nullptr;
    QLineEdit *m_ePorta = nullptr;
};
