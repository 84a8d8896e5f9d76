#include "pages/andamento/GraficoAndamento.h"

#include "pages/andamento/StoricoAnalogici.h"
#include "storico/Storico.h"

#include <QDateTime>
#include <QPainter>
#include <QPolygon>
#include <QResizeEvent>

#include <algorithm>
#include <limits>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr qint64 kSecondo = 1000;
constexpr qint64 kMinuto = 60 * kSecondo;
constexpr qint64 kOra = 60 * kMinuto;
// Steps of the time scale: each a whole part of the next, so the ticks fall on round times.
constexpr qint64 kGiorno = 24 * kOra;
constexpr std::array<qint64, 22> kPassiTempo = {
    kSecondo, 2 * kSecondo, 5 * kSecondo, 10 * kSecondo, 15 * kSecondo, 30 * kSecondo,
    kMinuto,  2 * kMinuto,  5 * kMinuto,  10 * kMinuto,  15 * kMinuto,  30 * kMinuto,
    kOra,     2 * kOra,     3 * kOra,     6 * kOra,      12 * kOra,     kGiorno,
    2 * kGiorno, 7 * kGiorno, 14 * kGiorno, 28 * kGiorno};
// Room between two time labels.
constexpr int kSpazioEtichette = 16;
// Past this many points per pixel of width a line is dense: thin and without antialiasing.
constexpr double kPuntiPerPixelDensi = 0.125;

// Every axis has room for labels of at least four digits, so the usual scales never change
// the plot's width.
const QString kEtichettaMinima = QStringLiteral("0000");
// The title of the axis of inputs without a unit.
const QString kSenzaUnita = QStringLiteral("\u2014");
// From an axis line to its labels (a tick, then a blank); between two axes; at the widget's edges.
constexpr int kTacca = 4;
constexpr int kDistanzaTesti = 7;
constexpr int kTraAssi = 8;
constexpr int kBordo = 2;
// The right edge's room when no axis stands there.
constexpr int kMargineDestroVuoto = 10;

QString testoValore(double valore)
{
    return QString::number(qint64(std::llround(valore)));
}

int numeroPassi(const GraficoAndamento::Scala &scala)
{
    return std::max(int(std::lround((scala.alto - scala.basso) / scala.passo)), 1);
}

} // namespace

GraficoAndamento::GraficoAndamento(const StoricoAnalogici &storico, QWidget *parent)
    : QWidget(parent), m_storico(storico)
{
    m_visibili.fill(true);
    m_colori.fill(Qt::black);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(360, 240);
    disponiAssi();
}

QRect GraficoAndamento::areaDati() const
{
    const int altezza = fontMetrics().height();
    // Above: the axes' titles, then half the top value label; below: half the bottom value
    // label, then the times.
    return rect().adjusted(m_margineSinistro, altezza + altezza / 2 + 4, -m_margineDestro,
                           -(altezza + altezza / 2 + 6));
}

qint64 GraficoAndamento::periodoColonna() const
{
    const qint64 larghezza = std::max(areaDati().width(), 1);
    return std::max<qint64>((m_durata + larghezza - 1) / larghezza, 1);
}

QString GraficoAndamento::formatoTempo() const
{
    return m_durata <= 10 * kMinuto  ? QStringLiteral("HH:mm:ss")
           : m_durata <= 12 * kOra   ? QStringLiteral("HH:mm")
           : m_durata <= 2 * kGiorno ? QStringLiteral("dd/MM HH:mm")
           : m_durata <= 60 * kGiorno ? QStringLiteral("dd/MM")
                                      : QStringLiteral("dd/MM/yy");
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

void GraficoAndamento::setUnita(int n, const QString &unita)
{
    if (unita != m_unita.at(n - 1)) {
        m_unita.at(n - 1) = unita;
        m_sporco = true;
        update();
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
    // Asked for: the history is read again too.
    m_letto = LettoDaArchivio();
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

bool GraficoAndamento::prepara() const
{
    const int larghezza = areaDati().width();
    if (!m_daRicostruire && larghezza == m_larghezzaColonne) {
        return false;
    }
    const qint64 periodo = periodoColonna();
    // The span plus the part column at each end.
    const int colonne = int((m_durata + periodo - 1) / periodo) + 1;
    for (int n = 1; n <= NumeroSerie; ++n) {
        SerieAndamento &s = m_serie.at(n - 1);
        s.imposta(periodo, colonne);
        s.scorri(m_fine);
    }
    std::array<qint64, NumeroSerie> ultimi;
    ultimi.fill(std::numeric_limits<qint64>::min());
    if (m_archivio) {
        riempiDaArchivio();
    }
    for (int n = 1; n <= NumeroSerie; ++n) {
        // What the history holds already, the kept readings do not add again.
        const QList<QPointF> &gia = m_archivio ? m_serie.at(n - 1).points() : QList<QPointF>();
        const qint64 ultimo = gia.isEmpty() ? std::numeric_limits<qint64>::min()
                                            : qint64(gia.constLast().x());
        m_serie.at(n - 1).riempi(m_storico.letture(n), ultimo);
    }
    m_daRicostruire = false;
    m_larghezzaColonne = larghezza;
    return true;
}

void GraficoAndamento::setArchivio(const Storico *archivio)
{
    m_archivio = archivio;
    m_letto = LettoDaArchivio();
    ricostruisci();
}

void GraficoAndamento::riempiDaArchivio() const
{
    const qint64 periodo = periodoColonna();
    // The longest rollup no longer than a column, or a tenth longer: a month at the usual
    // width has columns of 58 minutes, and hours read a sixth of the rows ten minutes would;
    // raw readings below a minute a column.
    int riassunto = 0;
    for (const int minuti : ScrittoreStorico::PeriodiRiassunti) {
        if (minuti * kMinuto * 10 <= periodo * 11) {
            riassunto = minuti;
        }
    }
    if (m_letto.riassunto != riassunto || m_letto.fine != m_fine || m_letto.durata != m_durata) {
        // Whatever width the plot settles at, its part columns at the start fall in here.
        const qint64 da = m_fine - m_durata - m_durata / 50 - riassunto * kMinuto;
        const qint64 a = m_fine + 1;
        m_letto = LettoDaArchivio{riassunto, m_fine, m_durata, {}, {}};
        if (riassunto == 0) {
            for (int n = 1; n <= NumeroSerie; ++n) {
                m_letto.letture.at(n - 1) = m_archivio->letture(n, da, a);
            }
        } else {
            m_letto.riassunti = m_archivio->riassunti(riassunto, da, a);
        }
    }
    // Pauses by the same rule as the kept readings: more than three usual intervals.
    std::array<BufferLetture, NumeroSerie> pause = {
        BufferLetture(2, 0), BufferLetture(2, 0), BufferLetture(2, 0), BufferLetture(2, 0),
        BufferLetture(2, 0), BufferLetture(2, 0), BufferLetture(2, 0), BufferLetture(2, 0)};
    const auto pausa = [&](int n, qint64 ms) {
        BufferLetture &b = pause.at(n - 1);
        b.aggiungi(ms, 0);
        return b.dopoPausa(b.size() - 1);
    };
    if (riassunto == 0) {
        for (int n = 1; n <= NumeroSerie; ++n) {
            for (const LetturaAnalogica &l : std::as_const(m_letto.letture.at(n - 1))) {
                m_serie.at(n - 1).aggiungi(l.ms, l.valore, pausa(n, l.ms));
            }
        }
        return;
    }
    const qint64 durata = riassunto * kMinuto;
    for (const Storico::Riassunto &r : std::as_const(m_letto.riassunti)) {
        if (r.ingresso < 1 || r.ingresso > NumeroSerie) {
            continue;
        }
        SerieAndamento &s = m_serie.at(r.ingresso - 1);
        const bool dopoPausa = pausa(r.ingresso, r.inizioMs);
        // The period's lowest and highest, inside it; which came first the rollup does not say.
        s.aggiungi(r.inizioMs + durata / 4, r.minimo, dopoPausa);
        s.aggiungi(r.inizioMs + durata * 3 / 4, r.massimo, false);
    }
}

QList<qreal> GraficoAndamento::tratteggio(int n)
{
    // In units of the pen's width; inputs 1 and 5 solid, the others each their own.
    static const std::array<QList<qreal>, NumeroSerie> kTratti = {
        QList<qreal>{},     QList<qreal>{6, 3},    QList<qreal>{2, 2},    QList<qreal>{8, 3, 2, 3},
        QList<qreal>{},     QList<qreal>{4, 4},    QList<qreal>{1, 3},    QList<qreal>{10, 4}};
    return n >= 1 && n <= NumeroSerie ? kTratti.at(size_t(n - 1)) : QList<qreal>();
}

void GraficoAndamento::resizeEvent(QResizeEvent *event)
{
    // The columns follow the plot's width at their next use.
    QWidget::resizeEvent(event);
    m_sporco = true;
}

GraficoAndamento::Scala GraficoAndamento::scalaPer(qint64 minimo, qint64 massimo)
{
    // A flat line sits in the middle of the plot, not on its edge.
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
    return {basso, alto, passo};
}

void GraficoAndamento::disponiAssi()
{
    // While the columns wait to be made, the kept readings tell which lines the span holds,
    // so that the columns are made once, for the width left beside those lines' axes; the
    // scales wait for the columns.
    const bool daLetture = m_daRicostruire || areaDati().width() != m_larghezzaColonne;
    const qint64 inizio = m_fine - m_durata - periodoColonna();
    // One axis per unit among the lines drawn, in the order of their first input.
    QList<Asse> assi;
    std::vector<std::pair<qint64, qint64>> estremi;
    for (int n = 1; n <= NumeroSerie; ++n) {
        qint64 basso = 0;
        qint64 alto = 0;
        if (!m_visibili.at(n - 1)) {
            continue;
        }
        if (daLetture) {
            const BufferLetture &letture = m_storico.letture(n);
            if (letture.isEmpty() || letture.ultima().ms < inizio) {
                continue;
            }
        } else if (!m_serie.at(n - 1).estremi(basso, alto)) {
            continue;
        }
        const QString &unita = m_unita.at(n - 1);
        const QString titolo = unita.isEmpty() ? kSenzaUnita : unita;
        const auto stesso = std::find_if(assi.cbegin(), assi.cend(),
                                         [&](const Asse &a) { return a.titolo == titolo; });
        if (stesso == assi.cend()) {
            Asse asse;
            asse.titolo = titolo;
            asse.ingressi = {n};
            assi.append(asse);
            estremi.emplace_back(basso, alto);
        } else {
            const auto i = stesso - assi.cbegin();
            assi[i].ingressi.append(n);
            auto &[minimo, massimo] = estremi[size_t(i)];
            minimo = std::min(minimo, basso);
            massimo = std::max(massimo, alto);
        }
    }
    // Nothing drawn: an empty plot with a plain scale.
    if (assi.isEmpty()) {
        assi.append(Asse());
    }

    const QFontMetrics misure = fontMetrics();
    const int minima = misure.horizontalAdvance(kEtichettaMinima);
    int sinistra = kBordo - kTraAssi;
    int destra = kBordo - kTraAssi;
    for (qsizetype i = 0; i < assi.size(); ++i) {
        Asse &asse = assi[i];
        if (!daLetture && i < qsizetype(estremi.size())) {
            asse.scala = scalaPer(estremi[size_t(i)].first, estremi[size_t(i)].second);
        }
        int larghezza = std::max(minima, misure.horizontalAdvance(asse.titolo));
        const int passi = numeroPassi(asse.scala);
        for (int p = 0; p <= passi; ++p) {
            const QString testo = testoValore(asse.scala.basso + p * asse.scala.passo);
            larghezza = std::max(larghezza, misure.horizontalAdvance(testo));
        }
        int &tenuta = m_larghezzeTesti[asse.titolo];
        tenuta = std::max(tenuta, larghezza);
        asse.larghezzaTesti = tenuta;
        asse.destra = i % 2 == 1;
        (asse.destra ? destra : sinistra) += kTraAssi + kDistanzaTesti + tenuta;
    }
    m_margineSinistro = sinistra;
    m_margineDestro = assi.size() > 1 ? destra : kMargineDestroVuoto;
    m_assi = assi;
}

void GraficoAndamento::paintEvent(QPaintEvent *)
{
    disponiAssi();
    // Axes that came, went or grew change the plot's width, and the columns follow it; a
    // second time only for labels wider than their axis had room for.
    for (int volta = 0; volta < 2 && prepara(); ++volta) {
        disponiAssi();
    }
    QPainter pittore(this);
    pittore.fillRect(rect(), palette().window());
    const QRect area = areaDati();
    pittore.fillRect(area, Qt::white);
    disegnaAssi(pittore, area);
    disegnaTempo(pittore, area);
    pittore.setClipRect(area);
    Densi densi;
    for (const Asse &asse : std::as_const(m_assi)) {
        for (const int n : asse.ingressi) {
            // Lines on one axis may lie on the same values: each but the first its own dashes.
            disegnaSerie(pittore, area, n, asse.scala, asse.ingressi.size() > 1, densi);
        }
    }
    if (densi.strato) {
        pittore.drawImage(area.topLeft(), *densi.strato);
    }
    pittore.setRenderHint(QPainter::Antialiasing, false);
    for (const auto &[penna, salti] : std::as_const(densi.salti)) {
        pittore.setPen(penna);
        pittore.drawLines(salti);
    }
    for (const auto &[colore, punto] : std::as_const(densi.soli)) {
        // A lone reading: a dot.
        pittore.setPen(QPen(colore, 1));
        pittore.setBrush(colore);
        pittore.drawEllipse(punto, 2, 2);
    }
    pittore.setBrush(Qt::NoBrush);
    pittore.setClipping(false);
    pittore.setPen(palette().color(QPalette::Mid));
    pittore.drawRect(area.adjusted(0, 0, -1, -1));
    m_sporco = false;
}

void GraficoAndamento::disegnaAssi(QPainter &pittore, const QRect &area)
{
    const QFontMetrics misure = fontMetrics();
    const int altezza = misure.height();
    const QColor griglia(0xe4, 0xe4, 0xe4);
    const QColor linea = palette().color(QPalette::Mid);
    const QColor testo = palette().color(QPalette::WindowText);
    // Where the next axis on each side stands: the first ones on the plot's edges.
    int aSinistra = area.left();
    int aDestra = area.right();
    for (qsizetype i = 0; i < m_assi.size(); ++i) {
        Asse &asse = m_assi[i];
        const int verso = asse.destra ? 1 : -1;
        int &posto = asse.destra ? aDestra : aSinistra;
        asse.x = posto;
        posto += verso * (kDistanzaTesti + asse.larghezzaTesti + kTraAssi);
        // Labels and title beside the line, away from the plot.
        const int testiDa = asse.destra ? asse.x + kDistanzaTesti
                                        : asse.x - kDistanzaTesti - asse.larghezzaTesti + 1;
        const Qt::Alignment allineamento = asse.destra ? Qt::AlignLeft : Qt::AlignRight;

        const int passi = numeroPassi(asse.scala);
        asse.rettangoli.clear();
        asse.testi.clear();
        for (int p = 0; p <= passi; ++p) {
            const int y = area.bottom() - int(std::lround(double(area.height() - 1) * p / passi));
            if (i == 0) {
                pittore.setPen(griglia);
                pittore.drawLine(area.left(), y, area.right(), y);
            }
            pittore.setPen(linea);
            pittore.drawLine(asse.x + verso, y, asse.x + verso * kTacca, y);
            const QRect rettangolo(testiDa, y - altezza / 2, asse.larghezzaTesti, altezza);
            const QString valore = testoValore(asse.scala.basso + p * asse.scala.passo);
            pittore.setPen(testo);
            pittore.drawText(rettangolo, allineamento | Qt::AlignVCenter, valore);
            asse.rettangoli.append(rettangolo);
            asse.testi.append(valore);
        }
        if (asse.x != area.left() && asse.x != area.right()) {
            pittore.setPen(linea);
            pittore.drawLine(asse.x, area.top(), asse.x, area.bottom());
        }
        asse.rettangoloTitolo =
            QRect(testiDa, area.top() - altezza / 2 - 2 - altezza, asse.larghezzaTesti, altezza);
        pittore.setPen(testo);
        pittore.drawText(asse.rettangoloTitolo, allineamento | Qt::AlignVCenter, asse.titolo);
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
        QRect posto(x - larghezza / 2, area.bottom() + misure.height() / 2 + 4, larghezza,
                    misure.height());
        // The first and last stay inside the widget; one pushed onto the one before takes its
        // place, the newest time being the one worth reading.
        posto.moveLeft(std::clamp(posto.left(), 0, width() - larghezza));
        if (!m_rettangoliTempo.isEmpty() &&
            posto.left() < m_rettangoliTempo.constLast().right() + kSpazioEtichette / 2) {
            m_rettangoliTempo.removeLast();
            m_testiTempo.removeLast();
        }
        m_rettangoliTempo.append(posto);
        m_testiTempo.append(testo);
    }
    pittore.setPen(palette().color(QPalette::WindowText));
    for (qsizetype i = 0; i < m_rettangoliTempo.size(); ++i) {
        pittore.drawText(m_rettangoliTempo.at(i), Qt::AlignCenter, m_testiTempo.at(i));
    }
}

void GraficoAndamento::disegnaSerie(QPainter &pittore, const QRect &area, int n,
                                    const Scala &scala, bool tratteggiata, Densi &densi) const
{
    const SerieAndamento &s = m_serie.at(n - 1);
    const QList<QPointF> &punti = s.points();
    if (punti.isEmpty()) {
        return;
    }
    const qint64 inizio = m_fine - m_durata;
    const double scalaX = double(area.width()) / double(m_durata);
    const double scalaY = double(area.height() - 1) / (scala.alto - scala.basso);
    const auto pixel = [&](const QPointF &p) {
        return QPoint(area.left() + int(std::lround((p.x() - double(inizio)) * scalaX)),
                      area.bottom() - int(std::lround((p.y() - scala.basso) * scalaY)));
    };
    // Many points per pixel: a thin aliased line costs a fraction of a smooth one and looks
    // the same; few: a smooth, thicker one.
    const bool densa = double(punti.size()) > kPuntiPerPixelDensi * area.width();
    const QList<qreal> tratti = tratteggiata ? tratteggio(n) : QList<qreal>();
    const QList<qsizetype> &interruzioni = s.interruzioni();
    if (densa) {
        disegnaDensa(area, punti, interruzioni, pixel, m_colori.at(n - 1), tratti, densi);
        return;
    }
    pittore.setRenderHint(QPainter::Antialiasing, true);
    QPen penna(m_colori.at(n - 1), 2);
    if (!tratti.isEmpty()) {
        penna.setDashPattern(tratti);
    }
    pittore.setPen(penna);
    pittore.setBrush(m_colori.at(n - 1));
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

void GraficoAndamento::disegnaDensa(const QRect &area, const QList<QPointF> &punti,
                                    const QList<qsizetype> &interruzioni,
                                    const std::function<QPoint(const QPointF &)> &pixel,
                                    const QColor &colore, const QList<qreal> &tratti,
                                    Densi &densi) const
{
    // What a one-pixel aliased line through the points leaves, a pixel column at a time:
    // each column from its lowest to its highest point and to the last point of the column
    // before; a jump over empty columns is a line. Written straight into the layer's pixels:
    // a painter would fill each row of a one-pixel column as a span of its own. Dashes skip
    // whole columns, by the same pattern along the width.
    if (!densi.strato) {
        if (m_strato.size() != area.size()) {
            m_strato = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        }
        m_strato.fill(Qt::transparent);
        densi.strato = &m_strato;
    }
    QImage &strato = *densi.strato;
    uchar *const pixelStrato = strato.bits();
    const qsizetype riga = strato.bytesPerLine();
    const quint32 argb = colore.rgb(); // opaque: premultiplied as it is
    qreal periodo = 0;
    for (const qreal t : tratti) {
        periodo += t;
    }
    const auto inTratto = [&](int x) {
        if (periodo <= 0) {
            return true;
        }
        qreal resto = std::fmod(qreal(x), periodo);
        for (qsizetype i = 0; i < tratti.size(); ++i) {
            if (resto < tratti.at(i)) {
                return i % 2 == 0;
            }
            resto -= tratti.at(i);
        }
        return true;
    };
    const auto chiudi = [&](int x, int alto, int basso) {
        x -= area.left();
        if (x < 0 || x >= strato.width() || !inTratto(x)) {
            return;
        }
        const int da = std::max(alto - area.top(), 0);
        const int a = std::min(basso - area.top(), strato.height() - 1);
        for (int y = da; y <= a; ++y) {
            reinterpret_cast<quint32 *>(pixelStrato + y * riga)[x] = argb;
        }
    };
    QList<QLine> salti;
    qsizetype da = 0;
    for (qsizetype t = 0; t <= interruzioni.size(); ++t) {
        const qsizetype a = t < interruzioni.size() ? interruzioni.at(t) : punti.size();
        if (da >= a) {
            continue;
        }
        QPoint prima = pixel(punti.at(da));
        int x = prima.x();
        int alto = prima.y();
        int basso = prima.y();
        bool solo = true;
        for (qsizetype i = da + 1; i < a; ++i) {
            const QPoint p = pixel(punti.at(i));
            solo = solo && p == prima;
            if (p.x() == x) {
                alto = std::min(alto, p.y());
                basso = std::max(basso, p.y());
            } else {
                chiudi(x, alto, basso);
                if (p.x() == x + 1) {
                    alto = std::min(p.y(), prima.y());
                    basso = std::max(p.y(), prima.y());
                } else {
                    salti.append(QLine(prima, p));
                    alto = basso = p.y();
                }
                x = p.x();
            }
            prima = p;
        }
        if (solo) {
            densi.soli.append({colore, prima});
        } else {
            chiudi(x, alto, basso);
        }
        da = a;
    }
    if (!salti.isEmpty()) {
        QPen penna(colore, 1);
        if (!tratti.isEmpty()) {
            penna.setDashPattern(tratti);
        }
        densi.salti.append({penna, salti});
    }
}
