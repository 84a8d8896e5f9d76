#pragma once

#include "pages/andamento/SerieAndamento.h"

#include <QColor>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>

class StoricoAnalogici;

// The plot of the trend window: eight lines over a time span ending now, a value scale on
// the left, times below. Each line keeps one column of readings per pixel of the plot's
// width, so painting costs the width, not the readings; moving on in time only moves the
// scale and drops the columns that fall off the left.
class GraficoAndamento : public QWidget
{
    Q_OBJECT
public:
    static constexpr int NumeroSerie = 8;

    GraficoAndamento(const StoricoAnalogici &storico, QWidget *parent = nullptr);

    // The series of input `n` (1..8), up to date with the span and the width.
    const SerieAndamento &serie(int n) const;
    void setColore(int n, const QColor &colore) { m_colori.at(n - 1) = colore; }
    void setVisibile(int n, bool visibile);
    bool isVisibile(int n) const { return m_visibili.at(n - 1); }
    void setTitoloValori(const QString &titolo);
    QString titoloValori() const { return m_titoloValori; }

    // The span's length; its columns are rebuilt from the kept readings before the next use.
    void setDurata(qint64 ms);
    qint64 durata() const { return m_durata; }
    // Moves the span's end; returns whether a repaint is due.
    bool setFine(qint64 ms);
    qint64 fine() const { return m_fine; }
    // A new reading of input `n`, the newest kept one.
    void letturaAggiunta(int n);
    // Rebuilds every column from the kept readings before the next use.
    void ricostruisci();
    // Readings changed since the last paint.
    bool isSporco() const { return m_sporco; }

    // What one column spans; the window repaints at most once per column.
    qint64 periodoColonna() const;
    QString formatoTempo() const;
    // Lowest and highest value of the scale, for tests.
    double valoreMinimo() const { return m_scalaBassa; }
    double valoreMassimo() const { return m_scalaAlta; }
    // The time labels of the last paint and where they went.
    QList<QRect> rettangoliTempo() const { return m_rettangoliTempo; }
    QStringList testiTempo() const { return m_testiTempo; }
    QRect areaDati() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void prepara() const;
    void calcolaScala();
    void disegnaTempo(QPainter &pittore, const QRect &area);
    void disegnaValori(QPainter &pittore, const QRect &area);
    void disegnaSerie(QPainter &pittore, const QRect &area, int n) const;

    const StoricoAnalogici &m_storico;
    mutable std::array<SerieAndamento, NumeroSerie> m_serie;
    std::array<QColor, NumeroSerie> m_colori{};
    std::array<bool, NumeroSerie> m_visibili{};
    QString m_titoloValori;
    qint64 m_durata = 600000;
    qint64 m_fine = 0;
    mutable bool m_daRicostruire = true;
    bool m_sporco = true;
    double m_scalaBassa = 0;
    double m_scalaAlta = 100;
    double m_passoScala = 20;
    QList<QRect> m_rettangoliTempo;
    QStringList m_testiTempo;
};
