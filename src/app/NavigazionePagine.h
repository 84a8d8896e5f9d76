#pragma once

#include "config/DestinatariConfigurazione.h"
#include "pages/scheda/PaginaHome.h"

#include <QSet>
#include <QStackedWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class Messaggi;
class QAbstractButton;
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

    // Home is built with the control; every other page at its first use, in its place.
    PaginaHome *paginaHome() const { return m_paginaHome; }
    PaginaUsciteDigitali *paginaUsciteDigitali();
    PaginaIngressiDigitali *paginaIngressiDigitali();
    PaginaUsciteAnalogiche *paginaUsciteAnalogiche();
    PaginaIngressiAnalogici *paginaIngressiAnalogici();
    PaginaPerifUsciteDigitali *paginaPerifUsciteDigitali();
    PaginaPerifIngressiDigitali *paginaPerifIngressiDigitali();
    PaginaPerifUsciteAnalogiche *paginaPerifUsciteAnalogiche();
    PaginaConfigurazione *paginaConfigurazione();

    // The board or peripheral page on screen; null for home and configuration.
    PaginaBase *paginaSchedaAperta() const;
    // Every page that shows board points and has been built.
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
    // Starting over: the relay time back to its first choice (a page not built yet has it).
    void azzeraTempoRele();
    // Leaving the configuration page with unsaved edits asks first; false: stay.
    bool lasciaConfigurazione();

signals:
    // Another page is on screen.
    void paginaCambiata();
    // The home picture was clicked: start over as at start-up.
    void ricomincia();
    // A short notice for status panel 1 ("Configurazione salvata").
    void notizia(const QString &testo);
    // A scaled value just put on analog input n's display.
    void letturaAnalogicaMostrata(int n, qint64 valore);

private:
    void collegaHome();
    // Puts a page just built where its placeholder held its index.
    void colloca(int indice, QWidget *pagina);
    // Gives a page just built the texts of its first `quanti` points that the last reload set.
    void riapplica(const std::array<std::optional<QString>, 8> &testi, int quanti,
                   void (NavigazionePagine::*imposta)(int, const QString &));
    // Builds the page of `indice` if it is not there yet.
    void costruisci(int indice);
    // `azione`, guarded, on each click of `pulsante`.
    void collegaPulsante(QAbstractButton *pulsante, std::function<void()> azione);
    // The page in `pagina`, built from the context, made ready by `prepara` and put at
    // `indice` the first time.
    template <typename Pagina, typename Prepara>
    Pagina *costruita(Pagina *&pagina, int indice, Prepara prepara);
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
    // The names and units of the last reload, for the pages built after it.
    struct Nomi
    {
        std::array<std::optional<QString>, 8> usciteDigitali;
        std::array<std::optional<QString>, 8> ingressiDigitali;
        std::array<std::optional<QString>, 8> titoliUsciteAnalogiche;
        std::array<std::optional<QString>, 8> titoliIngressiAnalogici;
        std::array<std::optional<QString>, 8> unitaIngressiAnalogici;
    } m_nomi;
    // A page is being put in its place: the page control's own moves build nothing.
    bool m_collocando = false;
    // Shown and not yet entered by the focus; -1 once entered.
    int m_paginaDaEntrare = -1;
    // Warnings of the configuration reload already shown.
    QSet<QString> m_avvisiConfigurazione;
    QMetaObject::Connection m_connessioneFuoco;
};
