#pragma once

#include <QPixmap>
#include <QWidget>

// A picture stretched over the whole widget; reports clicks.
class ImmagineStirata : public QWidget
{
    Q_OBJECT
public:
    explicit ImmagineStirata(const QPixmap &immagine, QWidget *parent = nullptr);
    const QPixmap &immagine() const { return m_immagine; }

signals:
    void cliccata();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPixmap m_immagine;
};
