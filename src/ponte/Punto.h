#pragma once

#include <QString>

// One point the bridge publishes: a point of the board (unita 0) or of peripheral unit 1..8.
struct Punto
{
    enum class Tipo {
        Rele,            // board relay 1..8
        Ingresso,        // board digital input 1..8
        Analogico,       // board analog input 1..8
        UscitaAnalogica, // board analog output 1..2
        UscitaUnita,     // unit digital output 1..8
        IngressoUnita,   // unit digital input 1..8
        CanaleUnita,     // unit analog channel 1..8
    };

    Tipo tipo = Tipo::Rele;
    int unita = 0;
    int numero = 1;

    // Takes commands on its "/set" topic.
    bool comandabile() const
    {
        return tipo == Tipo::Rele || tipo == Tipo::UscitaAnalogica || tipo == Tipo::UscitaUnita ||
               tipo == Tipo::CanaleUnita;
    }
    // ON/OFF rather than a number.
    bool digitale() const
    {
        return tipo == Tipo::Rele || tipo == Tipo::Ingresso || tipo == Tipo::UscitaUnita ||
               tipo == Tipo::IngressoUnita;
    }
    // The topic level of its kind: "rele", "ingresso", "uscita", ...
    QString nomeTipo() const
    {
        switch (tipo) {
        case Tipo::Rele:
            return QStringLiteral("rele");
        case Tipo::Ingresso:
        case Tipo::IngressoUnita:
            return QStringLiteral("ingresso");
        case Tipo::Analogico:
            return QStringLiteral("analogico");
        case Tipo::UscitaAnalogica:
            return QStringLiteral("uscita_analogica");
        case Tipo::UscitaUnita:
            return QStringLiteral("uscita");
        case Tipo::CanaleUnita:
            return QStringLiteral("canale");
        }
        return {};
    }
    // "rele_5", "unita2_uscita_3": unique within one board.
    QString chiave() const
    {
        const QString punto = nomeTipo() + QLatin1Char('_') + QString::number(numero);
        return unita == 0 ? punto : QStringLiteral("unita%1_").arg(unita) + punto;
    }

    friend bool operator==(const Punto &, const Punto &) = default;
};
