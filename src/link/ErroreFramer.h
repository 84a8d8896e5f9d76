#pragma once

#include "core/Errori.h"

// A framer switched on with settings it cannot work with; the code tells which one.
class ErroreFramer : public ErroreProgramma
{
public:
    enum Codice {
        StartStringVuota = 5501,
        PacketSizeCorta = 5502,
        SenzaFine = 5503,
        EndStringVuota = 5504,
        PacketSizeZero = 5505,
    };

    explicit ErroreFramer(Codice codice)
        : ErroreProgramma(QStringLiteral("Valore di proprietà non valido (%1)").arg(int(codice))),
          m_codice(codice)
    {
    }
    Codice codice() const { return m_codice; }

private:
    Codice m_codice;
};
