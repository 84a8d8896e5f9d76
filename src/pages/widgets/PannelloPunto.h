#pragma once

#include "core/EsitoInvio.h"

#include <QPushButton>
#include <QStringList>

// A board point as a clickable coloured panel with its name as a bold caption: light red when
// the point is set, green when clear, the window's colour until the board has told. A known
// state is also written in the bottom corner ("ON", "OFF") and is part of the accessible name.
class PannelloPunto : public QPushButton
{
    Q_OBJECT
public:
    PannelloPunto(const QString &nome, QWidget *parent = nullptr);

    // Names past this length are cut before any layout work: what fits a panel is far less.
    static constexpr qsizetype MassimoCaratteriMostrati = 1000;

    // The point's name, shown exactly as given (never as a shortcut or markup), wrapped and
    // elided to what the panel holds; the whole name is the tooltip.
    void impostaNome(const QString &nome);
    QString nome() const { return m_nome; }
    // The board's state: also the read-back that ends a pending mark.
    void impostaStato(bool acceso);
    // Back to the window's colour: the state is not known.
    void azzeraStato();
    // Back to the window's colour because what was shown is no longer current (link lost,
    // board silent); the next state from the board paints it again.
    void segnaNonAttuale();
    bool isNonAttuale() const { return m_stato == Stato::NonAttuale; }

    // A command for this point starts: the panel shows a pending mark (dashed border, hourglass)
    // until the command is dropped, or is written and the next state arrives.
    EsitoInvio attesaComando();
    // The request that reads the point back: when it is dropped no read-back will come.
    EsitoInvio attesaRilettura();
    bool isInAttesa() const { return m_daScrivere > 0 || m_scritto; }
    // An input panel shows a state but takes no click (its tooltip still shows).
    void setSolaLettura(bool solaLettura);
    // The face colour now shown.
    QColor colore() const;

    // The state mark painted in the bottom corner: "ON", "OFF", or nothing when not known.
    QString sigla() const;

    // The caption's lines as painted at the panel's present size.
    QStringList righeMostrate() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static QColor coloreAcceso() { return QColor(255, 89, 89); }
    static QColor coloreSpento() { return QColor(0, 255, 64); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    enum class Stato { Ignoto, Acceso, Spento, NonAttuale };
    QRect areaTesto() const;
    QRect areaSigla() const;
    QFont carattereSigla() const;
    void aggiornaSuggerimento();
    void attesaCambiata();

    QString m_nome;
    Stato m_stato = Stato::Ignoto;
    int m_daScrivere = 0;
    bool m_scritto = false;
    bool m_solaLettura = false;
    // Laid out lazily for the present size and font, in the caption's font.
    mutable QStringList m_righe;
    mutable QFont m_carattere;
    mutable bool m_righeValide = false;
};
