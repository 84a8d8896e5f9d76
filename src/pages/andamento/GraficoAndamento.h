#pragma once

#include "pages/andamento/SerieAndamento.h"
#include "storico/Storico.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QLine>
#include <QPen>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>

class StoricoAnalogici;

// The plot of the trend window: eight lines over a time span ending now, times below, and
// one value axis per unit among the lines drawn, the first on the left, the others beside the
// plot in turn right and left. Each line keeps one column of readings per pixel of the plot's
// width, so painting costs the width, not the readings; moving on in time only moves the
// scale and drops the columns that fall off the left.
class GraficoAndamento : public QWidget
{
    Q_OBJECT
public:
    static constexpr int NumeroSerie = 8;

    // Whole steps from the lowest value to the highest.
    struct Scala
    {
        double basso = 0;
        double alto = 100;
        double passo = 20;
    };
    // One value axis: the drawn lines of one unit against a scale of their own, and what the
    // last paint put where.
    struct Asse
    {
        QString titolo;
        QList<int> ingressi;
        Scala scala;
        bool destra = false;
        // Room for the widest of its labels and its title.
        int larghezzaTesti = 0;
        int x = 0;
        QRect rettangoloTitolo;
        QList<QRect> rettangoli;
        QStringList testi;
    };

    // About six round steps (1, 2 or 5 times a power of ten) around `minimo`..`massimo`.
    static Scala scalaPer(qint64 minimo, qint64 massimo);

    GraficoAndamento(const StoricoAnalogici &storico, QWidget *parent = nullptr);

    // The series of input `n` (1..8), up to date with the span and the width.
    const SerieAndamento &serie(int n) const;
    void setColore(int n, const QColor &colore) { m_colori.at(n - 1) = colore; }
    void setVisibile(int n, bool visibile);
    bool isVisibile(int n) const { return m_visibili.at(n - 1); }
    // The history on disk: the span is drawn from it, at the pixel limit from its rollups, and
    // from the kept readings only where they are newer than what it holds.
    void setArchivio(const Storico *archivio);
    // Each line's dash pattern where it shares its axis, so that two lines on the same values
    // stay apart; empty: solid.
    static QList<qreal> tratteggio(int n);
    // The unit of input `n`; lines of the same unit share an axis.
    void setUnita(int n, const QString &unita);

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
    // The axes of the last paint, the first one's scale being the grid's.
    const QList<Asse> &assi() const { return m_assi; }
    double valoreMinimo() const { return m_assi.constFirst().scala.basso; }
    double valoreMassimo() const { return m_assi.constFirst().scala.alto; }
    // The time labels of the last paint and where they went.
    QList<QRect> rettangoliTempo() const { return m_rettangoliTempo; }
    QStringList testiTempo() const { return m_testiTempo; }
    QRect areaDati() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool prepara() const;
    void disponiAssi();
    void disegnaTempo(QPainter &pittore, const QRect &area);
    void disegnaAssi(QPainter &pittore, const QRect &area);
    // Dense lines go into one layer of pixels, laid over the plot once; their few long jumps
    // and lone dots are drawn after it.
    struct Densi
    {
        QImage *strato = nullptr;
        QList<std::pair<QPen, QList<QLine>>> salti;
        QList<std::pair<QColor, QPoint>> soli;
    };
    void disegnaSerie(QPainter &pittore, const QRect &area, int n, const Scala &scala,
                      bool tratteggiata, Densi &densi) const;
    // A line with many points per pixel, filled a pixel column at a time into the layer.
    void disegnaDensa(const QRect &area, const QList<QPointF> &punti,
                      const QList<qsizetype> &interruzioni,
                      const std::function<QPoint(const QPointF &)> &pixel, const QColor &colore,
                      const QList<qreal> &tratti, Densi &densi) const;

    void riempiDaArchivio() const;

    // What the last read of the history brought, for the span and end it was read for: the
    // plot's width settles as the axes come, and the columns are made again for it, from here.
    struct LettoDaArchivio
    {
        int riassunto = -1;
        qint64 fine = 0;
        qint64 durata = 0;
        QList<Storico::Riassunto> riassunti;
        std::array<QList<LetturaAnalogica>, NumeroSerie> letture;
    };

    const StoricoAnalogici &m_storico;
    const Storico *m_archivio = nullptr;
    mutable LettoDaArchivio m_letto;
    mutable std::array<SerieAndamento, NumeroSerie> m_serie;
    std::array<QColor, NumeroSerie> m_colori{};
    // The dense lines' layer, kept between paints.
    mutable QImage m_strato;
    std::array<bool, NumeroSerie> m_visibili{};
    std::array<QString, NumeroSerie> m_unita;
    qint64 m_durata = 600000;
    qint64 m_fine = 0;
    mutable bool m_daRicostruire = true;
    // The plot's width the columns were made for.
    mutable int m_larghezzaColonne = -1;
    bool m_sporco = true;
    QList<Asse> m_assi;
    // Room beside the plot for the axes.
    int m_margineSinistro = 0;
    int m_margineDestro = 0;
    // The widest labels each unit's axis has needed: an axis only grows, so a scale that
    // wavers does not keep changing the plot's width and with it every column.
    QHash<QString, int> m_larghezzeTesti;
    QList<QRect> m_rettangoliTempo;
    QStringList m_testiTempo;
};
