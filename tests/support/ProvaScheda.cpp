#include "ProvaScheda.h"

#include "Supporto.h"

#include <QtTest>

void ProvaScheda::init()
{
    ProvaFinestra::init();
    m_scheda = std::make_unique<SimulatoreScheda>();
    m_scheda->setDeriva(false);
}

void ProvaScheda::cleanup()
{
    QVERIFY2(m_messaggi.voci().isEmpty(),
             qPrintable(m_messaggi.voci().isEmpty() ? QString() : m_messaggi.voci().first().testo));
    m_finestra.reset();
    m_scheda.reset();
    ProvaFinestra::cleanup();
}

void ProvaScheda::avviaTcp()
{
    const quint16 porta = m_scheda->avviaTcp();
    QVERIFY2(porta != 0, qPrintable(m_scheda->errore()));
    QVERIFY(scriviPorteTcp(cartella(), porta));
    creaFinestra();
}

void ProvaScheda::avviaSeriale(int intervallo)
{
    m_scheda->setIntervallo(intervallo);
    const QString dispositivo = m_scheda->apriPty();
    QVERIFY2(!dispositivo.isEmpty(), qPrintable(m_scheda->errore()));
    QVERIFY(scriviPorteSeriale(cartella(), dispositivo));
    creaFinestra();
}

void ProvaScheda::creaFinestra()
{
    crea();
    QVERIFY(mostra());
}
