#pragma once

#include "core/ValoriProgramma.h"
#include "link/Temporizzazioni.h"

#include <QList>
#include <QLocale>
#include <QMainWindow>

#include <memory>

class BarraSeriale;
class BarraStato;
class BarraMqtt;
class BarraTcp;
class Collegamento;
class FinestraAndamento;
class FinestraConsole;
class FinestraRegistroEventi;
class Invio;
class Messaggi;
class NavigazionePagine;
class PannelloLog;
class RegistroTraffico;
class SessioneScheda;
class RegistrazioneScheda;
class SorveglianzaPagine;
class Storico;
class StoricoAnalogici;
class QAction;
class QMenu;
class QSplitter;
class QTimer;

// The main window: the menus, the status bar and the clock, and the wiring between the link
// bars, the page control, the log panel and the objects that talk to the board.
class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    // `messaggi` replaces the message boxes (tests); `cartellaProgramma`, when given, is the
    // folder of both settings files; otherwise the program picks it and says so in the log.
    // `tempi`: the board's pacing and waits (tests that are not about them shorten them).
    explicit TfrmMain(Messaggi *messaggi = nullptr, const QString &cartellaProgramma = {},
                      QWidget *parent = nullptr, const Temporizzazioni &tempi = {});
    ~TfrmMain() override;

    ValoriProgramma &valori() { return m_valori; }
    BarraStato *barraStato() const { return m_barraStato; }
    SessioneScheda &sessione() const { return *m_sessione; }
    Collegamento &collegamento() const;
    Invio &invio() const;
    RegistroTraffico &registroTraffico() const;
    NavigazionePagine &navigazione() const { return *m_navigazione; }
    // The analog readings kept for the trend window; the analog inputs page feeds it.
    StoricoAnalogici &storicoAnalogici() const { return *m_storico; }
    // The history kept on disk ("Storico.sqlite" in the settings folder) and what feeds it.
    Storico &archivio() const { return *m_archivio; }
    RegistrazioneScheda &registrazione() const { return *m_registrazione; }
    // Null until the window is first opened.
    FinestraAndamento *finestraAndamento() const { return m_finestraAndamento; }
    FinestraConsole *finestraConsole() const { return m_finestraConsole; }
    FinestraRegistroEventi *finestraRegistroEventi() const { return m_finestraRegistro; }
    SorveglianzaPagine &sorveglianza() const { return *m_sorveglianza; }
    int paginaAttiva() const;
    // Locale used for the clock's day and month names (Italian unless set).
    void setLocaleOrologio(const QLocale &locale) { m_localeOrologio = locale; }

    // Where a window of `dimensione` opens over the main window's frame `principale`: centred
    // on it, moved inside the screen's available area `schermo` as far as it fits.
    static QRect posizioneFinestra(const QSize &dimensione, const QRect &principale,
                                   const QRect &schermo);

    // The clock text: the locale's short day and month names, 24-hour time.
    static QString testoOrologio(const QDateTime &momento, const QLocale &locale);

    void FormCreate();
    void FormResize();
    void timTimerOraTimer();
    void mVisioneLogClick();
    void mCollSerialeClick();
    void mCollTcpClick();
    void mCollMqttClick();
    void CaricaConfIni();
    void mFileExitClick();
    void mAndamentoClick();
    void mConsoleClick();
    void mRegistroEventiClick();
    void mRegistraTrafficoClick();

    // Appends text to the log memo as one new line (see PannelloLog).
    void aggiungiLog(const QString &testo);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *oggetto, QEvent *evento) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void creaMenu();
    QAction *aggiungiVoce(QMenu *menu, const QString &nome, const QString &testo,
                          bool spuntabile = false);
    void creaSessione(const Temporizzazioni &tempi);
    void creaScorciatoie();
    void creaRegistroTraffico();
    void creaStorico();
    // Recording on or off as the menu item says; false when the file cannot be opened.
    bool applicaRegistroTraffico();
    // The menu's check marks follow the chosen connection kind.
    void mostraTipoScelto();
    void impostaAltezzaLog(int altezza);
    void centraSulloSchermo();
    // Places a window of ours, about to open, centred on this one.
    void accantoAllaFinestra(QWidget *finestra) const;
    // The Console, made hidden when first needed.
    FinestraConsole *console();
    void FormClose();

    ValoriProgramma m_valori;
    std::unique_ptr<Messaggi> m_messaggiPropri;
    Messaggi &m_messaggi;
    QString m_cartellaIniziale;
    // Italian day and month names whatever the system's language.
    QLocale m_localeOrologio{QLocale::Italian, QLocale::Italy};
    int m_totaleLarghezzaStato = 0;

    QAction *m_mCollTcp = nullptr;
    QAction *m_mCollSeriale = nullptr;
    QAction *m_mCollMqtt = nullptr;
    QAction *m_mVisioneLog = nullptr;
    QAction *m_mRegistraTraffico = nullptr;

    BarraStato *m_barraStato = nullptr;
    SessioneScheda *m_sessione = nullptr;
    BarraTcp *m_barraTcp = nullptr;
    BarraSeriale *m_barraSeriale = nullptr;
    BarraMqtt *m_barraMqtt = nullptr;
    QSplitter *m_split = nullptr;
    NavigazionePagine *m_navigazione = nullptr;
    PannelloLog *m_pannelloLog = nullptr;
    QTimer *m_timTimerOra = nullptr;
    StoricoAnalogici *m_storico = nullptr;
    FinestraAndamento *m_finestraAndamento = nullptr;
    FinestraConsole *m_finestraConsole = nullptr;
    // What makes the Console at the session's first event; empty once it exists.
    QList<QMetaObject::Connection> m_attesaConsole;
    SorveglianzaPagine *m_sorveglianza = nullptr;
    Storico *m_archivio = nullptr;
    FinestraRegistroEventi *m_finestraRegistro = nullptr;
    RegistrazioneScheda *m_registrazione = nullptr;
};
