#pragma once

#include "core/EsitoInvio.h"
#include "pages/comune/PaginaBase.h"

#include <array>

class PannelloPunto;
class QPushButton;
struct ContestoPagine;

// Page 1: the board's eight relay outputs. Every switch or reset is followed by a request,
// and the panels always show the last states the board sent.
class PaginaUsciteDigitali : public PaginaBase
{
    Q_OBJECT
public:
    PaginaUsciteDigitali(ContestoPagine &contesto, QWidget *parent = nullptr);

    QPushButton *pulsanteHome() const { return m_home; }
    QPushButton *pulsantePeriferiche() const { return m_periferiche; }
    PannelloPunto *pannello(int n) const { return m_pannelli.at(n - 1); }

    // Opening from the home page (label or circle).
    void lbUDClick();
    void sbUDRichClick();
    void sbUDResClick();
    // Relay panel n (sbUD1 .. sbUD8) clicked: switch it, then ask for the states.
    void sbUDNClick(int n);
    // A relay outputs reply; left alone when the frame is missing.
    void mostraStati(const Risposta &risposta);

private:
    // "*/RS", its reply painted on the panels.
    void richiediStati(EsitoInvio esito = {});

    ContestoPagine &m_contesto;
    std::array<PannelloPunto *, 8> m_pannelli{};
    QPushButton *m_home = nullptr;
    QPushButton *m_periferiche = nullptr;
};
