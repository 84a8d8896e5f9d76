#include "app/NavigazionePagine.h"

#include "config/CaricaConfIni.h"
#include "config/PaginaConfigurazione.h"
#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/periferiche/PaginaPerifIngressiDigitali.h"
#include "pages/periferiche/PaginaPerifUsciteAnalogiche.h"
#include "pages/periferiche/PaginaPerifUsciteDigitali.h"
#include "pages/scheda/PaginaHome.h"
#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/scheda/PaginaUsciteAnalogiche.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/EtichettaAccorciata.h"
#include "pages/widgets/PannelloPunto.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

NavigazionePagine::NavigazionePagine(ValoriProgramma &valori, Messaggi &messaggi,
                                     SessioneScheda &sessione, QWidget *parent)
    : QStackedWidget(parent), m_valori(valori), m_messaggi(messaggi), m_sessione(sessione)
{
    setObjectName(QStringLiteral("pcPagine"));
    m_modoContinuo = new ModoContinuo(valori, messaggi, sessione, this);
    m_contesto.reset(new ContestoPagine{valori, messaggi, sessione, sessione.collegamento(),
                                        sessione.invio(), *m_modoContinuo,
                                        [this] { CaricaConfIni(); },
                                        [this](int pagina) { mostraPagina(pagina); },
                                        [this](const QString &testo) { emit notizia(testo); }});
    collegaHome();
}

NavigazionePagine::~NavigazionePagine()
{
    // The application outlives the pages; its focus notices must not reach half-destroyed ones.
    disconnect(m_connessioneFuoco);
}

void NavigazionePagine::collegaHome()
{
    // Every index of the page control holds its place from the start, so the page numbers
    // stay what they are; a placeholder gives way to its page at the page's first use.
    m_paginaHome = new PaginaHome(this);
    addWidget(m_paginaHome);
    for (int indice = ValoriProgramma::Home + 1; indice <= ValoriProgramma::Configurazione;
         ++indice) {
        addWidget(new QWidget(this));
    }
    // However a page comes on screen, it is built first.
    connect(this, &QStackedWidget::currentChanged, this, [this](int indice) {
        if (!m_collocando) {
            costruisci(indice);
        }
    });
    connect(m_paginaHome, &PaginaHome::immagineCliccata, this, &NavigazionePagine::ricomincia);
    connect(m_paginaHome, &PaginaHome::voceScelta, this,
            protetto(m_messaggi, [this](PaginaHome::Voce voce) { apriVoce(voce); }));
    m_connessioneFuoco = connect(
        qApp, &QApplication::focusChanged, this,
        protetto(m_messaggi, [this](QWidget *, QWidget *nuovo) { fuocoCambiato(nuovo); }));
}

void NavigazionePagine::colloca(int indice, QWidget *pagina)
{
    QWidget *segnaposto = widget(indice);
    const bool corrente = segnaposto == currentWidget();
    m_collocando = true;
    removeWidget(segnaposto);
    delete segnaposto;
    insertWidget(indice, pagina);
    if (corrente) {
        setCurrentIndex(indice);
    }
    m_collocando = false;
}

void NavigazionePagine::costruisci(int indice)
{
    switch (indice) {
    case ValoriProgramma::UsciteDigitali:
        paginaUsciteDigitali();
        break;
    case ValoriProgramma::IngressiDigitali:
        paginaIngressiDigitali();
        break;
    case ValoriProgramma::UsciteAnalogiche:
        paginaUsciteAnalogiche();
        break;
    case ValoriProgramma::IngressiAnalogici:
        paginaIngressiAnalogici();
        break;
    case ValoriProgramma::PerifUsciteDigitali:
        paginaPerifUsciteDigitali();
        break;
    case ValoriProgramma::PerifIngressiDigitali:
        paginaPerifIngressiDigitali();
        break;
    case ValoriProgramma::PerifUsciteAnalogiche:
        paginaPerifUsciteAnalogiche();
        break;
    case ValoriProgramma::Configurazione:
        paginaConfigurazione();
        break;
    default:
        break;
    }
}

void NavigazionePagine::riapplica(const std::array<std::optional<QString>, 8> &testi, int quanti,
                                  void (NavigazionePagine::*imposta)(int, const QString &))
{
    for (int n = 1; n <= quanti; ++n) {
        if (const std::optional<QString> &testo = testi.at(n - 1)) {
            (this->*imposta)(n, *testo);
        }
    }
}

void NavigazionePagine::collegaPulsante(QAbstractButton *pulsante, std::function<void()> azione)
{
    connect(pulsante, &QAbstractButton::clicked, this, protetto(m_messaggi, std::move(azione)));
}

template <typename Pagina, typename Prepara>
Pagina *NavigazionePagine::costruita(Pagina *&pagina, int indice, Prepara prepara)
{
    if (!pagina) {
        pagina = new Pagina(*m_contesto, this);
        prepara(pagina);
        colloca(indice, pagina);
    }
    return pagina;
}

PaginaUsciteDigitali *NavigazionePagine::paginaUsciteDigitali()
{
    return costruita(m_paginaUD, ValoriProgramma::UsciteDigitali, [this](auto *pagina) {
        riapplica(m_nomi.usciteDigitali, 8, &NavigazionePagine::impostaNomeUscitaDigitale);
        collegaPulsante(pagina->pulsanteHome(), [this] { sbHome1Click(); });
        collegaPulsante(pagina->pulsantePeriferiche(),
                        [this] { paginaPerifUsciteDigitali()->sbPUDClick(); });
    });
}

PaginaIngressiDigitali *NavigazionePagine::paginaIngressiDigitali()
{
    return costruita(m_paginaID, ValoriProgramma::IngressiDigitali, [this](auto *pagina) {
        riapplica(m_nomi.ingressiDigitali, 8, &NavigazionePagine::impostaNomeIngressoDigitale);
        collegaPulsante(pagina->pulsanteHome(), [this] { sbHome1Click(); });
        collegaPulsante(pagina->pulsantePeriferiche(),
                        [this] { paginaPerifIngressiDigitali()->sbPIDClick(); });
    });
}

PaginaUsciteAnalogiche *NavigazionePagine::paginaUsciteAnalogiche()
{
    return costruita(m_paginaUA, ValoriProgramma::UsciteAnalogiche, [this](auto *pagina) {
        riapplica(m_nomi.titoliUsciteAnalogiche, 2,
                  &NavigazionePagine::impostaTitoloUscitaAnalogica);
        collegaPulsante(pagina->pulsanteHome(), [this] { sbHome1Click(); });
        collegaPulsante(pagina->pulsantePeriferiche(),
                        [this] { paginaPerifUsciteAnalogiche()->sbPUAClick(); });
    });
}

PaginaIngressiAnalogici *NavigazionePagine::paginaIngressiAnalogici()
{
    return costruita(m_paginaIA, ValoriProgramma::IngressiAnalogici, [this](auto *pagina) {
        riapplica(m_nomi.titoliIngressiAnalogici, 8,
                  &NavigazionePagine::impostaTitoloIngressoAnalogico);
        riapplica(m_nomi.unitaIngressiAnalogici, 8,
                  &NavigazionePagine::impostaUnitaIngressoAnalogico);
        collegaPulsante(pagina->pulsanteHome(), [this] { sbHome1Click(); });
        collegaPulsante(pagina->pulsantePeriferiche(), [this] { sbPIAClick(); });
        connect(pagina, &PaginaIngressiAnalogici::letturaMostrata, this,
                &NavigazionePagine::letturaAnalogicaMostrata);
    });
}

PaginaPerifUsciteDigitali *NavigazionePagine::paginaPerifUsciteDigitali()
{
    return costruita(m_paginaUDP, ValoriProgramma::PerifUsciteDigitali, [this](auto *pagina) {
        collegaPulsante(pagina->pulsanteRitorno(), [this] { sbUDClick(); });
    });
}

PaginaPerifIngressiDigitali *NavigazionePagine::paginaPerifIngressiDigitali()
{
    return costruita(m_paginaIDP, ValoriProgramma::PerifIngressiDigitali, [this](auto *pagina) {
        collegaPulsante(pagina->pulsanteRitorno(), [this] { sbIDClick(); });
    });
}

PaginaPerifUsciteAnalogiche *NavigazionePagine::paginaPerifUsciteAnalogiche()
{
    return costruita(m_paginaUAP, ValoriProgramma::PerifUsciteAnalogiche, [this](auto *pagina) {
        collegaPulsante(pagina->pulsanteRitorno(), [this] { sbUAClick(); });
    });
}

PaginaConfigurazione *NavigazionePagine::paginaConfigurazione()
{
    if (!m_paginaConfigurazione) {
        m_paginaConfigurazione = new PaginaConfigurazione(m_valori, m_messaggi, this);
        connect(m_paginaConfigurazione, &PaginaConfigurazione::paginaIniziale, this,
                protetto(m_messaggi, [this] { SpeedButton13Click(); }));
        connect(m_paginaConfigurazione, &PaginaConfigurazione::salvata, this,
                [this] { emit notizia(QStringLiteral("Configurazione salvata")); });
        connect(m_paginaConfigurazione, &PaginaConfigurazione::inviaTempoAllarme, this,
                protetto(m_messaggi, [this] { SpeedButton22Click(); }));
        colloca(ValoriProgramma::Configurazione, m_paginaConfigurazione);
    }
    return m_paginaConfigurazione;
}

void NavigazionePagine::fuocoCambiato(QWidget *nuovo)
{
    // Only entering the page counts: focus coming back from the log or the link bars within
    // the same visit must not change the unit under the operator's next click.
    if (!nuovo || m_paginaDaEntrare < 0) {
        return;
    }
    QWidget *pagina = widget(m_paginaDaEntrare);
    if (!pagina || !pagina->isAncestorOf(nuovo)) {
        return;
    }
    const int indice = std::exchange(m_paginaDaEntrare, -1);
    switch (indice) {
    case ValoriProgramma::PerifUsciteDigitali:
        TabSheet6Enter();
        break;
    case ValoriProgramma::PerifIngressiDigitali:
        TabSheet7Enter();
        break;
    case ValoriProgramma::PerifUsciteAnalogiche:
        TabSheet8Enter();
        break;
    default:
        break;
    }
}

void NavigazionePagine::mostraPagina(int indice)
{
    costruisci(indice);
    // Set first: showing the page may already move the focus into it.
    const bool cambiata = indice != currentIndex();
    if (cambiata) {
        m_paginaDaEntrare = indice;
    }
    setCurrentIndex(indice);
    if (cambiata) {
        emit paginaCambiata();
    }
}

void NavigazionePagine::apriVoce(PaginaHome::Voce voce)
{
    // From another page (the "Pagine" menu) the way goes through home.
    if (currentIndex() != ValoriProgramma::Home && !lasciaConfigurazione()) {
        return;
    }
    switch (voce) {
    case PaginaHome::UD:
        paginaUsciteDigitali()->lbUDClick();
        break;
    case PaginaHome::ID:
        paginaIngressiDigitali()->lbIDClick();
        break;
    case PaginaHome::UA:
        paginaUsciteAnalogiche()->lbUAClick();
        break;
    case PaginaHome::IA:
        paginaIngressiAnalogici()->lbIAClick();
        break;
    }
}

bool NavigazionePagine::lasciaConfigurazione()
{
    if (currentIndex() != ValoriProgramma::Configurazione ||
        !m_paginaConfigurazione->isModificata()) {
        return true;
    }
    switch (m_messaggi.domanda(QStringLiteral("Salvare le modifiche?"))) {
    case Messaggi::Risposta::Si:
        return m_paginaConfigurazione->sbSalvaConfIniClick();
    case Messaggi::Risposta::No:
        // What was typed is dropped: the next reload fills the fields again.
        m_paginaConfigurazione->segnaRicaricata();
        return true;
    case Messaggi::Risposta::Annulla:
        break;
    }
    return false;
}

PaginaBase *NavigazionePagine::paginaSchedaAperta() const
{
    const int indice = currentIndex();
    if (indice < ValoriProgramma::UsciteDigitali ||
        indice > ValoriProgramma::PerifUsciteAnalogiche) {
        return nullptr;
    }
    return qobject_cast<PaginaBase *>(currentWidget());
}

QList<PaginaBase *> NavigazionePagine::pagineScheda() const
{
    QList<PaginaBase *> pagine;
    for (int i = ValoriProgramma::UsciteDigitali; i <= ValoriProgramma::PerifUsciteAnalogiche;
         ++i) {
        if (auto *pagina = qobject_cast<PaginaBase *>(widget(i))) {
            pagine << pagina;
        }
    }
    return pagine;
}

void NavigazionePagine::richiestaPaginaAperta()
{
    PaginaBase *pagina = paginaSchedaAperta();
    QAbstractButton *pulsante = pagina ? pagina->pulsanteRichiesta() : nullptr;
    if (pulsante && pulsante->isVisible() && pulsante->isEnabled()) {
        pulsante->click();
    }
}

void NavigazionePagine::azzeraTempoRele()
{
    if (m_paginaConfigurazione) {
        m_paginaConfigurazione->cbTime()->setCurrentIndex(0);
    }
}

void NavigazionePagine::salvaConfigurazione()
{
    if (currentIndex() != ValoriProgramma::Configurazione) {
        return;
    }
    QAbstractButton *pulsante = m_paginaConfigurazione->sbSalvaConfIni();
    if (pulsante->isVisible() && pulsante->isEnabled()) {
        pulsante->click();
    }
}

void NavigazionePagine::CaricaConfIni()
{
    const QStringList avvisi = ::CaricaConfIni(m_valori, *paginaConfigurazione(), *this);
    m_paginaConfigurazione->segnaRicaricata();
    // Reloaded at every page entry: each bad value is told once, not at every entry.
    for (const QString &avviso : avvisi) {
        if (!m_avvisiConfigurazione.contains(avviso)) {
            m_avvisiConfigurazione.insert(avviso);
            m_messaggi.avviso(avviso);
        }
    }
}

void NavigazionePagine::sbHome1Click()
{
    m_sessione.collegamento().VerificaCollegamento();
    mostraPagina(ValoriProgramma::Home);
}

void NavigazionePagine::SpeedButton13Click()
{
    if (!lasciaConfigurazione()) {
        return;
    }
    mostraPagina(ValoriProgramma::Home);
}

void NavigazionePagine::sbUDClick()
{
    mostraPagina(ValoriProgramma::UsciteDigitali);
}

void NavigazionePagine::sbIDClick()
{
    mostraPagina(ValoriProgramma::IngressiDigitali);
}

void NavigazionePagine::sbUAClick()
{
    mostraPagina(ValoriProgramma::UsciteAnalogiche);
}

void NavigazionePagine::sbIAClick()
{
    mostraPagina(ValoriProgramma::IngressiAnalogici);
}

void NavigazionePagine::TabSheet6Enter()
{
    paginaPerifUsciteDigitali()->selezionaPrimaUnita();
}

void NavigazionePagine::TabSheet7Enter()
{
    paginaPerifIngressiDigitali()->selezionaPrimaUnita();
}

void NavigazionePagine::TabSheet8Enter()
{
    paginaPerifUsciteAnalogiche()->selezionaPrimaUnita();
}

void NavigazionePagine::Settaggi1Click()
{
    // Chosen again while on the page, the reload would drop the edits.
    if (!lasciaConfigurazione()) {
        return;
    }
    mostraPagina(ValoriProgramma::Configurazione);
    CaricaConfIni();
}

void NavigazionePagine::sbPIAClick()
{
    CaricaConfIni();
}

void NavigazionePagine::SpeedButton22Click()
{
    CaricaConfIni();
    m_sessione.collegamento().VerificaCollegamento();
    m_sessione.invio().invia(
        Protocollo::tempoRele(paginaConfigurazione()->cbTime()->currentText()),
        EsitoInvio{[this] { emit notizia(QStringLiteral("Impostazioni inviate alla scheda")); },
                   {},
                   {}});
}

void NavigazionePagine::impostaNomeUscitaDigitale(int n, const QString &nome)
{
    m_nomi.usciteDigitali.at(n - 1) = nome;
    if (m_paginaUD) {
        m_paginaUD->pannello(n)->impostaNome(nome);
    }
}

void NavigazionePagine::impostaNomeIngressoDigitale(int n, const QString &nome)
{
    m_nomi.ingressiDigitali.at(n - 1) = nome;
    if (m_paginaID) {
        m_paginaID->pannello(n)->impostaNome(nome);
    }
}

void NavigazionePagine::impostaTitoloUscitaAnalogica(int n, const QString &testo)
{
    m_nomi.titoliUsciteAnalogiche.at(n - 1) = testo;
    if (m_paginaUA) {
        m_paginaUA->titolo(n)->impostaTesto(testo);
    }
}

void NavigazionePagine::impostaTitoloIngressoAnalogico(int n, const QString &testo)
{
    m_nomi.titoliIngressiAnalogici.at(n - 1) = testo;
    if (m_paginaIA) {
        m_paginaIA->titolo(n)->impostaTesto(testo);
    }
}

void NavigazionePagine::impostaUnitaIngressoAnalogico(int n, const QString &unita)
{
    m_nomi.unitaIngressiAnalogici.at(n - 1) = unita;
    if (m_paginaIA) {
        m_paginaIA->unita(n)->setText(unita);
    }
}
