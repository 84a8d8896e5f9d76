#pragma once

#include "core/ValoriProgramma.h"
#include "ponte/ArgomentiMqtt.h"
#include "storico/ImpostazioniAllarmi.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Home Assistant's device-based discovery: one retained config per device, the board and each
// bridged peripheral unit, with every point as a component.
class AnnunciHomeAssistant
{
public:
    struct Annuncio
    {
        QString argomento;
        QByteArray payload; // compact JSON
    };

    AnnunciHomeAssistant(const ArgomentiMqtt &argomenti, QString versione);

    // The board's config first, then one per unit in `unita` (1..8). Each board input whose
    // alarm `allarmi` turns on is also a problem sensor.
    QList<Annuncio> annunci(const ValoriConfigurazione &configurazione, const QList<int> &unita,
                            const ImpostazioniAllarmi &allarmi = {}) const;

private:
    QByteArray scheda(const ValoriConfigurazione &configurazione,
                      const ImpostazioniAllarmi &allarmi) const;
    QByteArray periferica(int unita) const;

    const ArgomentiMqtt &m_argomenti;
    QString m_versione;
};
