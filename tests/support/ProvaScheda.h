#pragma once

#include "BancoFinestra.h"
#include "SimulatoreScheda.h"

#include <memory>

// What the end-to-end tests of the pages share: for each test function a temporary settings
// folder, the board simulator (readings held still) and the main window opened on it. A test
// class derives from it; an init() or cleanup() of its own calls these first.
class ProvaScheda : public ProvaFinestra
{
    Q_OBJECT

protected slots:
    void init();
    // Fails the test when the program told the operator anything.
    void cleanup();

protected:
    // Start the simulator on its link, write "Porte.INI" choosing it, and open the window.
    void avviaTcp();
    // `intervallo`: the simulator's idle prompt period, long enough that a command written
    // after a fresh prompt is told apart from one written right after the previous pause.
    void avviaSeriale(int intervallo = 600);
    virtual void creaFinestra();

    std::unique_ptr<SimulatoreScheda> m_scheda;
};
