#pragma once

#include <QStringList>

#include <QGroupBox>

class QButtonGroup;
class QRadioButton;

// A captioned group of radio buttons with an item index, as the operator's choice lists.
class GruppoRadio : public QGroupBox
{
    Q_OBJECT
public:
    GruppoRadio(const QString &nome, const QString &titolo, const QStringList &voci, int colonne,
                QWidget *parent = nullptr);

    int itemIndex() const;
    // Below -1 selects nothing, beyond the last item selects the last one.
    void setItemIndex(int indice);
    int numeroVoci() const;
    QRadioButton *voce(int indice) const;

signals:
    // The operator clicked an item.
    void cliccato(int indice);

private:
    QButtonGroup *m_gruppo = nullptr;
};
