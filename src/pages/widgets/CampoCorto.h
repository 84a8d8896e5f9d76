#pragma once

#include <QLineEdit>

// A line edit for a short value (a percentage, a range limit): as wide as its longest expected
// text in its present font, neither squeezed nor stretched by its layout.
class CampoCorto : public QLineEdit
{
    Q_OBJECT
public:
    // `campione`: the widest text the field is meant to show whole, such as "000".
    CampoCorto(const QString &campione, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    QString m_campione;
};
