#include "pages/widgets/GruppoRadio.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

GruppoRadio::GruppoRadio(const QString &nome, const QString &titolo, const QStringList &voci,
                         int colonne, QWidget *parent)
    : QGroupBox(titolo, parent), m_gruppo(new QButtonGroup(this))
{
    setObjectName(nome);
    auto *griglia = new QGridLayout(this);
    griglia->setContentsMargins(6, 2, 6, 2);
    griglia->setVerticalSpacing(2);
    for (int i = 0; i < voci.size(); ++i) {
        auto *pulsante = new QRadioButton(voci.at(i), this);
        pulsante->setObjectName(nome + QStringLiteral("_%1").arg(i));
        m_gruppo->addButton(pulsante, i);
        griglia->addWidget(pulsante, i / colonne, i % colonne);
    }
    connect(m_gruppo, &QButtonGroup::idClicked, this, &GruppoRadio::cliccato);
}

int GruppoRadio::itemIndex() const
{
    return m_gruppo->checkedId();
}

void GruppoRadio::setItemIndex(int indice)
{
    const int ultimo = numeroVoci() - 1;
    indice = std::min(indice, ultimo);
    if (indice < 0) {
        // An exclusive group cannot be emptied directly.
        m_gruppo->setExclusive(false);
        for (QAbstractButton *pulsante : m_gruppo->buttons()) {
            pulsante->setChecked(false);
        }
        m_gruppo->setExclusive(true);
        return;
    }
    m_gruppo->button(indice)->setChecked(true);
}

int GruppoRadio::numeroVoci() const
{
    return static_cast<int>(m_gruppo->buttons().size());
}

QRadioButton *GruppoRadio::voce(int indice) const
{
    return qobject_cast<QRadioButton *>(m_gruppo->button(indice));
}
