#pragma once

#include <QDialog>

class QHBoxLayout;

class GruppoRadio;
class QCheckBox;
class QPushButton;

// The alarm setting of one digital input, edited in a small modal dialog: "Al." ticked for an
// alarm, " Stato Al." for the level that raises it. The caller fills the alarm text before
// showing and reads it back after; only OK changes it.
class TfrmStato : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmStato(QWidget *parent = nullptr);

    QString testo() const { return m_testo; }
    void setTesto(const QString &testo) { m_testo = testo; }
    // The input the dialog edits, named in its caption.
    void impostaIngresso(int n, const QString &nome);
    // The caption for input `n` called `nome`: "Allarme ingresso 3: Pompa".
    static QString titoloIngresso(int n, const QString &nome);

    QCheckBox *cbAl() const { return m_cbAl; }
    GruppoRadio *rgStato() const { return m_rgStato; }

    // Sets the controls from the alarm text.
    void FormShow();
    // OK: the alarm text from the controls, then close.
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString m_testo;
    QCheckBox *m_cbAl = nullptr;
    GruppoRadio *m_rgStato = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_annulla = nullptr;
};

// The OK ("BitBtn1", the default button) and "Annulla" buttons of both alarm dialogs, side by
// side; "Annulla" rejects the dialog.
QHBoxLayout *creaPulsantiConferma(QDialog *dialogo, QPushButton *&ok, QPushButton *&annulla);
