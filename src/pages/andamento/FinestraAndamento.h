#pragma once

#include <QDateTime>
#include <QWidget>

#include <array>
#include <functional>

class Messaggi;
class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QDateTimeAxis;
class QLineSeries;
class QPushButton;
class QTimer;
class QValueAxis;
class StoricoAnalogici;

// The window "Andamento Ingressi Analogici": one line per analog input over the chosen span
// up to now, inputs shown or hidden by ticking them, and the export of every kept reading.
class FinestraAndamento : public QWidget
{
    Q_OBJECT
public:
    // Past this many readings in the span a line shows the lowest and highest of each of
    // PuntiMassimi / 2 slices, so a 24 h span draws as fast as a short one.
    static constexpr int PuntiMassimi = 2000;
    // The spans on offer, shortest first; 10 minutes at the start.
    static constexpr std::array<int, 9> Minuti = {1, 5, 10, 30, 60, 120, 360, 720, 1440};
    static constexpr int IndiceIniziale = 2;

    FinestraAndamento(StoricoAnalogici &storico, Messaggi &messaggi, QWidget *parent = nullptr);

    QLineSeries *serie(int ingresso) const { return m_serie.at(ingresso - 1); }
    QCheckBox *casella(int ingresso) const { return m_caselle.at(ingresso - 1); }
    QComboBox *cbIntervallo() const { return m_cbIntervallo; }
    QDateTimeAxis *asseTempo() const { return m_asseTempo; }
    QValueAxis *asseValori() const { return m_asseValori; }

    // Tests: the clock that says "now", and the choice of the export file.
    void setOrologio(std::function<QDateTime()> orologio) { m_orologio = std::move(orologio); }
    void setSceltaFile(std::function<QString()> scelta) { m_sceltaFile = std::move(scelta); }

    // Redraws the lines from the kept readings, with the names and units of now.
    void aggiorna();
    void sbEsportaCsvClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void letturaAggiunta();
    void aggiornaEtichette();
    QString sceltaFileDialogo();

    StoricoAnalogici &m_storico;
    Messaggi &m_messaggi;
    QComboBox *m_cbIntervallo = nullptr;
    QPushButton *m_sbEsportaCsv = nullptr;
    std::array<QCheckBox *, 8> m_caselle{};
    std::array<QLineSeries *, 8> m_serie{};
    QChart *m_grafico = nullptr;
    QChartView *m_vista = nullptr;
    QDateTimeAxis *m_asseTempo = nullptr;
    QValueAxis *m_asseValori = nullptr;
    // Moves the time axis on while the window is shown.
    QTimer *m_timerScorrimento = nullptr;
    // Gathers the readings of a moment into one redraw.
    QTimer *m_timerRitardo = nullptr;
    std::function<QDateTime()> m_orologio;
    std::function<QString()> m_sceltaFile;
};
