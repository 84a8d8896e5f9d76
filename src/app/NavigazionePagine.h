#pragma once

#include "config/DestinatariConfigurazione.h"
#include "pages/scheda/PaginaHome.h"

#include <QSet>
#include <QStackedWidget>

#include <memory>

class Messaggi;
class ModoContinuo;
class PaginaBase;
class PaginaConfigurazione;
class PaginaIngressiAnalogici;
class PaginaIngressiDigitali;
class PaginaPerifIngressiDigitali;
class PaginaPerifUsciteAnalogiche;
class PaginaPerifUsciteDigitali;
class PaginaUsciteAnalogiche;
class PaginaUsciteDigitali;
class SessioneScheda;
struct ContestoPagine;
struct ValoriProgramma;

// The page control ("pcPagine"): builds the pages, moves between them as their buttons say,
// and carries the configuration's names and units onto them.
class NavigazionePagine : public QStackedWidget, private DestinatariConfigurazione
{
    Q_OBJECT
public:
    NavigazionePagine(ValoriProgramma &valori, Messaggi &messaggi, SessioneScheda &sessione,
                      QWidget *parent = nullptr);
    ~NavigazionePagine() override;

    PaginaHome *paginaHome() const { return m_paginaHome; }
    PaginaUsciteDigitali *paginaUsciteDigitali() const { return m_paginaUD; }
    PaginaIngressiDigitali *paginaIngressiDigitali() const { return m_paginaID; }
    PaginaUsciteAnalogiche *paginaUsciteAnalogiche() const { return m_paginaUA; }
    PaginaIngressiAnalogici *paginaIngressiAnalogici() const { return m_paginaIA; }
    PaginaPerifUsciteDigitali *paginaPerifUsciteDigitali() const { return m_paginaUDP; }
    PaginaPerifIngressiDigitali *paginaPerifIngressiDigitali() const { return m_paginaIDP; }
    PaginaPerifUsciteAnalogiche *paginaPerifUsciteAnalogiche() const { return m_paginaUAP; }
    PaginaConfigurazione *paginaConfigurazione() const { return m_paginaConfigurazione; }

    // The board or peripheral page on screen; null for home and configuration.
    PaginaBase *paginaSchedaAperta() const;
    // Every page that shows board points.
    QList<PaginaBase *> pagineScheda() const;
    void mostraPagina(int indice);

    void CaricaConfIni();
    void sbHome1Click();
    void SpeedButton13Click();
    void sbUDClick();
    void sbIDClick();
    void sbUAClick();
    void sbIAClick();
    void TabSheet6Enter();
    void TabSheet7Enter();
    void TabSheet8Enter();
    void Settaggi1Click();
    void sbPIAClick();
    void SpeedButton22Click();
    // F5: the "Richiesta" button of the page on screen.
    void richiestaPaginaAperta();
    // Ctrl+S: "Salva Configurazione" while the configuration page is on screen.
    void salvaConfigurazione();
    // A home entry, chosen on the home page or from the "Pagine" menu on any page.
    void apriVoce(PaginaHome::Voce voce);
    // Leaving the configuration page with unsaved edits asks first; false: stay.
    bool lasciaConfigurazione();

signals:
    // Another page is on screen.
    void paginaCambiata();
    // The home picture was clicked: start over as at start-up.
    void ricomincia();
    // A short notice for status panel 1 ("Configurazione salvata").
    void notizia(const QString &testo);

private:
    void creaPagine();
    void collegaPagine();
    // The first time the input focus lands inside a page after it was shown, that page is
    // entered.
    void fuocoCambiato(QWidget *nuovo);

    void impostaNomeUscitaDigitale(int n, const QString &nome) override;
    void impostaNomeIngressoDigitale(int n, const QString &nome) override;
    void impostaTitoloUscitaAnalogica(int n, const QString &testo) override;
    void impostaTitoloIngressoAnalogico(int n, const QString &testo) override;
    void impostaUnitaIngressoAnalogico(int n, const QString &unita) override;

    ValoriProgramma &m_valori;
    Messaggi &m_messaggi;
    SessioneScheda &m_sessione;
    ModoContinuo *m_modoContinuo = nullptr;
    std::unique_ptr<ContestoPagine> m_contesto;

    PaginaHome *m_paginaHome = nullptr;
    PaginaUsciteDigitali *m_paginaUD = nullptr;
    PaginaIngressiDigitali *m_paginaID = nullptr;
    PaginaUsciteAnalogiche *m_paginaUA = nullptr;
    PaginaIngressiAnalogici *m_paginaIA = nullptr;
    PaginaPerifUsciteDigitali *m_paginaUDP = nullptr;
    PaginaPerifIngressiDigitali *m_paginaIDP = nullptr;
    PaginaPerifUsciteAnalogiche *m_paginaUAP = nullptr;
    PaginaConfigurazione *m_paginaConfigurazione = nullptr;
    // Shown and not yet entered by the focus; -1 once entered.
    int m_paginaDaEntrare = -1;
    // Warnings of the configuration reload already shown.
    QSet<QString> m_avvisiConfigurazione;
    QMetaObject::Connection m_connessioneFuoco;
};
