#pragma once

#include "app/TfrmMain.h"
#include "core/Messaggi.h"

#include <QObject>
#include <QTemporaryDir>

#include <memory>

// The main window over a temporary settings folder, its messages recorded. Settings files
// written into the folder before crea() are what the window reads at start.
// Builds every page the window builds only when first opened, and the controls of both link
// bars, so a test can reach them without opening or showing them.
void costruisciPagine(TfrmMain &finestra);

class BancoFinestra
{
public:
    BancoFinestra();
    virtual ~BancoFinestra();

    TfrmMain &crea();
    // Builds the window when not yet built and shows it; false when it never got on screen.
    bool mostra();

    TfrmMain &finestra() const { return *m_finestra; }
    MessaggiRegistrati &messaggi() { return m_messaggi; }
    QString cartella() const { return m_cartella->path(); }
    QString file(const QString &nome) const { return m_cartella->filePath(nome); }
    QString filePorte() const { return file(QStringLiteral("Porte.INI")); }
    // "Porte.INI" in the folder with `contenuto`, replacing it.
    bool scriviPorte(const QString &contenuto) const;

    // Any control of any page: the pages not yet opened are built first.
    template <typename T = QWidget> T *controllo(const QString &nome) const
    {
        costruisciPagine(*m_finestra);
        return m_finestra->findChild<T *>(nome);
    }
    // Clicks the control called `nome`, which must be visible. The handler returns at once:
    // what it sends goes out afterwards, on the sender's timers.
    void clicca(const QString &nome) const;
    // Waits until every command given so far has gone out or been dropped; false when that
    // takes longer than `ms`.
    bool attendiInvii(int ms = 15000) const;
    // The pacing and waits the window is built with: the board's own unless a test not about
    // them shortens them (tempiBrevi()) before crea().
    void setTempi(const Temporizzazioni &tempi) { m_tempi = tempi; }
    // The text of status bar panel `n`.
    QString pannello(int n) const;
    int pagina() const { return m_finestra->paginaAttiva(); }

protected:
    // A new empty folder, no messages, no window.
    void ricomincia();
    void chiudi();

    std::unique_ptr<QTemporaryDir> m_cartella;
    MessaggiRegistrati m_messaggi;
    std::unique_ptr<TfrmMain> m_finestra;
    Temporizzazioni m_tempi;
};

// The same, fresh for each test function of a test class that derives from it; an init() or
// cleanup() of the class's own calls these first.
class ProvaFinestra : public QObject, protected BancoFinestra
{
    Q_OBJECT

protected slots:
    void init();
    void cleanup();
};
