#include "DialogoModale.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

namespace {

void cerca(std::function<void(QDialog &)> azione, int tentativi)
{
    QTimer::singleShot(10, qApp, [azione = std::move(azione), tentativi]() mutable {
        QPointer<QDialog> dialogo = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialogo) {
            if (tentativi > 0) {
                cerca(std::move(azione), tentativi - 1);
            }
            return;
        }
        azione(*dialogo);
        if (dialogo && dialogo->isVisible()) {
            dialogo->reject();
        }
    });
}

} // namespace

void suDialogoModale(std::function<void(QDialog &)> azione)
{
    // About five seconds.
    cerca(std::move(azione), 500);
}
