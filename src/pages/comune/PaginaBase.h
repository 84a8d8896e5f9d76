#pragma once

#include <QWidget>

#include <array>

class PannelloPunto;
class QAbstractButton;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;
class ScalaPagina;

// Frame shared by the board and peripheral pages: an optional bold title bar at the top,
// the page's own content in the middle, a button bar at the bottom.
class PaginaBase : public QWidget
{
    Q_OBJECT
public:
    PaginaBase(const QString &nomeFoglio, QWidget *parent = nullptr);

    // What the page shows is no longer current (link lost, board silent): every point panel
    // goes back to the window's colour with its name, every LED display dims. The board's
    // next values paint them live again.
    void segnaNonAttuale();
    // Whether any point of the page still carries the not-current look.
    bool isNonAttuale() const;
    // The page's "Richiesta" button, which F5 clicks.
    QAbstractButton *pulsanteRichiesta() const { return m_richiesta; }

    // What the page needs at the window's first size: the room it takes when larger is its own.
    QSize minimumSizeHint() const override;

protected:
    void aggiungiTitolo(const QString &nome, const QString &titolo);
    QWidget *contenuto() const { return m_contenuto; }
    // Grows the page's text and the sizes given to it with the page.
    ScalaPagina &scala() const { return *m_scala; }
    QPushButton *aggiungiPulsante(const QString &nome, const QString &testo);
    void setPulsanteRichiesta(QAbstractButton *pulsante) { m_richiesta = pulsante; }
    // Separates the page's own buttons from the navigation buttons at the right.
    void aggiungiSpaziatura();
    // Eight point panels named `radice`1..8 in two columns of four (1-4 left, 5-8 right), each
    // with its caption (`didascalia` with %1 for the number) under it.
    std::array<PannelloPunto *, 8> creaPannelli(const QString &radice, const QString &didascalia);

private:
    QVBoxLayout *m_layout = nullptr;
    QWidget *m_contenuto = nullptr;
    QHBoxLayout *m_pulsanti = nullptr;
    QAbstractButton *m_richiesta = nullptr;
    ScalaPagina *m_scala = nullptr;
};
