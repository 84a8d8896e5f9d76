#pragma once

#include "core/Risposta.h"
#include "pages/scheda/AllarmiDigitali.h"
#include "pages/comune/PaginaBase.h"

#include <array>

class PannelloPunto;
class QLabel;
class QPushButton;
class QToolButton;
struct ContestoPagine;

// Page 2: the board's eight digital inputs, each with its alarm setting. The operator asks for
// the states, edits the alarms one input at a time, stores and sends them, and switches the
// board's continuous reporting on and off.
class PaginaIngressiDigitali : public PaginaBase
{
    Q_OBJECT
public:
    PaginaIngressiDigitali(ContestoPagine &contesto, QWidget *parent = nullptr);

    QPushButton *pulsanteHome() const { return m_home; }
    QPushButton *pulsantePeriferiche() const { return m_periferiche; }
    QPushButton *pulsanteContinua() const { return m_continua; }
    PannelloPunto *pannello(int n) const { return m_pannelli.at(n - 1); }
    QToolButton *pulsanteAllarme(int n) const { return m_pulsantiAllarme.at(n - 1); }
    // lbIDS0n: the alarm text of input n.
    QString testoAllarme(int n) const;
    void impostaTestoAllarme(int n, const QString &testo);

    // Opening from the home page (label or circle).
    void lbIDClick();
    void sbIDRichClick();
    // "Invio Impostazioni".
    void sbIDImpClick();
    // Alarm button of input n (SpeedButton5 .. SpeedButton12): edit its setting in the dialog.
    void SpeedButtonAllarmeClick(int n);
    // Reloads the alarm texts from the settings file, discarding unsent edits.
    void caricaAllarmi();
    // Stores the alarm texts and sends them to the board.
    void memorizzaEInviaAllarmi();

    // A digital inputs reply, or the inputs of a round of continuous output; left alone when
    // the frame is missing.
    void mostraStati(const Risposta &risposta);

private:
    // "*/I", its reply painted on the panels.
    void richiediStati();
    void creaIngressi();
    AllarmiDigitali::Testi testiAllarmi() const;

    ContestoPagine &m_contesto;
    std::array<PannelloPunto *, 8> m_pannelli{};
    std::array<QToolButton *, 8> m_pulsantiAllarme{};
    std::array<QLabel *, 8> m_testiAllarme{};
    QPushButton *m_continua = nullptr;
    QPushButton *m_home = nullptr;
    QPushButton *m_periferiche = nullptr;
};
