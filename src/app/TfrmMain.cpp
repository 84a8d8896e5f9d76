#include "app/TfrmMain.h"

#include "app/BarraSeriale.h"
#include "app/BarraStato.h"
#include "app/BarraMqtt.h"
#include "app/BarraTcp.h"
#include "app/FinestraConsole.h"
#include "app/NavigazionePagine.h"
#include "app/NotificheDesktop.h"
#include "app/PannelloLog.h"
#include "app/SegniAllarme.h"
#include "config/PaginaConfigurazione.h"
#include "core/Gestore.h"
#include "link/Collegamento.h"
#include "link/TrasportoSeriale.h"
#include "link/Invio.h"
#include "link/TrasportoMqtt.h"
#include "link/TrasportoTcp.h"
#include "link/RegistroTraffico.h"
#include "pages/andamento/FinestraAndamento.h"
#include "pages/andamento/FinestraRegistroEventi.h"
#include "pages/andamento/StoricoAnalogici.h"
#include "pages/comune/SorveglianzaPagine.h"
#include "pages/widgets/CorniceFuoco.h"
#include "pages/widgets/MessaggiQt.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/SessioneScheda.h"
#include "settings/CartellaImpostazioni.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "storico/RegistrazioneScheda.h"
#include "storico/Storico.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kAltezzaLog = 67;

} // namespace

TfrmMain::TfrmMain(Messaggi *messaggi, const QString &cartellaProgramma, QWidget *parent,
                   const Temporizzazioni &tempi)
    : QMainWindow(parent),
      m_messaggiPropri(messaggi ? nullptr : std::make_unique<MessaggiQt>(this)),
      m_messaggi(messaggi ? *messaggi : *m_messaggiPropri), m_cartellaIniziale(cartellaProgramma)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Progetto Brivola"));

    auto *centrale = new QWidget(this);
    auto *colonna = new QVBoxLayout(centrale);
    colonna->setContentsMargins(0, 0, 0, 0);
    colonna->setSpacing(0);
    setCentralWidget(centrale);

    m_barraStato = new BarraStato(this);
    setStatusBar(m_barraStato);
    creaSessione(tempi);
    creaMenu();
    m_barraTcp = new BarraTcp(collegamento().tcp(), m_messaggi, centrale);
    m_barraSeriale = new BarraSeriale(collegamento().seriale(), m_messaggi, centrale);
    m_barraMqtt = new BarraMqtt(collegamento().mqtt(), m_messaggi, centrale);
    colonna->addWidget(m_barraTcp);
    colonna->addWidget(m_barraSeriale);
    colonna->addWidget(m_barraMqtt);

    m_split = new QSplitter(Qt::Vertical, centrale);
    m_split->setObjectName(QStringLiteral("split"));
    m_split->setHandleWidth(3);
    m_split->setChildrenCollapsible(false);
    colonna->addWidget(m_split, 1);
    m_navigazione = new NavigazionePagine(m_valori, m_messaggi, *m_sessione, m_split);
    m_split->addWidget(m_navigazione);
    m_split->setStretchFactor(0, 1);
    m_pannelloLog = new PannelloLog(m_split);
    m_split->addWidget(m_pannelloLog);
    m_split->setStretchFactor(1, 0);
    if (m_cartellaIniziale.isEmpty()) {
        const CartellaImpostazioni scelta = scegliCartellaImpostazioni(
            QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
        m_cartellaIniziale = scelta.cartella;
        aggiungiLog(scelta.descrizione);
        qInfo().noquote() << scelta.descrizione;
    }

    // The bars give way to the page once the connection check has fixed the kind.
    connect(&collegamento(), &Collegamento::tipoVerificato, this, [this] {
        m_barraTcp->hide();
        m_barraSeriale->hide();
        m_barraMqtt->hide();
    });
    // Someone else changed the board (another panel, a hub): the page on screen reads again,
    // unless commands are on their way already (their own read-back follows).
    for (Trasporto *trasporto : collegamento().trasporti()) {
        connect(trasporto, &Trasporto::cambiatoAltrove, this, [this, trasporto] {
            if (trasporto == collegamento().trasporto() && !m_sessione->invio().isOccupato()) {
                m_navigazione->richiestaPaginaAperta();
            }
        });
    }
    connect(&m_sessione->lettore(), &LettoreRisposte::rigaLog, this, &TfrmMain::aggiungiLog);
    connect(m_navigazione, &NavigazionePagine::ricomincia, this,
            protetto(m_messaggi, [this] { FormCreate(); }));

    m_timTimerOra = new QTimer(this);
    m_timTimerOra->setObjectName(QStringLiteral("timTimerOra"));
    m_timTimerOra->setInterval(1000);
    connect(m_timTimerOra, &QTimer::timeout, this,
            protetto(m_messaggi, [this] { timTimerOraTimer(); }));
    m_timTimerOra->start();

    m_sorveglianza = new SorveglianzaPagine(
        *m_sessione, *m_barraStato,
        [this] { return m_navigazione->paginaSchedaAperta(); },
        [this] { return m_navigazione->pagineScheda(); }, this);
    connect(m_navigazione, &NavigazionePagine::paginaCambiata, m_sorveglianza,
            &SorveglianzaPagine::paginaCambiata);
    creaScorciatoie();
    connect(m_navigazione, &NavigazionePagine::notizia, this,
            [this](const QString &testo) { m_barraStato->impostaTesto(1, testo); });
    new CorniceFuoco(this);
    // Notices in status panel 1 stay until the operator acts again.
    qApp->installEventFilter(this);

    resize(751, 585);
    centraSulloSchermo();
    FormCreate();
    timTimerOraTimer();
    creaRegistroTraffico();
    creaStorico();
}

TfrmMain::~TfrmMain()
{
    qApp->removeEventFilter(this);
    // The trend window draws from the kept readings, which go before it otherwise; both it and
    // the logbook read the history.
    delete m_finestraAndamento;
    delete m_finestraRegistro;
    // Off the link's signals before the link goes.
    delete m_finestraConsole;
}

Collegamento &TfrmMain::collegamento() const
{
    return m_sessione->collegamento();
}

Invio &TfrmMain::invio() const
{
    return m_sessione->invio();
}

RegistroTraffico &TfrmMain::registroTraffico() const
{
    return m_sessione->registroTraffico();
}

void TfrmMain::creaSessione(const Temporizzazioni &tempi)
{
    m_sessione = new SessioneScheda(m_valori, *m_barraStato, tempi, this);
    connect(m_sessione, &SessioneScheda::errore, this,
            [this](const QString &testo) { m_messaggi.errore(testo); });
    connect(&collegamento(), &Collegamento::avviso, this,
            [this](const QString &testo) { m_messaggi.avviso(testo); });
    connect(&collegamento(), &Collegamento::messaggio, this,
            [this](const QString &testo) { m_messaggi.messaggio(testo); });
    m_storico = new StoricoAnalogici(m_valori.configurazione, this);

    // The Console holds the traffic from the session's first event, open or not: it is made
    // then, hidden, rather than at its first opening.
    m_attesaConsole = {
        connect(m_sessione, &SessioneScheda::datiScritti, this,
                [this](const QString &c, const QByteArray &d) { console()->aggiungi(false, c, d); }),
        connect(m_sessione, &SessioneScheda::datiRicevuti, this,
                [this](const QString &c, const QByteArray &d) { console()->aggiungi(true, c, d); }),
        connect(m_sessione, &SessioneScheda::eventoCollegamento, this,
                [this](const QString &c, const QString &t) { console()->aggiungiEvento(c, t); }),
    };
}

FinestraConsole *TfrmMain::console()
{
    if (!m_finestraConsole) {
        // From here on the Console hears the session itself.
        for (const QMetaObject::Connection &attesa : std::as_const(m_attesaConsole)) {
            disconnect(attesa);
        }
        m_attesaConsole.clear();
        m_finestraConsole = new FinestraConsole(*m_sessione, m_messaggi, this);
    }
    return m_finestraConsole;
}

QAction *TfrmMain::aggiungiVoce(QMenu *menu, const QString &nome, const QString &testo,
                                bool spuntabile)
{
    QAction *voce = menu->addAction(testo);
    voce->setObjectName(nome);
    voce->setCheckable(spuntabile);
    return voce;
}

void TfrmMain::creaMenu()
{
    QMenuBar *barra = menuBar();
    barra->setObjectName(QStringLiteral("MainMenu1"));

    QMenu *mFile = barra->addMenu(QStringLiteral("&File"));
    mFile->setObjectName(QStringLiteral("mFile"));
    QAction *mFileExit = aggiungiVoce(mFile, QStringLiteral("mFileExit"), QStringLiteral("Exit"));
    mFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(mFileExit, &QAction::triggered, this,
            protetto(m_messaggi, [this] { mFileExitClick(); }));

    QMenu *mCollegamento = barra->addMenu(QStringLiteral("&Collegamento"));
    mCollegamento->setObjectName(QStringLiteral("mCollegamento"));
    m_mCollTcp =
        aggiungiVoce(mCollegamento, QStringLiteral("mCollTcp"), QStringLiteral("TCP/IP"), true);
    m_mCollSeriale = aggiungiVoce(mCollegamento, QStringLiteral("mCollSeriale"),
                                  QStringLiteral("Seriale"), true);
    connect(m_mCollTcp, &QAction::triggered, this,
            protetto(m_messaggi, [this] { mCollTcpClick(); }));
    connect(m_mCollSeriale, &QAction::triggered, this,
            protetto(m_messaggi, [this] { mCollSerialeClick(); }));
    m_mCollMqtt =
        aggiungiVoce(mCollegamento, QStringLiteral("mCollMqtt"), QStringLiteral("MQTT"), true);
    connect(m_mCollMqtt, &QAction::triggered, this,
            protetto(m_messaggi, [this] { mCollMqttClick(); }));

    // The four board pages from anywhere, as the home entries open them.
    QMenu *pagine = barra->addMenu(QStringLiteral("&Pagine"));
    pagine->setObjectName(QStringLiteral("mPagine"));
    const struct
    {
        const char *nome;
        const char *testo;
        PaginaHome::Voce voce;
        Qt::Key tasto;
    } vociPagine[] = {
        {"mPagUD", "&1 Uscite Digitali", PaginaHome::UD, Qt::Key_1},
        {"mPagID", "&2 Ingressi Digitali", PaginaHome::ID, Qt::Key_2},
        {"mPagUA", "&3 Uscite Analogiche", PaginaHome::UA, Qt::Key_3},
        {"mPagIA", "&4 Ingressi Analogici", PaginaHome::IA, Qt::Key_4},
    };
    for (const auto &definizione : vociPagine) {
        QAction *voce = aggiungiVoce(pagine, QLatin1String(definizione.nome),
                                     QString::fromUtf8(definizione.testo));
        voce->setShortcut(QKeySequence(Qt::CTRL | definizione.tasto));
        const PaginaHome::Voce scelta = definizione.voce;
        connect(voce, &QAction::triggered, this,
                protetto(m_messaggi, [this, scelta] { m_navigazione->apriVoce(scelta); }));
    }

    QAction *settaggi = barra->addAction(QStringLiteral("&Settaggi"));
    settaggi->setObjectName(QStringLiteral("Settaggi1"));
    connect(settaggi, &QAction::triggered, this,
            protetto(m_messaggi, [this] { m_navigazione->Settaggi1Click(); }));

    QMenu *log = barra->addMenu(QStringLiteral("&Log"));
    log->setObjectName(QStringLiteral("Configurazioni1"));
    m_mVisioneLog =
        aggiungiVoce(log, QStringLiteral("mVisioneLog"), QStringLiteral("Visione Log"), true);
    // Qt has already flipped the check mark when `triggered` arrives; the handler flips it
    // itself, so undo Qt's flip first.
    connect(m_mVisioneLog, &QAction::triggered, this, protetto(m_messaggi, [this] {
                m_mVisioneLog->setChecked(!m_mVisioneLog->isChecked());
                mVisioneLogClick();
            }));
    QAction *console = aggiungiVoce(log, QStringLiteral("mConsole"), QStringLiteral("Console"));
    connect(console, &QAction::triggered, this, protetto(m_messaggi, [this] { mConsoleClick(); }));
    log->addSeparator();
    QAction *andamento = aggiungiVoce(log, QStringLiteral("mAndamento"),
                                      QStringLiteral("Andamento Ingressi Analogici"));
    connect(andamento, &QAction::triggered, this,
            protetto(m_messaggi, [this] { mAndamentoClick(); }));
    QAction *registro = aggiungiVoce(log, QStringLiteral("mRegistroEventi"),
                                     QStringLiteral("Registro eventi"));
    connect(registro, &QAction::triggered, this,
            protetto(m_messaggi, [this] { mRegistroEventiClick(); }));
    m_mRegistraTraffico = aggiungiVoce(log, QStringLiteral("mRegistraTraffico"),
                                       QStringLiteral("Registra traffico"), true);
    connect(m_mRegistraTraffico, &QAction::triggered, this,
            protetto(m_messaggi, [this] { mRegistraTrafficoClick(); }));
}

void TfrmMain::creaScorciatoie()
{
    const auto scorciatoia = [this](const QString &nome, const QKeySequence &tasti,
                                    void (NavigazionePagine::*azione)()) {
        auto *voce = new QAction(this);
        voce->setObjectName(nome);
        voce->setShortcut(tasti);
        voce->setShortcutContext(Qt::WindowShortcut);
        addAction(voce);
        connect(voce, &QAction::triggered, this,
                protetto(m_messaggi, [this, azione] { (m_navigazione->*azione)(); }));
    };
    scorciatoia(QStringLiteral("aRichiesta"), QKeySequence(Qt::Key_F5),
                &NavigazionePagine::richiestaPaginaAperta);
    scorciatoia(QStringLiteral("aSalvaConfigurazione"), QKeySequence(Qt::CTRL | Qt::Key_S),
                &NavigazionePagine::salvaConfigurazione);
}

void TfrmMain::centraSulloSchermo()
{
    if (const QScreen *schermo = screen()) {
        QRect finestra(QPoint(0, 0), size());
        finestra.moveCenter(schermo->availableGeometry().center());
        move(finestra.topLeft());
    }
}

QRect TfrmMain::posizioneFinestra(const QSize &dimensione, const QRect &principale,
                                  const QRect &schermo)
{
    QRect posto(QPoint(0, 0), dimensione);
    posto.moveCenter(principale.center());
    // Inside the screen, the top-left corner first: a window larger than the screen keeps its
    // title bar and close button reachable.
    posto.moveRight(std::min(posto.right(), schermo.right()));
    posto.moveBottom(std::min(posto.bottom(), schermo.bottom()));
    posto.moveLeft(std::max(posto.left(), schermo.left()));
    posto.moveTop(std::max(posto.top(), schermo.top()));
    return posto;
}

void TfrmMain::accantoAllaFinestra(QWidget *finestra) const
{
    const QScreen *schermo = screen();
    const QRect area = schermo ? schermo->availableGeometry() : frameGeometry();
    finestra->move(posizioneFinestra(finestra->size(), frameGeometry(), area).topLeft());
}

void TfrmMain::FormCreate()
{
    m_sessione->setContinuo(false);

    m_totaleLarghezzaStato = 0;
    for (int i = 1; i < m_barraStato->numeroPannelli(); ++i) {
        m_totaleLarghezzaStato += m_barraStato->larghezzaPannello(i);
    }

    usaCartellaImpostazioni(m_valori, m_cartellaIniziale);

    const TipoCollegamento salvato = collegamento().tipoSalvato();
    if (salvato != TipoCollegamento::Nessuno) {
        collegamento().setTipoScelto(salvato);
        mostraTipoScelto();
    }
    if (salvato == TipoCollegamento::Tcp) {
        m_barraTcp->impostaIndirizzo(collegamento().tcp().ipSalvato(),
                                     collegamento().tcp().portaSalvata());
    }
    if (salvato == TipoCollegamento::Mqtt) {
        m_barraMqtt->carica();
    }

    m_navigazione->mostraPagina(ValoriProgramma::Home);
    m_navigazione->azzeraTempoRele();
}

void TfrmMain::mostraTipoScelto()
{
    m_mCollTcp->setChecked(collegamento().tipoScelto() == TipoCollegamento::Tcp);
    m_mCollSeriale->setChecked(collegamento().tipoScelto() == TipoCollegamento::Seriale);
    m_mCollMqtt->setChecked(collegamento().tipoScelto() == TipoCollegamento::Mqtt);
}

void TfrmMain::mCollSerialeClick()
{
    collegamento().setTipoScelto(TipoCollegamento::Seriale);
    mostraTipoScelto();
    m_barraTcp->hide();
    m_barraMqtt->hide();
    m_barraSeriale->show();
    m_barraSeriale->carica();
}

void TfrmMain::mCollMqttClick()
{
    collegamento().setTipoScelto(TipoCollegamento::Mqtt);
    mostraTipoScelto();
    m_barraTcp->hide();
    m_barraSeriale->hide();
    m_barraMqtt->show();
    m_barraMqtt->carica();
}

void TfrmMain::mCollTcpClick()
{
    collegamento().setTipoScelto(TipoCollegamento::Tcp);
    mostraTipoScelto();
    m_barraTcp->show();
    m_barraTcp->carica();
    m_barraSeriale->hide();
    m_barraMqtt->hide();
}

void TfrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TfrmMain::FormResize()
{
    impostaAltezzaLog(kAltezzaLog);
    m_barraStato->impostaLarghezzaPannello(0, m_barraStato->width() - m_totaleLarghezzaStato);
}

void TfrmMain::impostaAltezzaLog(int altezza)
{
    const int totale = m_split->height();
    if (totale > altezza) {
        m_split->setSizes({totale - altezza - m_split->handleWidth(), altezza});
    }
    m_pannelloLog->resize(m_pannelloLog->width(), altezza);
}

QString TfrmMain::testoOrologio(const QDateTime &momento, const QLocale &locale)
{
    return locale.toString(momento, QStringLiteral(" ddd dd/MMM/yyyy HH:mm:ss"));
}

void TfrmMain::timTimerOraTimer()
{
    m_barraStato->impostaTesto(2, testoOrologio(QDateTime::currentDateTime(), m_localeOrologio));
}

void TfrmMain::mVisioneLogClick()
{
    m_mVisioneLog->setChecked(!m_mVisioneLog->isChecked());
    m_pannelloLog->mostra(m_mVisioneLog->isChecked());
    impostaAltezzaLog(kAltezzaLog);
}

void TfrmMain::aggiungiLog(const QString &testo)
{
    m_pannelloLog->aggiungiLog(testo);
}

int TfrmMain::paginaAttiva() const
{
    return m_navigazione ? m_navigazione->currentIndex() : ValoriProgramma::Home;
}

bool TfrmMain::eventFilter(QObject *oggetto, QEvent *evento)
{
    // The operator acting again inside the window ends the last notice.
    const QEvent::Type tipo = evento->type();
    if ((tipo == QEvent::MouseButtonPress || tipo == QEvent::KeyPress) && oggetto->isWidgetType() &&
        static_cast<QWidget *>(oggetto)->window() == this) {
        m_barraStato->impostaTesto(1, QString());
    }
    return QMainWindow::eventFilter(oggetto, evento);
}

void TfrmMain::CaricaConfIni()
{
    m_navigazione->CaricaConfIni();
}

void TfrmMain::creaStorico()
{
    m_archivio = new Storico(m_valori.cartellaProgramma + Storico::NomeFile,
                             Storico::opzioniDa(m_valori.fileImpostazioni), this);
    m_registrazione =
        new RegistrazioneScheda(*m_sessione, *m_archivio, m_valori.configurazione,
                                m_valori.fileImpostazioni, EventoStorico::Origine::Pannello, this);
    // The trend's kept readings: every one the board sends, whatever page is on screen.
    connect(m_registrazione, &RegistrazioneScheda::letturaAnalogica, m_storico,
            [this](int ingresso, qint64 valore, qint64 ms) {
                m_storico->aggiungiLetturaMs(ingresso, valore, ms);
            });
    // An alarm: marked on its page, told in the status bar and on the desktop.
    new SegniAllarme(*m_navigazione, *m_registrazione, this);
    auto *notifiche = new NotificheDesktop(this);
    connect(m_registrazione, &RegistrazioneScheda::allarme, this,
            [this, notifiche](const PuntoStorico &, bool attivo, const QString &testo) {
                m_barraStato->impostaTesto(1, testo);
                notifiche->notifica(attivo ? QStringLiteral("Allarme")
                                           : QStringLiteral("Allarme rientrato"),
                                    testo, attivo);
            });
    // A pause, a damaged file set aside: a box, once, after the notification has returned;
    // recording back after a pause: the status bar.
    connect(m_archivio, &Storico::statoCambiato, this,
            [this, prima = ScrittoreStorico::Stato::Chiuso](ScrittoreStorico::Stato stato,
                                                            const QString &testo) mutable {
                const bool ripresa = stato == ScrittoreStorico::Stato::Attivo &&
                                     prima != ScrittoreStorico::Stato::Attivo &&
                                     prima != ScrittoreStorico::Stato::Chiuso;
                prima = stato;
                if (testo.isEmpty()) {
                    return;
                }
                aggiungiLog(testo);
                if (ripresa) {
                    m_barraStato->impostaTesto(1, testo);
                } else {
                    QTimer::singleShot(0, this, [this, testo] { m_messaggi.avviso(testo); });
                }
            });
}

void TfrmMain::creaRegistroTraffico()
{
    // Recording may fail while it runs (a full disk), inside a link notification: the item
    // goes off at once, the warning waits until the notification has returned.
    connect(&registroTraffico(), &RegistroTraffico::interrotto, this,
            [this](const QString &motivo) {
                m_mRegistraTraffico->setChecked(false);
                QTimer::singleShot(0, this, [this, motivo] { m_messaggi.avviso(motivo); });
            });
    const QString scelta =
        LeggiIni(m_valori.filePorte, LayoutIni::kSezTraffico, LayoutIni::kChiaveRegistraTraffico);
    m_mRegistraTraffico->setChecked(scelta == QLatin1String("1"));
    if (!applicaRegistroTraffico()) {
        // No box before the window is on screen.
        const QString motivo = registroTraffico().errore();
        QTimer::singleShot(0, this, [this, motivo] { m_messaggi.avviso(motivo); });
    }
}

bool TfrmMain::applicaRegistroTraffico()
{
    if (!m_mRegistraTraffico->isChecked()) {
        registroTraffico().ferma();
        return true;
    }
    if (!registroTraffico().avvia(m_valori.cartellaProgramma)) {
        m_mRegistraTraffico->setChecked(false);
        return false;
    }
    return true;
}

void TfrmMain::mRegistraTrafficoClick()
{
    // Qt has already flipped the check mark.
    if (!applicaRegistroTraffico()) {
        m_messaggi.avviso(registroTraffico().errore());
        return;
    }
    SalvataggioIni salvataggio(m_valori.filePorte);
    salvataggio.scrivi(LayoutIni::kSezTraffico, LayoutIni::kChiaveRegistraTraffico,
                       m_mRegistraTraffico->isChecked() ? QStringLiteral("1")
                                                        : QStringLiteral("0"));
    if (!salvataggio.concludi()) {
        m_messaggi.avviso(salvataggio.errore());
    }
}

void TfrmMain::mAndamentoClick()
{
    if (!m_finestraAndamento) {
        m_finestraAndamento = new FinestraAndamento(*m_storico, m_messaggi, this);
        m_finestraAndamento->setArchivio(m_archivio);
    }
    if (!m_finestraAndamento->isVisible()) {
        accantoAllaFinestra(m_finestraAndamento);
    }
    m_finestraAndamento->show();
    m_finestraAndamento->raise();
    m_finestraAndamento->activateWindow();
}

void TfrmMain::mRegistroEventiClick()
{
    if (!m_finestraRegistro) {
        m_finestraRegistro = new FinestraRegistroEventi(*m_archivio, m_messaggi, this);
    }
    m_finestraRegistro->show();
    m_finestraRegistro->raise();
    m_finestraRegistro->activateWindow();
}

void TfrmMain::mConsoleClick()
{
    FinestraConsole *finestra = console();
    if (!finestra->isVisible()) {
        accantoAllaFinestra(finestra);
    }
    m_finestraConsole->show();
    m_finestraConsole->raise();
    m_finestraConsole->activateWindow();
}

void TfrmMain::mFileExitClick()
{
    close();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (!m_sessione->isChiusa() && !m_navigazione->lasciaConfigurazione()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TfrmMain::FormClose()
{
    // Every send under way or queued ends here.
    m_sessione->chiudi();
}
