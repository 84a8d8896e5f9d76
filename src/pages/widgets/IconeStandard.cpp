#include "pages/widgets/IconeStandard.h"

#include <QApplication>
#include <QHash>

QIcon iconaStandard(QStyle::StandardPixmap tipo)
{
    // Widgets live on the GUI thread only, so one table serves them all.
    static QHash<int, QIcon> fatte;
    auto trovata = fatte.constFind(int(tipo));
    if (trovata == fatte.cend()) {
        trovata = fatte.insert(int(tipo), QApplication::style()->standardIcon(tipo));
    }
    return *trovata;
}
