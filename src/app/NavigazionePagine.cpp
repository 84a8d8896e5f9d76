#include "app/NavigazionePagine.h"

#include "config/CaricaConfIni.h"
#include "config/PaginaConfigurazione.h"
#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Framer.h"
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
#include "protocol/FramerPagine.h"
#include "protocol/Protocollo.h"
#include "protocol/Ricezione.h"
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
    m_modoContinuo = new ModoContinuo(valori, messaggi, sessione.invio(), this);
    connect(&sessione.ricezione(), &Ricezione::modoContinuoRilevato, m_modoContinuo,
            &ModoContinuo::mostra);
    m_contesto.reset(new ContestoPagine{valori, messaggi, sessione.collegamento(),
                                        sessione.invio(), sessione.framer(), sessione.ricezione(),
                                        *m_modoContinuo, [this] { CaricaConfIni(); },
                                        [this](int pagina) { mostraPagina(pagina); },
                                        [this](const QString &testo) { emit notizia(testo); }});
    creaPagine();
    collegaPagine();
}

NavigazionePagine::~NavigazionePagine()
{
    // The application outlives the pages; its focus notices must not reach half-destroyed ones.
    disconnect(m_connessioneFuoco);
}

void NavigazionePagine::creaPagine()
{
    m_paginaHome = new PaginaHome(this);
    m_paginaUD = new PaginaUsciteDigitali(*m_contesto, this);
    m_paginaID = new PaginaIngressiDigitali(*m_contesto, this);
    m_paginaUA = new PaginaUsciteAnalogiche(*m_contesto, this);
    m_paginaIA = new PaginaIngressiAnalogici(*m_contesto, this);
    m_paginaUDP = new PaginaPerifUsciteDigitali(*m_contesto, this);
    m_paginaIDP = new PaginaPerifIngressiDigitali(*m_contesto, this);
    m_paginaUAP = new PaginaPerifUsciteAnalogiche(*m_contesto, this);
    m_paginaConfigurazione = new PaginaConfigurazione(m_valori, m_messaggi, this);
    for (QWidget *pagina :
         {static_cast<QWidget *>(m_paginaHome), static_cast<QWidget *>(m_paginaUD),
          static_cast<QWidget *>(m_paginaID), static_cast<QWidget *>(m_paginaUA),
          static_cast<QWidget *>(m_paginaIA), static_cast<QWidget *>(m_paginaUDP),
          static_cast<QWidget *>(m_paginaIDP), static_cast<QWidget *>(m_paginaUAP),
          static_cast<QWidget *>(m_paginaConfigurazione)}) {
        addWidget(pagina);
    }
}

void NavigazionePagine::collegaPagine()
{
    const auto gestore = [this](auto azione) { return protetto(m_messaggi, azione); };
    connect(m_paginaHome, &PaginaHome::immagineCliccata, this, &NavigazionePagine::ricomincia);
    connect(m_paginaHome, &PaginaHome::voceScelta, this,
            gestore([this](PaginaHome::Voce voce) { apriVoce(voce); }));
    connect(m_paginaConfigurazione, &PaginaConfigurazione::paginaIniziale, this,
            gestore([this] { SpeedButton13Click(); }));
    connect(m_paginaConfigurazione, &PaginaConfigurazione::salvata, this,
            [this] { emit notizia(QStringLiteral("Configurazione salvata")); });
    connect(m_paginaConfigurazione, &PaginaConfigurazione::inviaTempoAllarme, this,
            gestore([this] { SpeedButton22Click(); }));
    for (QPushButton *home : {m_paginaUD->pulsanteHome(), m_paginaID->pulsanteHome(),
                              m_paginaUA->pulsanteHome(), m_paginaIA->pulsanteHome()}) {
        connect(home, &QPushButton::clicked, this, gestore([this] { sbHome1Click(); }));
    }
    connect(m_paginaUDP->pulsanteRitorno(), &QPushButton::clicked, this,
            gestore([this] { sbUDClick(); }));
    connect(m_paginaIDP->pulsanteRitorno(), &QPushButton::clicked, this,
            gestore([this] { sbIDClick(); }));
    connect(m_paginaUAP->pulsanteRitorno(), &QPushButton::clicked, this,
            gestore([this] { sbUAClick(); }));
    connect(m_paginaIA->pulsantePeriferiche(), &QPushButton::clicked, this,
            gestore([this] { sbPIAClick(); }));
    connect(m_paginaUD->pulsantePeriferiche(), &QPushButton::clicked, this,
            gestore([this] { m_paginaUDP->sbPUDClick(); }));
    connect(m_paginaID->pulsantePeriferiche(), &QPushButton::clicked, this,
            gestore([this] { m_paginaIDP->sbPIDClick(); }));
    connect(m_paginaUA->pulsantePeriferiche(), &QPushButton::clicked, this,
            gestore([this] { m_paginaUAP->sbPUAClick(); }));

    m_connessioneFuoco =
        connect(qApp, &QApplication::focusChanged, this,
                gestore([this](QWidget *, QWidget *nuovo) { fuocoCambiato(nuovo); }));
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
    // From another page (the "Pagine" menu) the way goes through home: the framers of the
    // page left are switched off as its "Pagina Iniziale" button would.
    if (currentIndex() != ValoriProgramma::Home) {
        if (!lasciaConfigurazione()) {
            return;
        }
        m_sessione.framer().disattivaTutti();
    }
    switch (voce) {
    case PaginaHome::UD:
        m_paginaUD->lbUDClick();
        break;
    case PaginaHome::ID:
        m_paginaID->lbIDClick();
        break;
    case PaginaHome::UA:
        m_paginaUA->lbUAClick();
        break;
    case PaginaHome::IA:
        m_paginaIA->lbIAClick();
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

void NavigazionePagine::salvaConfigurazione()
{
    QAbstractButton *pulsante = m_paginaConfigurazione->sbSalvaConfIni();
    if (currentIndex() == ValoriProgramma::Configurazione && pulsante->isVisible() &&
        pulsante->isEnabled()) {
        pulsante->click();
    }
}

void NavigazionePagine::CaricaConfIni()
{
    const QStringList avvisi = ::CaricaConfIni(m_valori, *m_paginaConfigurazione, *this);
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
    m_sessione.framer().disattivaTutti();
    m_sessione.collegamento().VerificaCollegamento();
    mostraPagina(ValoriProgramma::Home);
}

void NavigazionePagine::SpeedButton13Click()
{
    if (!lasciaConfigurazione()) {
        return;
    }
    m_sessione.framer().disattivaTutti();
    mostraPagina(ValoriProgramma::Home);
}

void NavigazionePagine::sbUDClick()
{
    m_sessione.framer().adpUDP()->setEnabled(false);
    m_sessione.framer().adpUD()->setEnabled(true);
    mostraPagina(ValoriProgramma::UsciteDigitali);
}

void NavigazionePagine::sbIDClick()
{
    m_sessione.framer().adpIDP()->setEnabled(false);
    m_sessione.framer().adpID()->setEnabled(true);
    mostraPagina(ValoriProgramma::IngressiDigitali);
}

void NavigazionePagine::sbUAClick()
{
    mostraPagina(ValoriProgramma::UsciteAnalogiche);
    m_sessione.framer().adpUAP()->setEnabled(false);
    m_sessione.framer().adpUA()->setEnabled(true);
}

void NavigazionePagine::sbIAClick()
{
    mostraPagina(ValoriProgramma::IngressiAnalogici);
}

void NavigazionePagine::TabSheet6Enter()
{
    m_paginaUDP->selezionaPrimaUnita();
}

void NavigazionePagine::TabSheet7Enter()
{
    m_paginaIDP->selezionaPrimaUnita();
}

void NavigazionePagine::TabSheet8Enter()
{
    m_paginaUAP->selezionaPrimaUnita();
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
        Protocollo::tempoRele(m_paginaConfigurazione->cbTime()->currentText()),
        EsitoInvio{[this] { emit notizia(QStringLiteral("Impostazioni inviate alla scheda")); },
                   {},
                   {}});
}

void NavigazionePagine::impostaNomeUscitaDigitale(int n, const QString &nome)
{
    m_paginaUD->pannello(n)->impostaNome(nome);
}

void NavigazionePagine::impostaNomeIngressoDigitale(int n, const QString &nome)
{
    m_paginaID->pannello(n)->impostaNome(nome);
}

void NavigazionePagine::impostaTitoloUscitaAnalogica(int n, const QString &testo)
{
    m_paginaUA->titolo(n)->impostaTesto(testo);
}

void NavigazionePagine::impostaTitoloIngressoAnalogico(int n, const QString &testo)
{
    m_paginaIA->titolo(n)->impostaTesto(testo);
}

void NavigazionePagine::impostaUnitaIngressoAnalogico(int n, const QString &unita)
{
    m_paginaIA->unita(n)->setText(unita);
}
