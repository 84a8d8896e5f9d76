#pragma once

#include "storico/LottoStorico.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

#include <functional>

class Messaggi;
class QComboBox;
class QDateEdit;
class QIODevice;
class QLabel;
class QTableWidget;
class Storico;

// The window "Registro eventi": what happened on the board, newest last, from the history on
// disk: relays switched and by whom, inputs changed, alarms raised and cleared, the link lost
// and back, settings sent. Filtered by point, kind and date, exported as CSV.
class FinestraRegistroEventi : public QWidget
{
    Q_OBJECT
public:
    // At most this many rows on screen, the newest; the export takes them all.
    static constexpr int MassimoRighe = 5000;

    FinestraRegistroEventi(const Storico &archivio, Messaggi &messaggi, QWidget *parent = nullptr);

    QComboBox *cbPunto() const { return m_cbPunto; }
    QComboBox *cbTipo() const { return m_cbTipo; }
    QDateEdit *eDa() const { return m_eDa; }
    QDateEdit *eA() const { return m_eA; }
    QTableWidget *tabella() const { return m_tabella; }
    void setSceltaFile(std::function<QString()> scelta) { m_sceltaFile = std::move(scelta); }

    // The events the filters choose, oldest first.
    QList<EventoStorico> eventiScelti() const;
    void aggiorna();
    void sbEsportaCsvClick();

    static QString testoTipo(EventoStorico::Tipo tipo);
    static QString testoOrigine(EventoStorico::Origine origine);
    // What the value means for the point: "acceso", "alto", ...
    static QString testoValore(const EventoStorico &evento);
    static QString testoPunto(int codice);
    // Header and one line per event; CRLF, fields with the separator quoted.
    static qint64 scriviCsv(const QList<EventoStorico> &eventi, QIODevice &uscita);

protected:
    void showEvent(QShowEvent *event) override;

private:
    const Storico &m_archivio;
    Messaggi &m_messaggi;
    QComboBox *m_cbPunto = nullptr;
    QComboBox *m_cbTipo = nullptr;
    QDateEdit *m_eDa = nullptr;
    QDateEdit *m_eA = nullptr;
    QTableWidget *m_tabella = nullptr;
    QLabel *m_lbConteggio = nullptr;
    std::function<QString()> m_sceltaFile;
};
