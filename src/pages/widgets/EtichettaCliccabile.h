#pragma once

#include <QLabel>

class QShortcut;

// A plain-text label that reports clicks. It takes the keyboard focus too: Enter or Space
// click it, the arrows move to the previous or next control, and an optional Alt+letter
// mnemonic (marked under its letter) clicks it from anywhere in its window.
class EtichettaCliccabile : public QLabel
{
    Q_OBJECT
public:
    explicit EtichettaCliccabile(const QString &testo, QWidget *parent = nullptr);

    // Alt + the text's character at `posizione`; the text itself stays as it is.
    void impostaMnemonico(int posizione);
    // The mnemonic's key sequence; empty when none.
    QKeySequence mnemonico() const;

signals:
    void cliccata();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QShortcut *m_scorciatoia = nullptr;
    int m_posizioneMnemonico = -1;
};
