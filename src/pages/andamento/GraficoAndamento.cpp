#include "pages/andamento/GraficoAndamento.h"

#include "pages/andamento/StoricoAnalogici.h"

#include <QDateTime>
#include <QPainter>
#include <QPolygon>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kSecondo = 1000;
constexpr qint64 kMinuto = 60 * kSecondo;
constexpr qint64 kOra = 60 * kMinuto;
// Steps of the time scale: each a whole part of the next, so the ticks fall on round times.
constexpr std::array<qint64, 18> kPassiTempo = {
    kSecondo, 2 * kSecondo, 5 * kSecondo, 10 * kSecondo, 15 * kSecondo, 30 * kSecondo,
    kMinuto,  2 * kMinuto,  5 * kMinuto,  10 * kMinuto,  15 * kMinuto,  30 * kMinuto,
    kOra,     2 * kOra,     3 * kOra,     6 * kOra,      12 * kOra,     24 * kOra};
// Room between two time labels.
constexpr int kSpazioEtichette = 16;
// Past this many points per pixel of width a line is dense: thin and without antialiasing.
constexpr double kPuntiPerPixelDensi = 0.125;

// Leaves the right amount of room at the left for value labels of up to seven characters.
const QString kEtichettaLarga = QStringLiteral("-000000");

} // namespace

GraficoAndamento::GraficoAndamento(const StoricoAnalogici &storico, QWidget *parent)
    : QWidget(parent), m_storico(storico)
{
    m_visibili.fill(true);
    m_colori.fill(Qt::black);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(360, 240);
}

QRect GraficoAndamento::areaDati() const
{
    const QFontMetrics misure = fontMetrics();
    const int altezza = misure.height();
    // The unit's title, turned upright, then the value labels.
    const int sinistra = altezza + 4 + misure.horizontalAdvance(kEtichettaLarga) + 8;
    return rect().adjusted(sinistra, altezza / 2 + 4, -10, -(altezza + 8));
}

qint64 GraficoAndamento::periodoColonna() const
{
    const qint64 larghezza = std::max(areaDati().width(), 1);
    return std::max<qint64>((m_durata + larghezza - 1) / larghezza, 1);
}

QString GraficoAndamento::formatoTempo() const
{
    return m_durata <= 10 * kMinuto ? QStringLiteral("HH:mm:ss")
           : m_durata <= 12 * kOra  ? QStringLiteral("HH:mm")
                                    : QStringLiteral("dd/MM HH:mm");
}

const SerieAndamento &GraficoAndamento::serie(int n) const
{
    prepara();
    return m_serie.at(n - 1);
}

void GraficoAndamento::setVisibile(int n, bool visibile)
{
    m_visibili.at(n - 1) = visibile;
    m_sporco = true;
    update();
}

void GraficoAndamento::setTitoloValori(const QString &titolo)
{
    if (titolo != m_titoloValori) {
        m_titoloValori = titolo;
        m_sporco = true;
    }
}

void GraficoAndamento::setDurata(qint64 ms)
{
    if (ms != m_durata) {
        m_durata = ms;
        ricostruisci();
    }
}

void GraficoAndamento::ricostruisci()
{
    m_daRicostruire = true;
    m_sporco = true;
    update();
}

bool GraficoAndamento::setFine(qint64 ms)
{
    if (ms == m_fine) {
        return m_sporco;
    }
    if (ms < m_fine) {
        // The clock was set back: the columns start over from there.
        m_fine = ms;
        ricostruisci();
        return true;
    }
    m_fine = ms;
    if (m_daRicostruire) {
        return true;
    }
    bool mosse = false;
    for (SerieAndamento &s : m_serie) {
        mosse = s.scorri(ms) || mosse;
    }
    m_sporco = m_sporco || mosse;
    return m_sporco;
}

void GraficoAndamento::letturaAggiunta(int n)
{
    const BufferLetture &letture = m_storico.letture(n);
    if (letture.isEmpty()) {
        return;
    }
    const Lettura &ultima = letture.ultima();
    // A reading ahead of the span moves the span with it.
    if (ultima.ms > m_fine) {
        setFine(ultima.ms);
    }
    if (!m_daRicostruire) {
        m_serie.at(n - 1).aggiungi(ultima.ms, ultima.valore, letture.dopoPausa(letture.size() - 1));
    }
    m_sporco = true;
}

void GraficoAndamento::prepara() const
{
    if (!m_daRicostruire) {
        return;
    }
    const qint64 periodo = periodoColonna();
    // The span plus the part column at each end.
    const int colonne = int((m_durata + periodo - 1) / periodo) + 1;
    for (int n = 1; n <= NumeroSerie; ++n) {
        SerieAndamento &s = m_serie.at(n - 1);
        s.imposta(periodo, colonne);
        s.scorri(m_fine);
        s.riempi(m_storico.letture(n));
    }
    m_daRicostruire = false;
}

void GraficoAndamento::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (event->size().width() != event->oldSize().width()) {
        // The column width follows the plot's.
        m_daRicostruire = true;
    }
    m_sporco = true;
}

void GraficoAndamento::calcolaScala()
{
    qint64 minimo = 0;
    qint64 massimo = 0;
    bool trovati = false;
    for (int n = 1; n <= NumeroSerie; ++n) {
        qint64 basso = 0;
        qint64 alto = 0;
        if (m_visibili.at(n - 1) && m_serie.at(n - 1).estremi(basso, alto)) {
            minimo = trovati ? std::min(minimo, basso) : basso;
            massimo = trovati ? std::max(massimo, alto) : alto;
            trovati = true;
        }
    }
    if (!trovati) {
        m_scalaBassa = 0;
        m_scalaAlta = 100;
        m_passoScala = 20;
        return;
    }
    // Whole steps of 1, 2 or 5 times a power of ten, about six of them; a flat line sits in
    // the middle of the plot, not on its edge.
    const double ampiezza = std::max<double>(double(massimo - minimo), 4.0);
    const double grezzo = ampiezza / 6.0;
    const double potenza = std::pow(10.0, std::floor(std::log10(grezzo)));
    const double frazione = grezzo / potenza;
    const double passo = potenza * (frazione <= 1.0   ? 1.0
                                    : frazione <= 2.0 ? 2.0
                                    : frazione <= 5.0 ? 5.0
                                                      : 10.0);
    double basso = std::floor(double(minimo) / passo) * passo;
    double alto = std::ceil(double(massimo) / passo) * passo;
    if (basso == double(minimo)) {
        basso -= passo;
    }
    if (alto == double(massimo)) {
        alto += passo;
    }
    m_scalaBassa = basso;
    m_scalaAlta = alto;
    m_passoScala = passo;
}

void GraficoAndamento::paintEvent(QPaintEvent *)
{
    prepara();
    calcolaScala();
    QPainter pittore(this);
    pittore.fillRect(rect(), palette().window());
    const QRect area = areaDati();
    pittore.fillRect(area, Qt::white);
    disegnaValori(pittore, area);
    disegnaTempo(pittore, area);
    pittore.setClipRect(area);
    for (int n = 1; n <= NumeroSerie; ++n) {
        if (m_visibili.at(n - 1)) {
            disegnaSerie(pittore, area, n);
        }
    }
    pittore.setClipping(false);
    pittore.setPen(palette().color(QPalette::Mid));
    pittore.drawRect(area.adjusted(0, 0, -1, -1));
    m_sporco = false;
}

void GraficoAndamento::disegnaValori(QPainter &pittore, const QRect &area)
{
    const QFontMetrics misure = fontMetrics();
    const int passi = int(std::lround((m_scalaAlta - m_scalaBassa) / m_passoScala));
    const QColor griglia(0xe4, 0xe4, 0xe4);
    for (int i = 0; i <= passi; ++i) {
        const double valore = m_scalaBassa + i * m_passoScala;
        const int y =
            area.bottom() - int(std::lround(double(area.height() - 1) * i / std::max(passi, 1)));
        pittore.setPen(griglia);
        pittore.drawLine(area.left(), y, area.right(), y);
        pittore.setPen(palette().color(QPalette::WindowText));
        const QRect posto(0, y - misure.height() / 2, area.left() - 6, misure.height());
        pittore.drawText(posto, Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(qint64(std::llround(valore))));
    }
    if (!m_titoloValori.isEmpty()) {
        pittore.save();
        pittore.translate(2, area.center().y());
        pittore.rotate(-90);
        const QRect posto(-area.height() / 2, 0, area.height(), misure.height());
        pittore.drawText(posto, Qt::AlignCenter,
                         misure.elidedText(m_titoloValori, Qt::ElideRight, area.height()));
        pittore.restore();
    }
}

void GraficoAndamento::disegnaTempo(QPainter &pittore, const QRect &area)
{
    const QFontMetrics misure = fontMetrics();
    const QString formato = formatoTempo();
    const qint64 inizio = m_fine - m_durata;
    // The widest label there can be, so none is cut off or overlaps the next.
    const int larghezza = misure.horizontalAdvance(
        QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)).toString(formato));
    const double pixelPerMs = double(area.width()) / double(m_durata);
    qint64 passo = kPassiTempo.back();
    for (const qint64 p : kPassiTempo) {
        if (double(p) * pixelPerMs >= larghezza + kSpazioEtichette) {
            passo = p;
            break;
        }
    }
    // Round local times: the offset from UTC of the span's start.
    const qint64 scarto = qint64(QDateTime::fromMSecsSinceEpoch(inizio).offsetFromUtc()) * kSecondo;
    const qint64 locale = inizio + scarto;
    qint64 tacca =
        (locale >= 0 ? (locale + passo - 1) / passo : -((-locale) / passo)) * passo - scarto;
    m_rettangoliTempo.clear();
    m_testiTempo.clear();
    const QColor griglia(0xe4, 0xe4, 0xe4);
    for (; tacca <= m_fine; tacca += passo) {
        const int x = area.left() + int(std::lround(double(tacca - inizio) * pixelPerMs));
        pittore.setPen(griglia);
        pittore.drawLine(x, area.top(), x, area.bottom());
        const QString testo = QDateTime::fromMSecsSinceEpoch(tacca).toString(formato);
        QRect posto(x - larghezza / 2, area.bottom() + 4, larghezza, misure.height());
        // The first and last stay inside the widget.
        posto.moveLeft(std::clamp(posto.left(), 0, width() - larghezza));
        pittore.setPen(palette().color(QPalette::WindowText));
        pittore.drawText(posto, Qt::AlignCenter, testo);
        m_rettangoliTempo.append(posto);
        m_testiTempo.append(testo);
    }
}

void GraficoAndamento::disegnaSerie(QPainter &pittore, const QRect &area, int n) const
{
    const SerieAndamento &s = m_serie.at(n - 1);
    const QList<QPointF> &punti = s.points();
    if (punti.isEmpty()) {
        return;
    }
    const qint64 inizio = m_fine - m_durata;
    const double scalaX = double(area.width()) / double(m_durata);
    const double scalaY = double(area.height() - 1) / (m_scalaAlta - m_scalaBassa);
    const auto pixel = [&](const QPointF &p) {
        return QPoint(area.left() + int(std::lround((p.x() - double(inizio)) * scalaX)),
                      area.bottom() - int(std::lround((p.y() - m_scalaBassa) * scalaY)));
    };
    // Many points per pixel: a thin aliased line costs a fraction of a smooth one and looks
    // the same; few: a smooth, thicker one.
    const bool densa = double(punti.size()) > kPuntiPerPixelDensi * area.width();
    pittore.setRenderHint(QPainter::Antialiasing, !densa);
    pittore.setPen(QPen(m_colori.at(n - 1), densa ? 1 : 2));
    pittore.setBrush(m_colori.at(n - 1));
    const QList<qsizetype> &interruzioni = s.interruzioni();
    QPolygon tratto;
    tratto.reserve(punti.size());
    qsizetype da = 0;
    for (qsizetype t = 0; t <= interruzioni.size(); ++t) {
        const qsizetype a = t < interruzioni.size() ? interruzioni.at(t) : punti.size();
        tratto.clear();
        for (qsizetype i = da; i < a; ++i) {
            const QPoint p = pixel(punti.at(i));
            if (tratto.isEmpty() || tratto.constLast() != p) {
                tratto.append(p);
            }
        }
        if (tratto.size() == 1) {
            // A lone reading: a dot.
            pittore.drawEllipse(tratto.first(), 2, 2);
        } else {
            pittore.drawPolyline(tratto);
        }
        da = a;
    }
    pittore.setBrush(Qt::NoBrush);
    pittore.setRenderHint(QPainter::Antialiasing, false);
}
