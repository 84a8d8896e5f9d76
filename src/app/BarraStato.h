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

    void impostaTesto(int pannello, const QString &testo) override;
    QString testo(int pannello) const override;
    int larghezzaPannello(int pannello) const;
    void impostaLarghezzaPannello(int pannello, int larghezza);
    int numeroPannelli() const { return static_cast<int>(m_pannelli.size()); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void disponi();

    std::array<QLabel *, 3> m_pannelli{};
    std::array<int, 3> m_larghezze{300, 180, 170};
};
