#pragma once

#include <QPushButton>
#include <QStringList>

// A board point as a clickable coloured panel with its name as a bold caption: light red when
// the point is set, green when clear, the window's colour until the board has told.
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
    void impostaStato(bool acceso);
    // Back to the window's colour: the state is not known.
    void azzeraStato();
    // An input panel shows a state but takes no click.
    void setSolaLettura(bool solaLettura);
    // The face colour now shown.
    QColor colore() const;

    // The caption's lines as painted at the panel's present size.
    QStringList righeMostrate() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static QColor coloreAcceso() { return QColor(255, 89, 89); }
    static QColor coloreSpento() { return QColor(0, 255, 64); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QRect areaTesto() const;

    QString m_nome;
    // Laid out lazily for the present size and font.
    mutable QStringList m_righe;
    mutable bool m_righeValide = false;
};
