#pragma once

#include <QByteArray>
#include <QObject>

// One reader of a Seriale's received data, obtained from Seriale::aggiungiConsumatore.
// Every consumer is told of every chunk and reads it from its own starting point.
class ConsumatoreSeriale : public QObject
{
    Q_OBJECT

public:
    // Bytes of the current notification not yet taken by this consumer.
    int nonLetti() const;
    // The next byte of the current notification; 0 when nothing is left.
    char leggiCarattere();
    // Everything not yet taken, at once.
    QByteArray leggiTutto();

signals:
    void datiDisponibili(int conteggio);

private:
    friend class Seriale;
    explicit ConsumatoreSeriale(QObject *parent);

    QByteArray m_dati;
    qsizetype m_posizione = 0;
};
