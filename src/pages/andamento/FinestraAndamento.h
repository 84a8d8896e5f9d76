#pragma once

#include "pages/andamento/SerieAndamento.h"

#include <QDateTime>
#include <QWidget>

#include <array>
#include <functional>

class GraficoAndamento;
class Messaggi;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class Storico;
class QGridLayout;
class QPushButton;
class QTimer;
class StoricoAnalogici;

// The window "Andamento Ingressi Analogici": one line per analog input over the chosen span
// up to now, inputs shown or hidden by ticking them, and the export of every kept reading.
// A shown window repaints at most once per pixel column of the span's time, and only when
// a reading came or the span moved on; a hidden one does nothing until shown again.
class FinestraAndamento : public QWidget
{
    Q_OBJECT
public:
    // The spans on offer, shortest first, up to a year; 10 minutes at the start.
    static constexpr std::array<int, 12> Minuti = {1,   5,    10,    30,    60,    120,
                                                   360, 720, 1440, 10080, 43200, 525600};
    static constexpr int IndiceIniziale = 2;

    FinestraAndamento(StoricoAnalogici &storico, Messaggi &messaggi, QWidget *parent = nullptr);

    const SerieAndamento *serie(int ingresso) const;
    QCheckBox *casella(int ingresso) const { return m_caselle.at(ingresso - 1); }
    QComboBox *cbIntervallo() const { return m_cbIntervallo; }
    GraficoAndamento *grafico() const { return m_grafico; }
    QDateTimeEdit *eVaiA() const { return m_eVaiA; }

    // The history on disk the lines and the export are drawn from, besides the kept readings.
    void setArchivio(const Storico *archivio);
    // The span ends at `quando` and stays there; sbAdessoClick() follows the time again.
    void sbVaiAClick();
    void sbAdessoClick();
    bool isFermo() const { return m_fineFissa.isValid(); }

    // Tests: the clock that says "now", and the choice of the export file.
    void setOrologio(std::function<QDateTime()> orologio) { m_orologio = std::move(orologio); }
    void setSceltaFile(std::function<QString()> scelta) { m_sceltaFile = std::move(scelta); }

    // Redraws the lines from the kept readings, with the names and units of now.
    void aggiorna();
    void sbEsportaCsvClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void disponiCaselle();
    void letturaAggiunta(int ingresso);
    void scorri();
    void aggiornaEtichette();
    void aggiornaPasso();
    qint64 adesso() const;
    QString sceltaFileDialogo();

    StoricoAnalogici &m_storico;
    Messaggi &m_messaggi;
    const Storico *m_archivio = nullptr;
    QDateTimeEdit *m_eVaiA = nullptr;
    QDateTime m_fineFissa;
    QComboBox *m_cbIntervallo = nullptr;
    QPushButton *m_sbEsportaCsv = nullptr;
    std::array<QCheckBox *, 8> m_caselle{};
    QGridLayout *m_grigliaCaselle = nullptr;
    int m_colonneCaselle = 0;
    GraficoAndamento *m_grafico = nullptr;
    // Moves the time on and paints what came, once per column of the plot.
    QTimer *m_timerScorrimento = nullptr;
    std::function<QDateTime()> m_orologio;
    std::function<QString()> m_sceltaFile;
};
