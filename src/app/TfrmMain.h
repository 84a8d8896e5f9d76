#pragma once

#include "core/ValoriProgramma.h"
#include "config/DestinatariConfigurazione.h"

#include <QLocale>
#include <QMainWindow>
#include <QStringList>

#include <memory>

class BarraStato;
class CampoDispositivo;
class Collegamento;
class FinestraAndamento;
class FramerPagine;
class Invio;
class PaginaConfigurazione;
class RegistroTraffico;
class Ricezione;
class StoricoAnalogici;
class SorveglianzaPagine;
class PaginaBase;
struct ContestoPagine;
class GruppoRadio;
class Messaggi;
class ModoContinuo;
class PaginaHome;
class PaginaIngressiAnalogici;
class PaginaIngressiDigitali;
class PaginaPerifIngressiDigitali;
class PaginaPerifUsciteAnalogiche;
class PaginaPerifUsciteDigitali;
class PaginaUsciteAnalogiche;
class PaginaUsciteDigitali;
class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStackedWidget;
class QTimer;
class QToolButton;

// The main window: composes the pages, the connection bars, the log and the status bar,
// and runs the shell's own handlers (start-up, navigation, clock, log view, closing).
class TfrmMain : public QMainWindow, private DestinatariConfigurazione
{
    Q_OBJECT
public:
    // `messaggi` replaces the message boxes (tests); `cartellaProgramma`, when given, is the
    // folder of both settings files; otherwise the program picks it and says so in the log.
    explicit TfrmMain(Messaggi *messaggi = nullptr, const QString &cartellaProgramma = {},
                      QWidget *parent = nullptr);
    ~TfrmMain() override;

    ValoriProgramma &valori() { return m_valori; }
    BarraStato *barraStato() const { return m_barraStato; }
    Collegamento &collegamento() const { return *m_collegamento; }
    Invio &invio() const { return *m_invio; }
    FramerPagine &framer() const { return *m_framer; }
    Ricezione &ricezione() const { return *m_ricezione; }
    PaginaUsciteDigitali *paginaUsciteDigitali() const { return m_paginaUD; }
    PaginaIngressiDigitali *paginaIngressiDigitali() const { return m_paginaID; }
    PaginaPerifUsciteDigitali *paginaPerifUsciteDigitali() const { return m_paginaUDP; }
    PaginaPerifIngressiDigitali *paginaPerifIngressiDigitali() const { return m_paginaIDP; }
    PaginaPerifUsciteAnalogiche *paginaPerifUsciteAnalogiche() const { return m_paginaUAP; }
    PaginaUsciteAnalogiche *paginaUsciteAnalogiche() const { return m_paginaUA; }
    PaginaIngressiAnalogici *paginaIngressiAnalogici() const { return m_paginaIA; }
    PaginaConfigurazione *paginaConfigurazione() const { return m_paginaConfigurazione; }
    // The analog readings kept for the trend window; the analog inputs page feeds it.
    StoricoAnalogici &storicoAnalogici() const { return *m_storico; }
    RegistroTraffico &registroTraffico() const { return *m_registro; }
    // Null until the window is first opened.
    FinestraAndamento *finestraAndamento() const { return m_finestraAndamento; }
    SorveglianzaPagine &sorveglianza() const { return *m_sorveglianza; }
    // The board or peripheral page on screen; null for home and configuration.
    PaginaBase *paginaSchedaAperta() const;
    int paginaAttiva() const;
    // Locale used for the clock's day and month names.
    void setLocaleOrologio(const QLocale &locale) { m_localeOrologio = locale; }

    // The clock text: the locale's short day and month names, 24-hour time.
    static QString testoOrologio(const QDateTime &momento, const QLocale &locale);

    void FormCreate();
    void FormResize();
    void timTimerOraTimer();
    void mVisioneLogClick();
    void mmLogChange();
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
    void CaricaConfIni();
    void mFileExitClick();
    void mAndamentoClick();
    void mRegistraTrafficoClick();

    // Appends text to the log memo as one new line, only its end when it is long. The lines
    // wait while the log view is hidden, and for a quarter of a second while it is shown.
    void aggiungiLog(const QString &testo);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *oggetto, QEvent *evento) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void creaMenu();
    QAction *aggiungiVoce(QMenu *menu, const QString &nome, const QString &testo,
                          bool spuntabile = false);
    void creaBarraTcp();
    void creaBarraSeriale();
    QToolButton *creaPulsanteSalva(QWidget *barra, const QString &nome,
                                   void (Collegamento::*gestore)());
    void creaPagine();
    void creaLog();
    void creaCollegamento();
    void creaRegistroTraffico();
    void creaScorciatoie();
    // F5: the "Richiesta" button of the page on screen.
    void richiestaPaginaAperta();
    QList<PaginaBase *> pagineScheda() const;
    // Recording on or off as the menu item says; false when the file cannot be opened.
    bool applicaRegistroTraffico();
    void FormClose();
    void mostraPagina(int indice);
    // The first time the input focus lands inside a page after it was shown, that page is
    // entered.
    void fuocoCambiato(QWidget *nuovo);
    // Opening a board page that has no request of its own yet: reload, link check, page, link.
    void apriPaginaScheda(int indice);

    void impostaNomeUscitaDigitale(int n, const QString &nome) override;
    void impostaNomeIngressoDigitale(int n, const QString &nome) override;
    void impostaTitoloUscitaAnalogica(int n, const QString &testo) override;
    void impostaTitoloIngressoAnalogico(int n, const QString &testo) override;
    void impostaUnitaIngressoAnalogico(int n, const QString &unita) override;
    void impostaAltezzaLog(int altezza);
    void mostraLogInAttesa();
    void centraSulloSchermo();

    ValoriProgramma m_valori;
    std::unique_ptr<Messaggi> m_messaggiPropri;
    Messaggi &m_messaggi;
    QString m_cartellaIniziale;
    QLocale m_localeOrologio;
    int m_totaleLarghezzaStato = 0;

    QAction *m_mCollTcp = nullptr;
    QAction *m_mCollSeriale = nullptr;
    QAction *m_mVisioneLog = nullptr;
    QAction *m_mAndamento = nullptr;
    QAction *m_mRegistraTraffico = nullptr;

    QFrame *m_pnTcp = nullptr;
    QLineEdit *m_eIp = nullptr;
    QLineEdit *m_ePorta = nullptr;
    QFrame *m_pnSeriale = nullptr;
    GruppoRadio *m_rgComm = nullptr;
    GruppoRadio *m_rgVelocita = nullptr;
    CampoDispositivo *m_cbDispositivo = nullptr;

    QSplitter *m_split = nullptr;
    QStackedWidget *m_pcPagine = nullptr;
    QFrame *m_pnLog = nullptr;
    QPlainTextEdit *m_mmLog = nullptr;
    QStringList m_logInAttesa;
    QTimer *m_timLog = nullptr;
    int m_righeLog = 1;
    bool m_logVuoto = true;
    BarraStato *m_barraStato = nullptr;
    QTimer *m_timTimerOra = nullptr;

    Collegamento *m_collegamento = nullptr;
    FramerPagine *m_framer = nullptr;
    Ricezione *m_ricezione = nullptr;
    Invio *m_invio = nullptr;
    ModoContinuo *m_modoContinuo = nullptr;
    std::unique_ptr<ContestoPagine> m_contesto;
    StoricoAnalogici *m_storico = nullptr;
    RegistroTraffico *m_registro = nullptr;
    FinestraAndamento *m_finestraAndamento = nullptr;
    SorveglianzaPagine *m_sorveglianza = nullptr;

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
    QMetaObject::Connection m_connessioneFuoco;
};
