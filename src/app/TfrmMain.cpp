#include "app/TfrmMain.h"

#include "app/BarraStato.h"
#include "core/Gestore.h"
#include "core/Messaggi.h"
#include "config/CaricaConfIni.h"
#include "config/PaginaConfigurazione.h"
#include "link/CampoDispositivo.h"
#include "link/Collegamento.h"
#include "link/Framer.h"
#include "link/Invio.h"
#include "link/RegistroTraffico.h"
#include "pages/ContestoPagine.h"
#include "pages/FinestraAndamento.h"
#include "pages/ModoContinuo.h"
#include "pages/PannelloPunto.h"
#include "pages/SorveglianzaPagine.h"
#include "protocol/FramerPagine.h"
#include "protocol/Protocollo.h"
#include "protocol/Ricezione.h"
#include "pages/GruppoRadio.h"
#include "pages/PaginaHome.h"
#include "pages/PaginaIngressiAnalogici.h"
#include "pages/PaginaIngressiDigitali.h"
#include "pages/PaginaPerifIngressiDigitali.h"
#include "pages/PaginaPerifUsciteAnalogiche.h"
#include "pages/PaginaPerifUsciteDigitali.h"
#include "pages/PaginaUsciteAnalogiche.h"
#include "pages/PaginaUsciteDigitali.h"
#include "pages/StoricoAnalogici.h"
#include "settings/CartellaImpostazioni.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QStackedWidget>
#include <QStyle>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kAltezzaLog = 67;
constexpr int kRigheMassimeLog = 300;
// A read without a prompt logs the whole receive buffer, up to 64 KiB; laying out such a line
// costs far more than the read. Only its end is shown.
constexpr qsizetype kMassimoRigaLog = 2000;
// How long the lines of a shown log wait to be appended together.
constexpr int kIntervalloLog = 250;

// Block separators the memo makes of a text it appends ("\r\n" is one).
int separatoriLog(const QString &testo)
{
    int separatori = 0;
    for (qsizetype i = 0; i < testo.size(); ++i) {
        const char16_t c = testo.at(i).unicode();
        if (c == u'\r' && i + 1 < testo.size() && testo.at(i + 1) == QLatin1Char('\n')) {
            continue;
        }
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == 0xFDD0 ||
            c == 0xFDD1) {
            ++separatori;
        }
    }
    return separatori;
}

} // namespace

TfrmMain::TfrmMain(Messaggi *messaggi, const QString &cartellaProgramma, QWidget *parent)
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

    creaMenu();
    creaBarraTcp();
    creaBarraSeriale();
    colonna->addWidget(m_pnTcp);
    colonna->addWidget(m_pnSeriale);

    m_barraStato = new BarraStato(this);
    setStatusBar(m_barraStato);
    creaCollegamento();

    m_split = new QSplitter(Qt::Vertical, centrale);
    m_split->setObjectName(QStringLiteral("split"));
    m_split->setHandleWidth(3);
    m_split->setChildrenCollapsible(false);
    colonna->addWidget(m_split, 1);
    creaPagine();
    creaLog();
    if (m_cartellaIniziale.isEmpty()) {
        const CartellaImpostazioni scelta = scegliCartellaImpostazioni(
            QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
        m_cartellaIniziale = scelta.cartella;
        aggiungiLog(scelta.descrizione);
        qInfo().noquote() << scelta.descrizione;
    }

    m_timTimerOra = new QTimer(this);
    m_timTimerOra->setObjectName(QStringLiteral("timTimerOra"));
    m_timTimerOra->setInterval(1000);
    connect(m_timTimerOra, &QTimer::timeout, this,
            protetto(m_messaggi, [this] { timTimerOraTimer(); }));
    m_timTimerOra->start();

    m_sorveglianza = new SorveglianzaPagine(
        *m_collegamento, *m_invio, *m_ricezione, *m_barraStato,
        [this] { return paginaSchedaAperta(); }, [this] { return pagineScheda(); }, this);
    creaScorciatoie();
    // Notices in status panel 1 stay until the operator acts again.
    qApp->installEventFilter(this);

    resize(751, 585);
    centraSulloSchermo();
    FormCreate();
    timTimerOraTimer();
    creaRegistroTraffico();
}

TfrmMain::~TfrmMain()
{
    // The application outlives the window; its focus notices must not reach a half-destroyed one.
    disconnect(m_connessioneFuoco);
    qApp->removeEventFilter(this);
    // The trend window draws from the kept readings, which go before it otherwise.
    delete m_finestraAndamento;
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
            protetto(m_messaggi, [this] { m_collegamento->mCollTcpClick(); }));
    connect(m_mCollSeriale, &QAction::triggered, this,
            protetto(m_messaggi, [this] { m_collegamento->mCollSerialeClick(); }));

    QAction *settaggi = barra->addAction(QStringLiteral("&Settaggi"));
    settaggi->setObjectName(QStringLiteral("Settaggi1"));
    connect(settaggi, &QAction::triggered, this,
            protetto(m_messaggi, [this] { Settaggi1Click(); }));

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
    log->addSeparator();
    m_mAndamento = aggiungiVoce(log, QStringLiteral("mAndamento"),
                                QStringLiteral("Andamento Ingressi Analogici"));
    connect(m_mAndamento, &QAction::triggered, this,
            protetto(m_messaggi, [this] { mAndamentoClick(); }));
    m_mRegistraTraffico = aggiungiVoce(log, QStringLiteral("mRegistraTraffico"),
                                       QStringLiteral("Registra traffico"), true);
    connect(m_mRegistraTraffico, &QAction::triggered, this,
            protetto(m_messaggi, [this] { mRegistraTrafficoClick(); }));
}

void TfrmMain::creaBarraTcp()
{
    m_pnTcp = new QFrame(centralWidget());
    m_pnTcp->setObjectName(QStringLiteral("pnTcp"));
    m_pnTcp->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_pnTcp->setFixedHeight(33);
    auto *riga = new QHBoxLayout(m_pnTcp);
    riga->setContentsMargins(8, 2, 8, 2);
    riga->addWidget(new QLabel(QStringLiteral("IP:"), m_pnTcp));
    m_eIp = new QLineEdit(m_pnTcp);
    m_eIp->setObjectName(QStringLiteral("eIp"));
    m_eIp->setFixedWidth(140);
    riga->addWidget(m_eIp);
    riga->addSpacing(12);
    riga->addWidget(new QLabel(QStringLiteral("Porta:"), m_pnTcp));
    m_ePorta = new QLineEdit(m_pnTcp);
    m_ePorta->setObjectName(QStringLiteral("ePorta"));
    m_ePorta->setFixedWidth(70);
    riga->addWidget(m_ePorta);
    riga->addWidget(creaPulsanteSalva(m_pnTcp, QStringLiteral("SpeedButton4"),
                                      &Collegamento::SpeedButton4Click));
    riga->addStretch(1);
    m_pnTcp->hide();
}

QToolButton *TfrmMain::creaPulsanteSalva(QWidget *barra, const QString &nome,
                                         void (Collegamento::*gestore)())
{
    auto *pulsante = new QToolButton(barra);
    pulsante->setObjectName(nome);
    pulsante->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    pulsante->setToolTip(QStringLiteral("Salva"));
    connect(pulsante, &QToolButton::clicked, this,
            protetto(m_messaggi, [this, gestore] { (m_collegamento->*gestore)(); }));
    return pulsante;
}

void TfrmMain::creaBarraSeriale()
{
    m_pnSeriale = new QFrame(centralWidget());
    m_pnSeriale->setObjectName(QStringLiteral("pnSeriale"));
    m_pnSeriale->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_pnSeriale->setFixedHeight(36);
    auto *riga = new QHBoxLayout(m_pnSeriale);
    riga->setContentsMargins(8, 0, 8, 0);
    m_rgComm = new GruppoRadio(QStringLiteral("rgComm"), QStringLiteral("  Comm   "),
                               {QStringLiteral("Comm 1"), QStringLiteral("Comm 2"),
                                QStringLiteral("Comm 3"), QStringLiteral("Comm 4")},
                               4, m_pnSeriale);
    m_rgComm->setItemIndex(0);
    // The bar is 36 pixels high: a caption above the buttons would cut them in half, so the
    // caption sits at their left, on the same line.
    const int larghezzaTitolo = m_rgComm->fontMetrics().horizontalAdvance(m_rgComm->title()) + 8;
    m_rgComm->setStyleSheet(QStringLiteral("QGroupBox#rgComm { border: none; margin: 0px; "
                                           "padding: 0px 0px 0px %1px; }"
                                           "QGroupBox#rgComm::title { subcontrol-origin: border; "
                                           "subcontrol-position: left center; }")
                                .arg(larghezzaTitolo));
    m_rgComm->layout()->setContentsMargins(0, 0, 6, 0);
    riga->addWidget(m_rgComm);
    // The operator never sees the speed; the group only carries the saved value.
    m_rgVelocita = new GruppoRadio(QStringLiteral("rgVelocita"), QStringLiteral("  Velocità   "),
                                   {QStringLiteral("4800"), QStringLiteral("9600"),
                                    QStringLiteral("19200"), QStringLiteral("38400")},
                                   4, m_pnSeriale);
    m_rgVelocita->setItemIndex(3);
    m_rgVelocita->hide();
    riga->addWidget(m_rgVelocita);
    riga->addSpacing(12);
    riga->addWidget(new QLabel(QStringLiteral("Dispositivo:"), m_pnSeriale));
    m_cbDispositivo = new CampoDispositivo(m_pnSeriale);
    riga->addWidget(m_cbDispositivo, 1);
    riga->addWidget(creaPulsanteSalva(m_pnSeriale, QStringLiteral("sbSalvaPorte"),
                                      &Collegamento::sbSalvaPorteClick));
    riga->addStretch(1);
    m_pnSeriale->hide();
}

void TfrmMain::creaPagine()
{
    m_pcPagine = new QStackedWidget(m_split);
    m_pcPagine->setObjectName(QStringLiteral("pcPagine"));
    m_split->addWidget(m_pcPagine);
    m_split->setStretchFactor(0, 1);

    m_paginaHome = new PaginaHome(m_pcPagine);
    m_paginaUD = new PaginaUsciteDigitali(*m_contesto, m_pcPagine);
    m_paginaID = new PaginaIngressiDigitali(*m_contesto, m_pcPagine);
    m_paginaUA = new PaginaUsciteAnalogiche(*m_contesto, m_pcPagine);
    m_paginaIA = new PaginaIngressiAnalogici(*m_contesto, m_pcPagine);
    m_paginaUDP = new PaginaPerifUsciteDigitali(*m_contesto, m_pcPagine);
    m_paginaIDP = new PaginaPerifIngressiDigitali(*m_contesto, m_pcPagine);
    m_paginaUAP = new PaginaPerifUsciteAnalogiche(*m_contesto, m_pcPagine);
    m_paginaConfigurazione = new PaginaConfigurazione(m_valori, m_messaggi, m_pcPagine);
    for (QWidget *pagina :
         {static_cast<QWidget *>(m_paginaHome), static_cast<QWidget *>(m_paginaUD),
          static_cast<QWidget *>(m_paginaID), static_cast<QWidget *>(m_paginaUA),
          static_cast<QWidget *>(m_paginaIA), static_cast<QWidget *>(m_paginaUDP),
          static_cast<QWidget *>(m_paginaIDP), static_cast<QWidget *>(m_paginaUAP),
          static_cast<QWidget *>(m_paginaConfigurazione)}) {
        m_pcPagine->addWidget(pagina);
    }

    connect(m_paginaHome, &PaginaHome::immagineCliccata, this,
            protetto(m_messaggi, [this] { FormCreate(); }));
    connect(m_paginaHome, &PaginaHome::voceScelta, this,
            protetto(m_messaggi, [this](PaginaHome::Voce voce) {
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
            }));
    connect(m_paginaConfigurazione, &PaginaConfigurazione::paginaIniziale, this,
            protetto(m_messaggi, [this] { SpeedButton13Click(); }));
    connect(m_paginaConfigurazione, &PaginaConfigurazione::inviaTempoAllarme, this,
            protetto(m_messaggi, [this] { SpeedButton22Click(); }));
    for (QPushButton *home : {m_paginaUD->pulsanteHome(), m_paginaID->pulsanteHome(),
                              m_paginaUA->pulsanteHome(), m_paginaIA->pulsanteHome()}) {
        connect(home, &QPushButton::clicked, this,
                protetto(m_messaggi, [this] { sbHome1Click(); }));
    }
    connect(m_paginaUDP->pulsanteRitorno(), &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbUDClick(); }));
    connect(m_paginaIDP->pulsanteRitorno(), &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbIDClick(); }));
    connect(m_paginaUAP->pulsanteRitorno(), &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbUAClick(); }));
    connect(m_paginaIA->pulsantePeriferiche(), &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbPIAClick(); }));

    // The trend keeps every value the analog inputs page shows.
    connect(m_paginaIA, &PaginaIngressiAnalogici::letturaMostrata, m_storico,
            &StoricoAnalogici::aggiungiLetturaOra);

    connect(m_paginaUD->pulsantePeriferiche(), &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { m_paginaUDP->sbPUDClick(); }));
    connect(m_paginaID->pulsantePeriferiche(), &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { m_paginaIDP->sbPIDClick(); }));
    connect(m_paginaUA->pulsantePeriferiche(), &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { m_paginaUAP->sbPUAClick(); }));

    m_connessioneFuoco =
        connect(qApp, &QApplication::focusChanged, this,
                protetto(m_messaggi, [this](QWidget *, QWidget *nuovo) { fuocoCambiato(nuovo); }));
}

void TfrmMain::fuocoCambiato(QWidget *nuovo)
{
    // Only entering the page counts: focus coming back from the log or the link bars within
    // the same visit must not change the unit under the operator's next click.
    if (!nuovo || m_paginaDaEntrare < 0) {
        return;
    }
    QWidget *pagina = m_pcPagine->widget(m_paginaDaEntrare);
    if (!pagina || !pagina->isAncestorOf(nuovo)) {
        return;
    }
    const int indice = m_paginaDaEntrare;
    m_paginaDaEntrare = -1;
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

void TfrmMain::creaLog()
{
    m_pnLog = new QFrame(m_split);
    m_pnLog->setObjectName(QStringLiteral("pnLog"));
    auto *riempimento = new QVBoxLayout(m_pnLog);
    riempimento->setContentsMargins(0, 0, 0, 0);
    m_mmLog = new QPlainTextEdit(m_pnLog);
    m_mmLog->setObjectName(QStringLiteral("mmLog"));
    m_mmLog->setReadOnly(true);
    m_mmLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_mmLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    riempimento->addWidget(m_mmLog);
    m_split->addWidget(m_pnLog);
    m_split->setStretchFactor(1, 0);
    connect(m_mmLog, &QPlainTextEdit::textChanged, this,
            protetto(m_messaggi, [this] { mmLogChange(); }));
    m_timLog = new QTimer(this);
    m_timLog->setSingleShot(true);
    m_timLog->setInterval(kIntervalloLog);
    connect(m_timLog, &QTimer::timeout, this, protetto(m_messaggi, [this] {
                if (m_mVisioneLog->isChecked()) {
                    mostraLogInAttesa();
                }
            }));
    m_pnLog->hide();
}

void TfrmMain::centraSulloSchermo()
{
    if (const QScreen *schermo = screen()) {
        QRect finestra(QPoint(0, 0), size());
        finestra.moveCenter(schermo->availableGeometry().center());
        move(finestra.topLeft());
    }
}

void TfrmMain::FormCreate()
{
    m_valori.modoContinuo = QStringLiteral("0");
    m_valori.toggleUA = true;

    m_totaleLarghezzaStato = 0;
    for (int i = 1; i < m_barraStato->numeroPannelli(); ++i) {
        m_totaleLarghezzaStato += m_barraStato->larghezzaPannello(i);
    }

    QString cartella = QDir::fromNativeSeparators(m_cartellaIniziale);
    if (!cartella.endsWith(QLatin1Char('/'))) {
        cartella += QLatin1Char('/');
    }
    m_valori.cartellaProgramma = cartella;
    m_valori.fileImpostazioni = cartella + LayoutIni::kFileImpostazioni;
    m_valori.filePorte = cartella + LayoutIni::kFilePorte;

    const QString collegamento =
        LeggiIni(m_valori.filePorte, LayoutIni::kSezTipo, LayoutIni::kChiaveCollegamento);
    if (collegamento == QLatin1String("0")) {
        m_mCollTcp->setChecked(false);
        m_mCollSeriale->setChecked(true);
    } else if (collegamento == QLatin1String("1")) {
        m_mCollTcp->setChecked(true);
        m_mCollSeriale->setChecked(false);
        m_eIp->setText(LeggiIni(m_valori.filePorte, LayoutIni::kSezTcp, LayoutIni::kChiaveIp));
        m_ePorta->setText(
            LeggiIni(m_valori.filePorte, LayoutIni::kSezTcp, LayoutIni::kChiavePortaTcp));
    }

    mostraPagina(ValoriProgramma::Home);
    m_paginaConfigurazione->cbTime()->setCurrentIndex(0);
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
    m_pnLog->resize(m_pnLog->width(), altezza);
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
    if (m_mVisioneLog->isChecked()) {
        mostraLogInAttesa();
    }
    // The splitter shows and hides its handle together with the log panel.
    m_pnLog->setVisible(m_mVisioneLog->isChecked());
    impostaAltezzaLog(kAltezzaLog);
}

void TfrmMain::aggiungiLog(const QString &testo)
{
    const QString riga =
        testo.size() > kMassimoRigaLog ? QChar(0x2026) + testo.right(kMassimoRigaLog) : testo;
    // Lines wait, counted as the memo would count them, so the 300-line rule empties them at
    // the same line. A hidden memo is not touched at all; a shown one takes the waiting lines
    // together a moment later, so a stream of reads costs one layout per interval, not per read.
    QTextDocument *documento = m_mmLog->document();
    if (m_logInAttesa.isEmpty()) {
        m_righeLog = documento->blockCount();
        m_logVuoto = documento->isEmpty();
    }
    m_logInAttesa.append(riga);
    m_righeLog = (m_logVuoto ? 1 : m_righeLog + 1) + separatoriLog(riga);
    m_logVuoto = m_logVuoto && riga.isEmpty();
    if (m_righeLog >= kRigheMassimeLog) {
        m_logInAttesa.clear();
        m_mmLog->clear();
        return;
    }
    if (m_mVisioneLog->isChecked() && !m_timLog->isActive()) {
        m_timLog->start();
    }
}

void TfrmMain::mostraLogInAttesa()
{
    if (m_logInAttesa.isEmpty()) {
        return;
    }
    // One append of all the lines, made exactly as the appends one by one would have made them.
    const bool vuoto = m_mmLog->document()->isEmpty();
    QString testo;
    for (qsizetype i = 0; i < m_logInAttesa.size(); ++i) {
        if (i > 0 && !(vuoto && testo.isEmpty())) {
            testo += QLatin1Char('\n');
        }
        testo += m_logInAttesa.at(i);
    }
    m_logInAttesa.clear();
    m_mmLog->appendPlainText(testo);
}

void TfrmMain::mmLogChange()
{
    if (m_mmLog->document()->blockCount() >= kRigheMassimeLog) {
        m_mmLog->clear();
    }
}

void TfrmMain::creaCollegamento()
{
    ControlliCollegamento controlli;
    controlli.mCollTcp = m_mCollTcp;
    controlli.mCollSeriale = m_mCollSeriale;
    controlli.pnTcp = m_pnTcp;
    controlli.pnSeriale = m_pnSeriale;
    controlli.eIp = m_eIp;
    controlli.ePorta = m_ePorta;
    controlli.rgComm = m_rgComm;
    controlli.rgVelocita = m_rgVelocita;
    controlli.cbDispositivo = m_cbDispositivo;
    const auto paginaAttiva = [this] { return this->paginaAttiva(); };
    m_collegamento =
        new Collegamento(m_valori, m_messaggi, *m_barraStato, controlli, paginaAttiva, this);
    // The framers attach first, so they see received bytes before the reception handler.
    m_framer = new FramerPagine(m_collegamento->seriale(), m_messaggi, this);
    m_ricezione = new Ricezione(m_valori, m_messaggi, m_collegamento->seriale(),
                                m_collegamento->clientSocket(), this);
    connect(m_ricezione, &Ricezione::rigaLog, this, &TfrmMain::aggiungiLog);
    m_invio = new Invio(m_valori, m_collegamento->seriale(), m_collegamento->clientSocket(),
                        *m_barraStato, paginaAttiva, this);
    m_modoContinuo = new ModoContinuo(m_valori, m_messaggi, *m_invio, this);
    connect(m_ricezione, &Ricezione::modoContinuoRilevato, m_modoContinuo, &ModoContinuo::mostra);
    m_storico = new StoricoAnalogici(m_valori.configurazione, this);
    m_registro = new RegistroTraffico(this);
    connect(m_invio, &Invio::datiScritti, m_registro, &RegistroTraffico::scritti);
    connect(m_ricezione, &Ricezione::datiRicevuti, m_registro, &RegistroTraffico::ricevuti);
    m_contesto.reset(new ContestoPagine{m_valori, m_messaggi, *m_collegamento, *m_invio, *m_framer,
                                        *m_ricezione, *m_modoContinuo, [this] { CaricaConfIni(); },
                                        [this](int pagina) { mostraPagina(pagina); }});
}

int TfrmMain::paginaAttiva() const
{
    return m_pcPagine->currentIndex();
}

void TfrmMain::mostraPagina(int indice)
{
    // Set first: showing the page may already move the focus into it.
    const bool cambiata = indice != m_pcPagine->currentIndex();
    if (cambiata) {
        m_paginaDaEntrare = indice;
    }
    m_pcPagine->setCurrentIndex(indice);
    if (cambiata && m_sorveglianza) {
        m_sorveglianza->paginaCambiata();
    }
}

PaginaBase *TfrmMain::paginaSchedaAperta() const
{
    const int indice = m_pcPagine->currentIndex();
    if (indice < ValoriProgramma::UsciteDigitali ||
        indice > ValoriProgramma::PerifUsciteAnalogiche) {
        return nullptr;
    }
    return qobject_cast<PaginaBase *>(m_pcPagine->currentWidget());
}

QList<PaginaBase *> TfrmMain::pagineScheda() const
{
    QList<PaginaBase *> pagine;
    for (int i = ValoriProgramma::UsciteDigitali; i <= ValoriProgramma::PerifUsciteAnalogiche;
         ++i) {
        if (auto *pagina = qobject_cast<PaginaBase *>(m_pcPagine->widget(i))) {
            pagine << pagina;
        }
    }
    return pagine;
}

void TfrmMain::creaScorciatoie()
{
    auto *richiesta = new QAction(this);
    richiesta->setObjectName(QStringLiteral("aRichiesta"));
    richiesta->setShortcut(QKeySequence(Qt::Key_F5));
    richiesta->setShortcutContext(Qt::WindowShortcut);
    addAction(richiesta);
    connect(richiesta, &QAction::triggered, this,
            protetto(m_messaggi, [this] { richiestaPaginaAperta(); }));

    auto *salva = new QAction(this);
    salva->setObjectName(QStringLiteral("aSalvaConfigurazione"));
    salva->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    salva->setShortcutContext(Qt::WindowShortcut);
    addAction(salva);
    connect(salva, &QAction::triggered, this, [this] {
        if (m_pcPagine->currentIndex() != ValoriProgramma::Configurazione) {
            return;
        }
        auto *pulsante =
            m_paginaConfigurazione->findChild<QAbstractButton *>(QStringLiteral("sbSalvaConfIni"));
        if (pulsante && pulsante->isVisible() && pulsante->isEnabled()) {
            pulsante->click();
        }
    });
}

void TfrmMain::richiestaPaginaAperta()
{
    QWidget *pagina = m_pcPagine->currentWidget();
    if (!pagina) {
        return;
    }
    // Each page's request button is named after its points: sbUDRich, sbIDPRich, ...
    const auto pulsanti = pagina->findChildren<QAbstractButton *>();
    for (QAbstractButton *pulsante : pulsanti) {
        if (pulsante->objectName().endsWith(QLatin1String("Rich")) && pulsante->isVisible() &&
            pulsante->isEnabled()) {
            pulsante->click();
            return;
        }
    }
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
    ::CaricaConfIni(m_valori, *m_paginaConfigurazione, *this);
}

void TfrmMain::apriPaginaScheda(int indice)
{
    CaricaConfIni();
    m_collegamento->VerificaCollegamento();
    mostraPagina(indice);
    m_collegamento->avviaPerPagina();
}

void TfrmMain::sbHome1Click()
{
    m_framer->disattivaTutti();
    m_collegamento->VerificaCollegamento();
    mostraPagina(ValoriProgramma::Home);
}

void TfrmMain::SpeedButton13Click()
{
    m_framer->disattivaTutti();
    mostraPagina(ValoriProgramma::Home);
}

void TfrmMain::sbUDClick()
{
    m_framer->adpUDP()->setEnabled(false);
    m_framer->adpUD()->setEnabled(true);
    mostraPagina(ValoriProgramma::UsciteDigitali);
}

void TfrmMain::sbIDClick()
{
    m_framer->adpIDP()->setEnabled(false);
    m_framer->adpID()->setEnabled(true);
    mostraPagina(ValoriProgramma::IngressiDigitali);
}

void TfrmMain::sbUAClick()
{
    mostraPagina(ValoriProgramma::UsciteAnalogiche);
    m_framer->adpUAP()->setEnabled(false);
    m_framer->adpUA()->setEnabled(true);
}

void TfrmMain::TabSheet6Enter()
{
    m_paginaUDP->selezionaPrimaUnita();
}

void TfrmMain::TabSheet7Enter()
{
    m_paginaIDP->selezionaPrimaUnita();
}

void TfrmMain::TabSheet8Enter()
{
    m_paginaUAP->selezionaPrimaUnita();
}

void TfrmMain::sbIAClick()
{
    mostraPagina(ValoriProgramma::IngressiAnalogici);
}

void TfrmMain::Settaggi1Click()
{
    mostraPagina(ValoriProgramma::Configurazione);
    CaricaConfIni();
}

void TfrmMain::sbPIAClick()
{
    CaricaConfIni();
}

void TfrmMain::SpeedButton22Click()
{
    CaricaConfIni();
    m_collegamento->VerificaCollegamento();
    m_invio->invia(Protocollo::tempoRele(m_paginaConfigurazione->cbTime()->currentText()));
}

void TfrmMain::impostaNomeUscitaDigitale(int n, const QString &nome)
{
    m_paginaUD->pannello(n)->impostaNome(nome);
}

void TfrmMain::impostaNomeIngressoDigitale(int n, const QString &nome)
{
    m_paginaID->pannello(n)->impostaNome(nome);
}

void TfrmMain::impostaTitoloUscitaAnalogica(int n, const QString &testo)
{
    m_paginaUA->titolo(n)->impostaTesto(testo);
}

void TfrmMain::impostaTitoloIngressoAnalogico(int n, const QString &testo)
{
    m_paginaIA->titolo(n)->impostaTesto(testo);
}

void TfrmMain::impostaUnitaIngressoAnalogico(int n, const QString &unita)
{
    m_paginaIA->unita(n)->setText(unita);
}

void TfrmMain::creaRegistroTraffico()
{
    // Recording may fail while it runs (a full disk), inside a link notification: the item
    // goes off at once, the warning waits until the notification has returned.
    connect(m_registro, &RegistroTraffico::interrotto, this, [this](const QString &motivo) {
        m_mRegistraTraffico->setChecked(false);
        QTimer::singleShot(0, this, [this, motivo] { m_messaggi.avviso(motivo); });
    });
    const QString scelta =
        LeggiIni(m_valori.filePorte, LayoutIni::kSezTraffico, LayoutIni::kChiaveRegistraTraffico);
    m_mRegistraTraffico->setChecked(scelta == QLatin1String("1"));
    if (!applicaRegistroTraffico()) {
        // No box before the window is on screen.
        const QString motivo = m_registro->errore();
        QTimer::singleShot(0, this, [this, motivo] { m_messaggi.avviso(motivo); });
    }
}

bool TfrmMain::applicaRegistroTraffico()
{
    if (!m_mRegistraTraffico->isChecked()) {
        m_registro->ferma();
        return true;
    }
    if (!m_registro->avvia(m_valori.cartellaProgramma)) {
        m_mRegistraTraffico->setChecked(false);
        return false;
    }
    return true;
}

void TfrmMain::mRegistraTrafficoClick()
{
    // Qt has already flipped the check mark.
    if (!applicaRegistroTraffico()) {
        m_messaggi.avviso(m_registro->errore());
        return;
    }
    SalvataggioIni salvataggio(m_messaggi, m_valori.filePorte);
    salvataggio.scrivi(LayoutIni::kSezTraffico, LayoutIni::kChiaveRegistraTraffico,
                       m_mRegistraTraffico->isChecked() ? QStringLiteral("1")
                                                        : QStringLiteral("0"));
    salvataggio.concludi();
}

void TfrmMain::mAndamentoClick()
{
    if (!m_finestraAndamento) {
        m_finestraAndamento = new FinestraAndamento(*m_storico, m_messaggi, this);
    }
    m_finestraAndamento->show();
    m_finestraAndamento->raise();
    m_finestraAndamento->activateWindow();
}

void TfrmMain::mFileExitClick()
{
    close();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TfrmMain::FormClose()
{
    // Every wait still running ends and abandons its action.
    m_valori.inChiusura = true;
    if (m_valori.tipoCollegamento == QLatin1String("SER")) {
        m_framer->disattivaTutti();
    }
    m_collegamento->chiudi();
}
