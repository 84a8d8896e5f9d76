#pragma once

#include "link/Trasporto.h"

#include <QString>

class Seriale;
struct ValoriProgramma;

// The serial choice saved in "Porte.INI", as the serial bar shows it.
struct SceltaSeriale
{
    int indiceNumero = 0;   // item index of "Comm 1".."Comm 4"
    int indiceVelocita = 3; // item index among 4800, 9600, 19200, 38400
    QString dispositivo;    // empty for the device of the port number
};

// The board on a serial line, opened from "Porte.INI" at every connection check: a command
// goes in pieces, `primoPezzoMs` after the first and `pezzoMs` after every further one.
class TrasportoSeriale : public Trasporto
{
    Q_OBJECT
public:
    TrasportoSeriale(const ValoriProgramma &valori, TestoStato &testoStato,
                     const Temporizzazioni &tempi, QObject *parent = nullptr);

    Seriale &seriale() const { return *m_seriale; }

    bool isAttivo() const override;
    bool isGiu() const override { return !isAttivo(); }
    // Applies the saved settings and opens the port.
    void scelto() override { ApriSeriale(); }
    // The port opens at the connection check; nothing more to start.
    void avvia() override {}
    void chiudi() override;

    // The serial choice saved in "Porte.INI"; a number that is not one throws ErroreConversione.
    SceltaSeriale sceltaSalvata() const;
    // Saves the serial choice (port number from 1, speed item from 1, device path) as the
    // serial kind; an open port on another device is closed. False when the file could not be
    // written (the warning is already out).
    bool salva(int numero, int voceVelocita, const QString &dispositivo);

    void ApriSeriale();
    void MostraStatoSeriale();

protected:
    QList<Pezzo> pezzi(const Comando &comando) const override;
    QList<Pezzo> pezziDiretti(const QString &testo) const override;
    bool scriviPezzo(const QByteArray &dati) override;

private:
    QString leggiPorte(const QString &chiave) const;
    void serialeChiusa();

    const ValoriProgramma &m_valori;
    Seriale *m_seriale = nullptr;
    // The port was closed on purpose (new settings, another link chosen): not a lost link.
    bool m_chiusuraVoluta = false;
};
