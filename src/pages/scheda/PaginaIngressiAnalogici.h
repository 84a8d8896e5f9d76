#pragma once

#include "core/Risposta.h"
#include "pages/widgets/EtichettaAccorciata.h"
#include "pages/comune/PaginaBase.h"

#include <array>

class DisplayLed;
class QLabel;
class QPushButton;
class QToolButton;
struct ContestoPagine;

// What "Invio Impostazioni" stores and sends for the eight analog alarms.
struct AllarmiAnalogici
{
    // "1" for an input whose alarm is on, input 1 first.
    QString abilitazioni;
    // Minimum and maximum texts of inputs 1..8 in turn, as stored ("0" and "255" when off).
    std::array<QString, 16> soglie;
    // The same as board levels, three digits each ("000" and "255" when off).
    std::array<QString, 16> campi;
    // The first input whose thresholds or range cannot give a level, 0 when none.
    int ingressoNonValido = 0;

    // From the eight alarm texts and the eight ranges (texts as configured).
    static AllarmiAnalogici prepara(const std::array<QString, 8> &testi,
                                    const std::array<QString, 8> &minimi,
                                    const std::array<QString, 8> &massimi);
};

// Page 4: the board's eight analog inputs scaled into their units, each with its alarm window.
class PaginaIngressiAnalogici : public PaginaBase
{
    Q_OBJECT
public:
    PaginaIngressiAnalogici(ContestoPagine &contesto, QWidget *parent = nullptr);

    QPushButton *pulsanteHome() const { return m_home; }
    // The hidden "Periferiche" button.
    QPushButton *pulsantePeriferiche() const { return m_periferiche; }
    // lbIA0n: the input's name and "(IN n)"; lbIAT0n: its unit.
    EtichettaAccorciata *titolo(int n) const { return m_ingressi.at(n - 1).titolo; }
    QLabel *unita(int n) const { return m_ingressi.at(n - 1).unita; }
    DisplayLed *display(int n) const { return m_ingressi.at(n - 1).display; }
    // lbIAS0n: the alarm text.
    QLabel *allarme(int n) const { return m_ingressi.at(n - 1).allarme; }

    // Opening from the home page (label or circle).
    void lbIAClick();
    void sbIARichClick();
    void sbIAImpClick();
    // SpeedButton14Click .. SpeedButton21Click: edit the alarm of input n in the dialog.
    void SpeedButtonAllarmeClick(int n);
    // The readings of a reply or of a round of continuous output, input 1 first; missing ones
    // leave their inputs alone.
    void mostraLetture(const Risposta &risposta);

    // The alarm settings from the settings file onto the eight alarm texts.
    void caricaAllarmi();
    // Checks, stores and sends the eight alarm settings.
    void salvaEInviaAllarmi();

signals:
    // A scaled value just put on input n's display.
    void letturaMostrata(int n, qint64 valore);

private:
    struct Ingresso
    {
        EtichettaAccorciata *titolo = nullptr;
        DisplayLed *display = nullptr;
        QLabel *unita = nullptr;
        QToolButton *pulsanteAllarme = nullptr;
        QLabel *allarme = nullptr;
    };

    void mostraLettura(int n, int grezzo);
    // "*/A", its reply painted on the displays.
    void richiediLetture();

    // An input's range as last parsed from its texts.
    struct Gamma
    {
        QString testoMinimo;
        QString testoMassimo;
        double minimo = 0;
        double massimo = 0;
        bool valida = false;
    };

    ContestoPagine &m_contesto;
    std::array<Ingresso, 8> m_ingressi{};
    std::array<Gamma, 8> m_gamme{};
    QPushButton *m_continua = nullptr;
    QPushButton *m_home = nullptr;
    QPushButton *m_periferiche = nullptr;
};
