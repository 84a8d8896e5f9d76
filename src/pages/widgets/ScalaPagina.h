#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QSize>

#include <vector>

class QAbstractButton;
class QLayout;
class QWidget;

// Lets a page grow with the window. At the page's size in the window's first size everything
// is as laid out; on a larger page the text, and the sizes, fonts and spacings given here, grow
// in proportion (text less than the rest, both within bounds), and the layouts share out what
// room is left. The page still asks its parent for no more than it needs at the first size, so
// the window can always be made small again.
class ScalaPagina : public QObject
{
    Q_OBJECT
public:
    explicit ScalaPagina(QWidget *pagina);

    // A page's size in the main window at the window's first size (751x585).
    static constexpr QSize DimensioneBase{751, 540};

    // How much the page has grown: 1 at the base size, at most FattoreMassimo.
    double fattore() const { return m_fattore; }
    // How much its text has grown: less than fattore(), at most TestoMassimo.
    double fattoreTesto() const { return testoPer(m_fattore); }

    // `widget`'s font is `pixel` pixels high at the base size.
    void carattere(QWidget *widget, int pixel);
    // `widget` is at least `minimo` at the base size.
    void minimo(QWidget *widget, QSize minimo);
    // `widget` is exactly `dimensione` at the base size; a side given as 0 is left alone.
    void fisso(QWidget *widget, QSize dimensione);
    void icona(QAbstractButton *pulsante, QSize dimensione);
    // The layout's margins and spacing as they are now are those of the base size.
    void spazi(QLayout *layout);

    // What the page needs at the base size, from what its layout needs now.
    QSize minimoBase(QSize minimoAttuale) const;

    static constexpr double FattoreMassimo = 2.5;
    static constexpr double TestoMassimo = 1.6;

signals:
    // The factors changed and have been applied.
    void cambiata();

protected:
    bool eventFilter(QObject *oggetto, QEvent *evento) override;

private:
    enum class Tipo { Carattere, Minimo, Fisso, Icona };
    struct Voce
    {
        QPointer<QWidget> widget;
        Tipo tipo;
        QSize base;
    };
    struct Spazi
    {
        QPointer<QLayout> layout;
        QMargins margini;
        int orizzontale;
        int verticale;
    };

    static double testoPer(double fattore);
    void aggiorna();
    void applica(const Voce &voce) const;
    void applica(const Spazi &spazi) const;
    QSize scalata(QSize base) const;

    QWidget *m_pagina;
    double m_fattore = 1.0;
    // The page's own text size before any growth; 0 until first needed.
    double m_puntiBase = 0;
    std::vector<Voce> m_voci;
    std::vector<Spazi> m_spazi;
};
