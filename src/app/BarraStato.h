#pragma once

#include "core/TestoStato.h"

#include <QStatusBar>

#include <array>

class QLabel;

// The status bar with its three panels: 0 connection state, 1 notices, 2 clock.
class BarraStato : public QStatusBar, public TestoStato
{
    Q_OBJECT
public:
    explicit BarraStato(QWidget *parent = nullptr);

    // The whole text is kept (and is the tooltip); the panel shows it cut with "…" when it
    // does not fit.
    void impostaTesto(int pannello, const QString &testo) override;
    QString testo(int pannello) const override;
    int larghezzaPannello(int pannello) const;
    void impostaLarghezzaPannello(int pannello, int larghezza);
    int numeroPannelli() const { return static_cast<int>(m_pannelli.size()); }

    // Where the panels go in a bar `barra` pixels wide, given their own widths and the widths
    // the texts of panels 0 and 1 need: panel 1 never narrower than its own width, and wider
    // for a notice that needs it, first into the bar's room beyond the panels, then into what
    // panel 0's text leaves of its own width. The clock keeps its width and follows.
    static std::array<int, 3> larghezzeDisposte(int barra, const std::array<int, 3> &proprie,
                                                int serve0, int serve1);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void disponi();
    void mostraTesto(int pannello);
    int larghezzaTesto(int pannello) const;

    std::array<QLabel *, 3> m_pannelli{};
    std::array<QString, 3> m_testi;
    std::array<int, 3> m_larghezze{300, 180, 170};
};
