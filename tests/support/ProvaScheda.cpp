#include "ProvaScheda.h"

#include "Supporto.h"

#include <QtTest>

void ProvaScheda::init()
{
    m_cartella = std::make_unique<QTemporaryDir>();
    QVERIFY(m_cartella->isValid());
    m_scheda = std::make_unique<SimulatoreScheda>();
    m_scheda->setDeriva(false);
    m_messaggi.svuota();
}

void ProvaScheda::cleanup()
{
    QVERIFY2(m_messaggi.voci().isEmpty(),
             qPrintable(m_messaggi.voci().isEmpty() ? QString() : m_messaggi.voci().first().testo));
    m_finestra.reset();
    m_scheda.reset();
    m_cartella.reset();
}

void ProvaScheda::avviaTcp()
{
    const quint16 porta = m_scheda->avviaTcp();
    QVERIFY2(porta != 0, qPrintable(m_scheda->errore()));
    QVERIFY(scriviPorteTcp(m_cartella->path(), porta));
    creaFinestra();
}

void ProvaScheda::avviaSeriale(int intervallo)
{
    m_scheda->setIntervallo(intervallo);
    const QString dispositivo = m_scheda->apriPty();
    QVERIFY2(!dispositivo.isEmpty(), qPrintable(m_scheda->errore()));
    QVERIFY(scriviPorteSeriale(m_cartella->path(), dispositivo));
    creaFinestra();
}

void ProvaScheda::creaFinestra()
{
    m_finestra = std::make_unique<TfrmMain>(&m_messaggi, m_cartella->path());
    m_finestra->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_finestra.get()));
}

void ProvaScheda::clicca(const QString &nome)
{
    auto *controllo = m_finestra->findChild<QWidget *>(nome);
    QVERIFY2(controllo && controllo->isVisible(), qPrintable(nome));
    // The handler runs to its end inside the click, pumping events while it waits.
    QTest::mouseClick(controllo, Qt::LeftButton);
}
