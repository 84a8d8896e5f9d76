#pragma once

#include <QLabel>

// A plain-text label that reports clicks.
class EtichettaCliccabile : public QLabel
{
    Q_OBJECT
public:
    explicit EtichettaCliccabile(const QString &testo, QWidget *parent = nullptr);

signals:
    void cliccata();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
