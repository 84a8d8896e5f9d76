#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The alarm window of one analog input: "Al." ticked with a minimum and a maximum threshold,
// or no alarm. Edits the alarm text handed over in `campo` ("All.:10 - 40", "All.:Off").
class TfrmStatoAnalogici : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmStatoAnalogici(QWidget *parent = nullptr);

    QString campo() const { return m_campo; }
    void setCampo(const QString &campo) { m_campo = campo; }
    // The input the dialog edits: its number and name for the caption and the body, its range (texts as
    // configured) for the check on OK, its unit beside the two levels.
    void impostaIngresso(int n, const QString &nome, const QString &minimo,
                         const QString &massimo, const QString &unita);
    // What is wrong with the levels typed; empty when OK may close the dialog.
    QString erroreLivelli() const;

    // Fills the controls from the field; runs when the dialog is shown.
    void FormShow();
    // OK: the field from the controls, then the dialog closes accepted.
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent *evento) override;
    bool eventFilter(QObject *oggetto, QEvent *evento) override;

private:
    QString m_campo;
    QLabel *m_lbIngresso = nullptr;
    QCheckBox *m_cbAl = nullptr;
    QLineEdit *m_eValMin = nullptr;
    QLineEdit *m_eValMax = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_annulla = nullptr;
    QLabel *m_lbErrore = nullptr;
    QLabel *m_unitaMin = nullptr;
    QLabel *m_unitaMax = nullptr;
    QString m_minimoIngresso;
    QString m_massimoIngresso;
};

// The parts of an analog alarm text: the character after the first ":" (upper-cased; the first
// character when there is no ":"), the minimum (between the first ":" and the first " - ") and
// the maximum (after the first " - ").
struct TestoAllarmeAnalogico
{
    QString segno;
    QString minimo;
    QString massimo;

    static TestoAllarmeAnalogico leggi(const QString &testo);
    bool isSpento() const { return segno == QLatin1String("O"); }
};
