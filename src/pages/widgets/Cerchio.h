#pragma once

#include <QColor>
#include <QWidget>

// A small filled circle that reports the mouse button being released over it.
class Cerchio : public QWidget
{
    Q_OBJECT
public:
    Cerchio(const QColor &colore, int diametro, QWidget *parent = nullptr);

signals:
    void rilasciato();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QColor m_colore;
};
