#pragma once

#include <QPushButton>

// A board point as a clickable coloured panel with its name as a bold caption: light red when
// the point is set, green when clear, the window's colour until the board has told.
class PannelloPunto : public QPushButton
{
    Q_OBJECT
public:
    PannelloPunto(const QString &nome, QWidget *parent = nullptr);

    // The point's name, shown exactly as given (never as a shortcut or markup).
    void impostaNome(const QString &nome);
    QString nome() const { return m_nome; }
    void impostaStato(bool acceso);
    // Back to the window's colour: the state is not known.
    void azzeraStato();
    // An input panel shows a state but takes no click.
    void setSolaLettura(bool solaLettura);
    // The face colour now shown.
    QColor colore() const;

    static QColor coloreAcceso() { return QColor(255, 89, 89); }
    static QColor coloreSpento() { return QColor(0, 255, 64); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_nome;
};
