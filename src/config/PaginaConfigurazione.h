#pragma once

#include <QHash>
#include <QWidget>

#include <array>

class Messaggi;
struct ValoriProgramma;

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QTabWidget;
class ScalaPagina;

// Page 8 of the main window: names of the board's points, units and ranges of the analog
// inputs, and the alarm relay time. Fields are numbered from 1, like their names.
class PaginaConfigurazione : public QWidget
{
    Q_OBJECT
public:
    PaginaConfigurazione(ValoriProgramma &valori, Messaggi &messaggi, QWidget *parent = nullptr);

    QLineEdit *eUDIni(int n) const { return m_eUDIni.at(n - 1); }
    QLineEdit *eIDIni(int n) const { return m_eIDIni.at(n - 1); }
    QLineEdit *eUAIni(int n) const { return m_eUAIni.at(n - 1); }
    QLineEdit *eIAIni(int n) const { return m_eIAIni.at(n - 1); }
    QComboBox *eIATIni(int n) const { return m_eIATIni.at(n - 1); }
    QLineEdit *eVal(int n) const { return m_eVal.at(n - 1); }
    QLineEdit *eValMax(int n) const { return m_eValMax.at(n - 1); }
    QComboBox *cbTime() const { return m_cbTime; }
    QTabWidget *pcSettaggio() const { return m_pcSettaggio; }
    QPushButton *sbSalvaConfIni() const { return m_sbSalvaConfIni; }
    QPushButton *speedButton13() const { return m_speedButton13; }
    QPushButton *speedButton22() const { return m_speedButton22; }

    // Writes every field into section "OPTION" of the settings file, texts as they stand.
    // Neither the program-wide values nor any caption change until the next reload.
    // False when a range is wrong (nothing is written) or the file could not be written; the
    // operator has been told either way.
    bool sbSalvaConfIniClick();

    // What is wrong with one end of analog input n's range ("Valore Min" or "Valore Max"):
    // empty when the text is a number.
    static QString erroreEstremo(int n, const QString &campo, const QString &testo);
    // What is wrong with analog input n's range as a whole: each end a number, the minimum
    // below the maximum. Empty when nothing is.
    static QStringList erroriGamma(int n, const QString &minimo, const QString &massimo);

    // The operator changed a field since the last save or reload.
    bool isModificata() const { return m_modificata; }
    // The fields were filled again from the settings file.
    void segnaRicaricata() { m_modificata = false; }

    // What the page needs at the window's first size: the room it takes when larger is its own.
    QSize minimumSizeHint() const override;

signals:
    // "Pagina Iniziale" was pressed.
    void paginaIniziale();
    // The alarm relay send button was pressed; the main window owns the link.
    void inviaTempoAllarme();
    // The settings file holds the fields as they stand.
    void salvata();

private:
    QWidget *creaPannelloStrumenti();
    QWidget *creaScheda(const QString &nome, const QString &titolo, QGridLayout *&griglia);
    QLineEdit *creaCampo(const QString &nome, const QString &testo, QWidget *parent);
    QLineEdit *creaCampoCorto(const QString &nome, const QString &testo, QWidget *parent);
    void creaSchedaNomi(const QString &nome, const QString &titolo, const QString &etichetta,
                        const QString &prefissoCampo, const std::array<QString, 8> &testi,
                        std::array<QLineEdit *, 8> &campi);
    void creaSchedaUA();
    void creaSchedaIA();
    void creaSchedaAllarme();
    void tracciaModifiche();
    void controllaEstremo(int n, QLineEdit *campo, const QString &nomeCampo);

    ValoriProgramma &m_valori;
    Messaggi &m_messaggi;
    bool m_modificata = false;
    // The wrong text each range field was last reported with, so that losing the focus to the
    // report itself does not report it again.
    QHash<QLineEdit *, QString> m_segnalati;
    ScalaPagina *m_scala = nullptr;

    QTabWidget *m_pcSettaggio = nullptr;
    QPushButton *m_sbSalvaConfIni = nullptr;
    QPushButton *m_speedButton13 = nullptr;
    QPushButton *m_speedButton22 = nullptr;
    QComboBox *m_cbTime = nullptr;
    std::array<QLineEdit *, 8> m_eUDIni{};
    std::array<QLineEdit *, 8> m_eIDIni{};
    std::array<QLineEdit *, 2> m_eUAIni{};
    std::array<QLineEdit *, 8> m_eIAIni{};
    std::array<QComboBox *, 8> m_eIATIni{};
    std::array<QLineEdit *, 8> m_eVal{};
    std::array<QLineEdit *, 8> m_eValMax{};
};
