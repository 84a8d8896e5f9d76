#include "app/CampoDispositivo.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {

constexpr int kRuoloDescrizione = Qt::UserRole + 1;

// The list shows each path with its description; the field itself holds the path alone.
class DelegatoDispositivo : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *opzione, const QModelIndex &indice) const override
    {
        QStyledItemDelegate::initStyleOption(opzione, indice);
        const QString descrizione = indice.data(kRuoloDescrizione).toString();
        if (!descrizione.isEmpty()) {
            opzione->text += QStringLiteral("    ") + descrizione;
        }
    }
};

} // namespace

CampoDispositivo::CampoDispositivo(QWidget *parent) : QComboBox(parent)
{
    setObjectName(QStringLiteral("cbDispositivo"));
    setEditable(true);
    // A typed path is used as it stands, not added to the list of detected devices.
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Narrow enough that the serial bar fits the window at its first size.
    setMinimumContentsLength(14);
    setItemDelegate(new DelegatoDispositivo(this));
    lineEdit()->setPlaceholderText(QStringLiteral("secondo Comm (/dev/ttyS...)"));
    setToolTip(QStringLiteral("Dispositivo seriale: sceglierne uno rilevato o scriverne il "
                              "percorso; vuoto usa il numero di Comm"));
}

void CampoDispositivo::aggiorna(const QList<DispositivoSeriale> &dispositivi)
{
    const QString testo = currentText();
    clear();
    for (const DispositivoSeriale &dispositivo : dispositivi) {
        addItem(dispositivo.percorso);
        setItemData(count() - 1, dispositivo.descrizione, kRuoloDescrizione);
        setItemData(count() - 1, dispositivo.descrizione, Qt::ToolTipRole);
    }
    setEditText(testo);
    // The list is wide enough for the longest path and its description.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 24);
}
