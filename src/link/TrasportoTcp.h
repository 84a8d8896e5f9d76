#pragma once

#include "link/Trasporto.h"

#include <QString>

class QTcpSocket;
struct ValoriProgramma;

// The board as a TCP server at the address the operator typed: one character every
// `carattereTcpMs`, a line end where the command has one.
class TrasportoTcp : public Trasporto
{
    Q_OBJECT
public:
    TrasportoTcp(const ValoriProgramma &valori, TestoStato &testoStato,
                 const Temporizzazioni &tempi, QObject *parent = nullptr);

    // Made at its first use: nothing of the network library runs before the link is used.
    QTcpSocket &clientSocket();

    bool isAttivo() const override { return m_socketAttivo; }
    bool isGiu() const override;
    // Connects to the address set last, when not connected.
    void avvia() override;
    void chiudi() override;
    bool logPerLettura() const override { return true; }
    QString caricaImpostazioni() override;
    QString descrizione() const override;

    // Where the link connects: the TCP bar's fields as they stand.
    void setIndirizzo(const QString &ip, const QString &porta);
    QString ip() const { return m_ip; }
    QString porta() const { return m_porta; }
    // The address and port saved in "Porte.INI", as they stand ("ERRORE" when missing).
    QString ipSalvato() const;
    QString portaSalvata() const;
    // Saves the address as the TCP kind; a connection to another address is closed. False
    // when the file could not be written (the warning is already out).
    bool salva();

    void ConnettiTcp(const QString &host, const QString &porta);

signals:
    // The address was cleaned up on connecting (an "ERRORE" placeholder removed).
    void indirizzoCambiato(const QString &ip, const QString &porta);

protected:
    QList<Pezzo> pezzi(const Comando &comando) const override;
    QList<Pezzo> pezziDiretti(const QString &testo) const override;
    bool scriviPezzo(const QByteArray &dati) override;

private:
    void ClientSocketConnect();
    void ClientSocketDisconnect();
    void ClientSocketError();
    void leggi();
    void abbandona();

    const ValoriProgramma &m_valori;
    QTcpSocket *m_socket = nullptr;
    QString m_ip;
    QString m_porta;
    bool m_socketAttivo = false;
    // Closed on purpose (new settings, another link chosen, closing): not a lost link.
    bool m_chiusuraVoluta = false;
    // Where the last connection attempt went, as the operator wrote it.
    QString m_hostTentato;
    QString m_portaTentata;
};
