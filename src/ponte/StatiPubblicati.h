#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

// The last payload published on each state topic, so that a state goes out when it changes and
// not at every poll, and all of them can go out again after a reconnect to the broker.
class StatiPubblicati
{
public:
    // Raw counts an analog reading must move, since its last publication, before a new shown
    // value is published: the reading's noise does not flicker the rounded value.
    static constexpr int BandaAnalogica = 128;

    // True when `payload` must be published on `argomento` (and it is taken as published):
    // the first value, or a different one. With `grezzo` >= 0 a different value also needs
    // the raw reading to have moved by `banda` or more.
    bool aggiorna(const QString &argomento, const QString &payload, int grezzo = -1, int banda = 0);
    // The next value on this topic goes out whatever it is.
    void dimentica(const QString &argomento) { m_voci.remove(argomento); }
    // Every topic with its payload, in no particular order.
    QList<QPair<QString, QString>> tutti() const;

private:
    struct Voce
    {
        QString payload;
        int grezzo = -1;
    };
    QHash<QString, Voce> m_voci;
};
