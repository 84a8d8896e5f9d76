#pragma once

#include "link/DispositiviSeriali.h"

#include <QComboBox>

// The serial device field of the serial bar: an editable list of the devices found on the
// machine, each shown with what the system says it is, that also takes a typed path.
class CampoDispositivo : public QComboBox
{
    Q_OBJECT
public:
    explicit CampoDispositivo(QWidget *parent = nullptr);

    // Lists `dispositivi` in place of the earlier ones; the text in the field stays.
    void aggiorna(const QList<DispositivoSeriale> &dispositivi);
    // Lists the devices found now.
    void aggiorna() { aggiorna(elencaDispositiviSeriali()); }

    // The path to open; empty for the device of the port number.
    QString percorso() const { return currentText().trimmed(); }
    void setPercorso(const QString &percorso) { setEditText(percorso); }
};
