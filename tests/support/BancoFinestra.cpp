#include "BancoFinestra.h"

#include "link/Invio.h"
#include "protocol/SessioneScheda.h"

#include "app/BarraSeriale.h"
#include "app/BarraTcp.h"
#include "app/NavigazionePagine.h"

#include "Supporto.h"
#include "app/BarraStato.h"

#include <QtTest>

BancoFinestra::BancoFinestra()
{
    ricomincia();
}

BancoFinestra::~BancoFinestra()
{
    chiudi();
}

void BancoFinestra::ricomincia()
{
    chiudi();
    m_cartella = std::make_unique<QTemporaryDir>();
    QVERIFY(m_cartella->isValid());
    m_messaggi.svuota();
}

void BancoFinestra::chiudi()
{
    m_finestra.reset();
    m_cartella.reset();
}

void costruisciPagine(TfrmMain &finestra)
{
    NavigazionePagine &navigazione = finestra.navigazione();
    navigazione.paginaUsciteDigitali();
    navigazione.paginaIngressiDigitali();
    navigazione.paginaUsciteAnalogiche();
    navigazione.paginaIngressiAnalogici();
    navigazione.paginaPerifUsciteDigitali();
    navigazione.paginaPerifIngressiDigitali();
    navigazione.paginaPerifUsciteAnalogiche();
    navigazione.paginaConfigurazione();
    finestra.findChild<BarraTcp *>()->costruisci();
    finestra.findChild<BarraSeriale *>()->costruisci();
}

TfrmMain &BancoFinestra::crea()
{
    m_finestra = std::make_unique<TfrmMain>(&m_messaggi, m_cartella->path(), nullptr, m_tempi);
    return *m_finestra;
}

bool BancoFinestra::attendiInvii(int ms) const
{
    const Invio &invio = m_finestra->sessione().invio();
    return QTest::qWaitFor([&invio] { return !invio.isOccupato() && invio.inCoda() == 0; }, ms);
}

bool BancoFinestra::mostra()
{
    if (!m_finestra) {
        crea();
    }
    m_finestra->show();
    return QTest::qWaitForWindowExposed(m_finestra.get());
}

bool BancoFinestra::scriviPorte(const QString &contenuto) const
{
    return scriviTesto(filePorte(), contenuto);
}

void BancoFinestra::clicca(const QString &nome) const
{
    auto *controllo = this->controllo(nome);
    QVERIFY2(controllo && controllo->isVisible(), qPrintable(nome));
    QTest::mouseClick(controllo, Qt::LeftButton);
}

QString BancoFinestra::pannello(int n) const
{
    return m_finestra->barraStato()->testo(n);
}

void ProvaFinestra::init()
{
    ricomincia();
}

void ProvaFinestra::cleanup()
{
    chiudi();
}
