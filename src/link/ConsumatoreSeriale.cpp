#include "ConsumatoreSeriale.h"

ConsumatoreSeriale::ConsumatoreSeriale(QObject *parent) : QObject(parent) {}

int ConsumatoreSeriale::nonLetti() const
{
    return int(m_dati.size() - m_posizione);
}

char ConsumatoreSeriale::leggiCarattere()
{
    if (m_posizione >= m_dati.size()) {
        return 0;
    }
    return m_dati.at(m_posizione++);
}

QByteArray ConsumatoreSeriale::leggiTutto()
{
    const QByteArray resto = m_dati.mid(m_posizione);
    m_dati.clear();
    m_posizione = 0;
    return resto;
}
