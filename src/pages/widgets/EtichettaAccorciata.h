#pragma once

#include <QLabel>

// A one-line plain-text caption for a point's name: it shows as much as its place holds,
// ending in "…", and asks its layout for no more room than a caption of ordinary length, whatever
// the name's length. The whole text goes in its tooltip.
class EtichettaAccorciata : public QLabel
{
    Q_OBJECT
public:
    // Past this many characters a caption is cut before it is measured or painted.
    static constexpr qsizetype MassimoCaratteriMostrati = 1000;

    explicit EtichettaAccorciata(QWidget *parent = nullptr);

    // Sets the caption and its tooltip.
    void impostaTesto(const QString &testo);
    // What is painted at the present width.
    QString testoMostrato() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The caption's width, but at most that of `caratteri` average characters.
    QSize dimensione(int caratteri) const;
};
