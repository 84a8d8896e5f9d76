#pragma once

#include "config/DestinatariConfigurazione.h"
#include "core/Messaggi.h"
#include "StatoRegistrato.h"
#include "core/ValoriProgramma.h"
#include "pages/comune/ContestoPagine.h"

#include <QList>
#include <QMap>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>
#include <vector>

class ModoContinuo;
class PaginaConfigurazione;
class SessioneScheda;

// Board pages built from their context alone, as the page control builds them, without the
// main window: a temporary settings folder, the program values pointing into it, recorded
// messages and status texts, the objects that talk to the board (no link chosen until
// collegaTcp(), short timings) and the continuous mode. The context's configuration reload is the
// real one, carrying names and units onto the pages built here; the page it asks to show is
// recorded and counts as the page on screen.
class BancoPagina : private DestinatariConfigurazione
{
public:
    BancoPagina();
    ~BancoPagina() override;

    // The page of that kind, built on first use.
    template <typename Pagina> Pagina &pagina()
    {
        if (auto *trovata = costruita<Pagina>()) {
            return *trovata;
        }
        auto *nuova = new Pagina(*m_contesto);
        m_pagine.emplace_back(nuova);
        return *nuova;
    }
    // Shows `pagina` as a window of its own; false when it never got on screen.
    static bool mostra(QWidget &pagina);
    // Chooses TCP to `porta` on this machine (a board the test plays) and connects, as a page
    // entry would; false when the link did not come up.
    bool collegaTcp(quint16 porta);

    ValoriProgramma &valori() { return m_valori; }
    MessaggiRegistrati &messaggi() { return m_messaggi; }
    const StatoRegistrato &stato() const { return m_stato; }
    SessioneScheda &sessione() const { return *m_sessione; }
    ModoContinuo &modoContinuo() const { return *m_modoContinuo; }
    ContestoPagine &contesto() const { return *m_contesto; }
    // Every page the context asked to show, in order.
    const QList<int> &pagineMostrate() const { return m_mostrate; }
    QString cartella() const { return m_cartella.path(); }
    QString fileImpostazioni() const { return m_valori.fileImpostazioni; }

private:
    template <typename Pagina> Pagina *costruita() const
    {
        for (const auto &pagina : m_pagine) {
            if (auto *trovata = qobject_cast<Pagina *>(pagina.get())) {
                return trovata;
            }
        }
        return nullptr;
    }

    void impostaNomeUscitaDigitale(int n, const QString &nome) override;
    void impostaNomeIngressoDigitale(int n, const QString &nome) override;
    void impostaTitoloUscitaAnalogica(int n, const QString &testo) override;
    void impostaTitoloIngressoAnalogico(int n, const QString &testo) override;
    void impostaUnitaIngressoAnalogico(int n, const QString &unita) override;

    QTemporaryDir m_cartella;
    ValoriProgramma m_valori;
    MessaggiRegistrati m_messaggi;
    StatoRegistrato m_stato;
    QList<int> m_mostrate;
    std::unique_ptr<SessioneScheda> m_sessione;
    std::unique_ptr<ModoContinuo> m_modoContinuo;
    std::unique_ptr<PaginaConfigurazione> m_configurazione;
    std::unique_ptr<ContestoPagine> m_contesto;
    // Last, so that the pages go before what they use.
    std::vector<std::unique_ptr<QWidget>> m_pagine;
};
