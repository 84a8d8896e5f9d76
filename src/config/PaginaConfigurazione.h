#pragma once

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
    // False when the file could not be written (the operator has been told).
    bool sbSalvaConfIniClick();

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

    ValoriProgramma &m_valori;
    Messaggi &m_messaggi;
    bool m_modificata = false;
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
