#pragma once

#include "core/Risposta.h"
#include "pages/widgets/EtichettaAccorciata.h"
#include "pages/comune/PaginaBase.h"

#include <array>

class DisplayLed;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
struct ContestoPagine;

// Page 3: the board's two analog outputs, set and read back as percentages 0..100 while the
// board works in levels 0..255.
class PaginaUsciteAnalogiche : public PaginaBase
{
    Q_OBJECT
public:
    PaginaUsciteAnalogiche(ContestoPagine &contesto, QWidget *parent = nullptr);

    QPushButton *pulsanteHome() const { return m_home; }
    QPushButton *pulsantePeriferiche() const { return m_periferiche; }
    // lbUA01, lbUA02: the output's name and "(OUT n)".
    EtichettaAccorciata *titolo(int n) const { return m_uscite.at(n - 1).titolo; }
    DisplayLed *display(int n) const { return m_uscite.at(n - 1).display; }
    QSpinBox *spinner(int n) const { return m_uscite.at(n - 1).spinner; }
    QLineEdit *casella(int n) const { return m_uscite.at(n - 1).casella; }

    // Opening from the home page (label or circle).
    void lbUAClick();
    void sbUARichClick();
    void sbUAResClick();
    // UD01MouseUp, UD02MouseUp: the spinner's position goes to the display and the edit box.
    void UDMouseUp(int n);
    // sbUAInvio1Click, sbUAInvio2Click: the spinner's percentage to output n.
    void sbUAInvioClick(int n);
    // The two output levels of a reply, output 1 first; a missing one leaves its output alone.
    void mostraLivelli(const Risposta &risposta);

protected:
    bool eventFilter(QObject *oggetto, QEvent *evento) override;

private:
    struct Uscita
    {
        EtichettaAccorciata *titolo = nullptr;
        QLineEdit *casella = nullptr;
        DisplayLed *display = nullptr;
        QSpinBox *spinner = nullptr;
        QAbstractButton *invio = nullptr;
    };

    // "*/PS", its reply painted on both outputs.
    void richiediLivelli();
    void mostraLivello(int n, int livello);

    ContestoPagine &m_contesto;
    std::array<Uscita, 2> m_uscite{};
    QPushButton *m_home = nullptr;
    QPushButton *m_periferiche = nullptr;
};
