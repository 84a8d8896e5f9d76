#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

// A picture stretched over the whole widget; reports clicks. The picture is decoded right
// after the widget's first paint, so the window reaches the screen without waiting for the
// decoder (its plugin and library included); until then the parent's background shows.
class ImmagineStirata : public QWidget
{
    Q_OBJECT
public:
    // `file`: the picture, its format named by its suffix.
    explicit ImmagineStirata(const QString &file, QWidget *parent = nullptr);
    // Null until decoded.
    const QPixmap &immagine() const { return m_immagine; }

signals:
    void cliccata();
    // The picture is decoded and a repaint with it is on its way.
    void caricata();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void carica();

    QString m_file;
    QPixmap m_immagine;
    bool m_caricamentoChiesto = false;
};
