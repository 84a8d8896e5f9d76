#include "BancoPagina.h"

#include "config/CaricaConfIni.h"
#include "config/PaginaConfigurazione.h"
#include "Supporto.h"
#include "link/Collegamento.h"
#include "link/TrasportoTcp.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/scheda/PaginaUsciteAnalogiche.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/EtichettaAccorciata.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/SessioneScheda.h"
#include "settings/LayoutIni.h"

#include <QLabel>
#include <QtTest>

BancoPagina::BancoPagina()
{
    QVERIFY(m_cartella.isValid());
    m_valori.cartellaProgramma = m_cartella.path() + QLatin1Char('/');
    m_valori.fileImpostazioni = m_valori.cartellaProgramma + LayoutIni::kFileImpostazioni;
    m_valori.filePorte = m_valori.cartellaProgramma + LayoutIni::kFilePorte;

    // Wired to the messages as the main window wires them.
    m_sessione = std::make_unique<SessioneScheda>(m_valori, m_stato, tempiBrevi());
    QObject::connect(m_sessione.get(), &SessioneScheda::errore,
                     [this](const QString &testo) { m_messaggi.errore(testo); });
    QObject::connect(&m_sessione->collegamento(), &Collegamento::avviso,
                     [this](const QString &testo) { m_messaggi.avviso(testo); });
    QObject::connect(&m_sessione->collegamento(), &Collegamento::messaggio,
                     [this](const QString &testo) { m_messaggi.messaggio(testo); });

    m_modoContinuo = std::make_unique<ModoContinuo>(m_valori, m_messaggi, *m_sessione);
    m_configurazione = std::make_unique<PaginaConfigurazione>(m_valori, m_messaggi);
    m_contesto.reset(
        new ContestoPagine{m_valori, m_messaggi, *m_sessione, m_sessione->collegamento(),
                           m_sessione->invio(), *m_modoContinuo,
                           [this] { CaricaConfIni(m_valori, *m_configurazione, *this); },
                           [this](int pagina) { m_mostrate.append(pagina); }});
}

BancoPagina::~BancoPagina()
{
    m_pagine.clear();
}

bool BancoPagina::mostra(QWidget &pagina)
{
    pagina.show();
    return QTest::qWaitForWindowExposed(&pagina);
}

bool BancoPagina::collegaTcp(quint16 porta)
{
    Collegamento &collegamento = m_sessione->collegamento();
    collegamento.setTipoScelto(TipoCollegamento::Tcp);
    collegamento.tcp().setIndirizzo(QStringLiteral("127.0.0.1"), QString::number(porta));
    collegamento.VerificaCollegamento();
    collegamento.avvia();
    return QTest::qWaitFor([&collegamento] { return collegamento.collegamentoAttivo(); }, 5000);
}

void BancoPagina::impostaNomeUscitaDigitale(int n, const QString &nome)
{
    if (auto *pagina = costruita<PaginaUsciteDigitali>()) {
        pagina->pannello(n)->impostaNome(nome);
    }
}

void BancoPagina::impostaNomeIngressoDigitale(int n, const QString &nome)
{
    if (auto *pagina = costruita<PaginaIngressiDigitali>()) {
        pagina->pannello(n)->impostaNome(nome);
    }
}

void BancoPagina::impostaTitoloUscitaAnalogica(int n, const QString &testo)
{
    if (auto *pagina = costruita<PaginaUsciteAnalogiche>()) {
        pagina->titolo(n)->impostaTesto(testo);
    }
}

void BancoPagina::impostaTitoloIngressoAnalogico(int n, const QString &testo)
{
    if (auto *pagina = costruita<PaginaIngressiAnalogici>()) {
        pagina->titolo(n)->impostaTesto(testo);
    }
}

void BancoPagina::impostaUnitaIngressoAnalogico(int n, const QString &unita)
{
    if (auto *pagina = costruita<PaginaIngressiAnalogici>()) {
        pagina->unita(n)->setText(unita);
    }
}
