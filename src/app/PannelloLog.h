#pragma once

#include <QFrame>
#include <QStringList>

class QPlainTextEdit;
class QTimer;

// The log panel under the pages ("Log" > "Visione Log"): the memo of received text, emptied at
// 300 lines. Lines wait while the panel is hidden, and for a quarter of a second while it is
// shown, so a stream of reads costs one layout per interval, not one per read.
class PannelloLog : public QFrame
{
    Q_OBJECT
public:
    explicit PannelloLog(QWidget *parent = nullptr);

    // Appends text as one new line, only its end when it is long.
    void aggiungiLog(const QString &testo);
    // Shows or hides the panel; showing it appends the waiting lines at once.
    void mostra(bool visibile);

    QPlainTextEdit *memo() const { return m_mmLog; }

private:
    void mmLogChange();
    void mostraLogInAttesa();

    QPlainTextEdit *m_mmLog = nullptr;
    QStringList m_logInAttesa;
    QTimer *m_timLog = nullptr;
    int m_righeLog = 1;
    bool m_logVuoto = true;
    bool m_visibile = false;
};
