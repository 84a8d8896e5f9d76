#include "pages/andamento/FinestraAndamento.h"

#include "core/Gestore.h"
#include "core/Messaggi.h"
#include "pages/andamento/StoricoAnalogici.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kRitardoRidisegno = 200;
constexpr int kPassoScorrimento = 1000;

// One colour per input, far enough apart to tell eight lines apart.
const std::array<QColor, 8> kColori = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                                       QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                       QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                       QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};

QString nomeNumerato(const QString &radice, int n)
{
    return radice + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString testoIntervallo(int minuti)
{
    if (minuti < 60) {
        return QStringLiteral("%1 min").arg(minuti);
    }
    const int ore = minuti / 60;
    return ore == 1 ? QStringLiteral("1 ora") : QStringLiteral("%1 ore").arg(ore);
}

// The readings of [da, a) as points, thinned to the lowest and highest of each slice when
// there are more than `massimo`.
QList<QPointF> punti(const BufferLetture &letture, qsizetype da, qsizetype a, int massimo)
{
    QList<QPointF> esito;
    const qsizetype numero = a - da;
    const auto punto = [&](qsizetype i) {
        const Lettura &l = letture.at(i);
        return QPointF(static_cast<qreal>(l.ms), static_cast<qreal>(l.valore));
    };
    if (numero <= massimo) {
        esito.reserve(numero);
        for (qsizetype i = da; i < a; ++i) {
            esito.append(punto(i));
        }
        return esito;
    }
    const qsizetype fette = massimo / 2;
    esito.reserve(massimo);
    for (qsizetype f = 0; f < fette; ++f) {
        const qsizetype inizio = da + numero * f / fette;
        const qsizetype fine = da + numero * (f + 1) / fette;
        qsizetype basso = inizio;
        qsizetype alto = inizio;
        for (qsizetype i = inizio + 1; i < fine; ++i) {
            if (letture.at(i).valore < letture.at(basso).valore) {
                basso = i;
            }
            if (letture.at(i).valore > letture.at(alto).valore) {
                alto = i;
            }
        }
        esito.append(punto(std::min(basso, alto)));
        if (basso != alto) {
            esito.append(punto(std::max(basso, alto)));
        }
    }
    return esito;
}

} // namespace

FinestraAndamento::FinestraAndamento(StoricoAnalogici &storico, Messaggi &messaggi, QWidget *parent)
    : QWidget(parent, Qt::Window), m_storico(storico), m_messaggi(messaggi),
      m_orologio([] { return QDateTime::currentDateTime(); }),
      m_sceltaFile([this] { return sceltaFileDialogo(); })
{
    setObjectName(QStringLiteral("frmAndamento"));
    setWindowTitle(QStringLiteral("Andamento Ingressi Analogici"));

    auto *colonna = new QVBoxLayout(this);
    auto *barra = new QHBoxLayout;
    colonna->addLayout(barra);
    barra->addWidget(new QLabel(QStringLiteral("Intervallo:"), this));
    m_cbIntervallo = new QComboBox(this);
    m_cbIntervallo->setObjectName(QStringLiteral("cbIntervallo"));
    for (const int minuti : Minuti) {
        m_cbIntervallo->addItem(testoIntervallo(minuti), minuti);
    }
    m_cbIntervallo->setCurrentIndex(IndiceIniziale);
    barra->addWidget(m_cbIntervallo);
    barra->addStretch(1);
    m_sbEsportaCsv = new QPushButton(QStringLiteral("Esporta CSV..."), this);
    m_sbEsportaCsv->setObjectName(QStringLiteral("sbEsportaCsv"));
    barra->addWidget(m_sbEsportaCsv);

    auto *corpo = new QHBoxLayout;
    colonna->addLayout(corpo, 1);
    auto *caselle = new QVBoxLayout;
    corpo->addLayout(caselle);

    m_grafico = new QChart;
    m_grafico->legend()->hide();
    m_grafico->setMargins(QMargins(4, 4, 4, 4));
    m_asseTempo = new QDateTimeAxis(m_grafico);
    m_asseTempo->setTickCount(6);
    m_asseValori = new QValueAxis(m_grafico);
    m_asseValori->setLabelFormat(QStringLiteral("%g"));
    m_grafico->addAxis(m_asseTempo, Qt::AlignBottom);
    m_grafico->addAxis(m_asseValori, Qt::AlignLeft);

    for (int n = 1; n <= StoricoAnalogici::NumeroIngressi; ++n) {
        auto *serie = new QLineSeries(m_grafico);
        serie->setObjectName(nomeNumerato(QStringLiteral("seIA"), n));
        serie->setPen(QPen(kColori.at(n - 1), 2));
        m_grafico->addSeries(serie);
        serie->attachAxis(m_asseTempo);
        serie->attachAxis(m_asseValori);
        m_serie.at(n - 1) = serie;

        auto *casella = new QCheckBox(this);
        casella->setObjectName(nomeNumerato(QStringLiteral("cbIA"), n));
        casella->setChecked(true);
        QPixmap colore(12, 12);
        colore.fill(kColori.at(n - 1));
        casella->setIcon(QIcon(colore));
        caselle->addWidget(casella);
        m_caselle.at(n - 1) = casella;
        connect(casella, &QCheckBox::toggled, this, protetto(m_messaggi, [this, serie](bool su) {
                    serie->setVisible(su);
                    aggiorna();
                }));
    }
    caselle->addStretch(1);

    m_vista = new QChartView(m_grafico, this);
    m_vista->setObjectName(QStringLiteral("chAndamento"));
    m_vista->setRenderHint(QPainter::Antialiasing);
    m_vista->setMinimumSize(360, 240);
    corpo->addWidget(m_vista, 1);

    m_timerScorrimento = new QTimer(this);
    m_timerScorrimento->setInterval(kPassoScorrimento);
    m_timerRitardo = new QTimer(this);
    m_timerRitardo->setSingleShot(true);
    m_timerRitardo->setInterval(kRitardoRidisegno);
    connect(m_timerScorrimento, &QTimer::timeout, this,
            protetto(m_messaggi, [this] { aggiorna(); }));
    connect(m_timerRitardo, &QTimer::timeout, this, protetto(m_messaggi, [this] { aggiorna(); }));
    connect(&m_storico, &StoricoAnalogici::letturaAggiunta, this,
            &FinestraAndamento::letturaAggiunta);
    connect(m_cbIntervallo, &QComboBox::currentIndexChanged, this,
            protetto(m_messaggi, [this] { aggiorna(); }));
    connect(m_sbEsportaCsv, &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbEsportaCsvClick(); }));

    resize(760, 480);
    aggiorna();
}

void FinestraAndamento::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    aggiorna();
    m_timerScorrimento->start();
}

void FinestraAndamento::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timerScorrimento->stop();
    m_timerRitardo->stop();
}

void FinestraAndamento::letturaAggiunta()
{
    // A hidden window redraws when it is shown again.
    if (isVisible() && !m_timerRitardo->isActive()) {
        m_timerRitardo->start();
    }
}

void FinestraAndamento::aggiornaEtichette()
{
    for (int n = 1; n <= StoricoAnalogici::NumeroIngressi; ++n) {
        QString testo = m_storico.nome(n);
        if (testo.isEmpty()) {
            testo = QStringLiteral("IN %1").arg(n);
        }
        const QString unita = m_storico.unita(n);
        if (!unita.isEmpty()) {
            testo += QStringLiteral(" (%1)").arg(unita);
        }
        if (casella(n)->text() != testo) {
            casella(n)->setText(testo);
            serie(n)->setName(testo);
        }
    }
}

void FinestraAndamento::aggiorna()
{
    aggiornaEtichette();
    const qint64 durata = qint64(m_cbIntervallo->currentData().toInt()) * 60 * 1000;
    qint64 adesso = m_orologio().toMSecsSinceEpoch();
    for (int n = 1; n <= StoricoAnalogici::NumeroIngressi; ++n) {
        const BufferLetture &letture = m_storico.letture(n);
        if (!letture.isEmpty()) {
            adesso = std::max(adesso, letture.ultima().ms);
        }
    }
    const qint64 inizio = adesso - durata;

    qint64 minimo = std::numeric_limits<qint64>::max();
    qint64 massimo = std::numeric_limits<qint64>::min();
    QString unitaComune;
    bool unitaUniche = true;
    bool primaDisegnata = true;
    for (int n = 1; n <= StoricoAnalogici::NumeroIngressi; ++n) {
        const BufferLetture &letture = m_storico.letture(n);
        const bool visibile = casella(n)->isChecked();
        const QList<QPointF> elenco =
            visibile ? punti(letture, letture.primoDa(inizio), letture.size(), PuntiMassimi)
                     : QList<QPointF>();
        serie(n)->replace(elenco);
        // Only the lines drawn in the span stretch the axis and name its unit.
        if (elenco.isEmpty()) {
            continue;
        }
        for (const QPointF &p : elenco) {
            minimo = std::min(minimo, static_cast<qint64>(p.y()));
            massimo = std::max(massimo, static_cast<qint64>(p.y()));
        }
        const QString unita = m_storico.unita(n);
        if (primaDisegnata) {
            unitaComune = unita;
            primaDisegnata = false;
        } else if (unita != unitaComune) {
            unitaUniche = false;
        }
    }

    m_asseTempo->setFormat(durata <= 10LL * 60 * 1000     ? QStringLiteral("HH:mm:ss")
                           : durata <= 12LL * 3600 * 1000 ? QStringLiteral("HH:mm")
                                                          : QStringLiteral("dd/MM HH:mm"));
    m_asseTempo->setRange(QDateTime::fromMSecsSinceEpoch(inizio),
                          QDateTime::fromMSecsSinceEpoch(adesso));
    if (minimo > massimo) {
        m_asseValori->setRange(0, 100);
    } else {
        // Whole steps of 1, 2 or 5 times a power of ten, about six of them; a flat line sits
        // in the middle of the plot, not on its edge.
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
        m_asseValori->setRange(basso, alto);
        m_asseValori->setTickCount(int(std::lround((alto - basso) / passo)) + 1);
    }
    m_asseValori->setTitleText(unitaUniche ? unitaComune : QString());
}

QString FinestraAndamento::sceltaFileDialogo()
{
    const QString proposta = QDir::home().filePath(
        QStringLiteral("ingressi-analogici-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    return QFileDialog::getSaveFileName(this, QStringLiteral("Esporta CSV"), proposta,
                                        QStringLiteral("File CSV (*.csv)"));
}

void FinestraAndamento::sbEsportaCsvClick()
{
    const QString percorso = m_sceltaFile();
    if (percorso.isEmpty()) {
        return;
    }
    QString errore;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const qint64 scritte = m_storico.esportaCsv(percorso, &errore);
    QApplication::restoreOverrideCursor();
    if (scritte < 0) {
        m_messaggi.avviso(QStringLiteral("Esportazione non riuscita: %1").arg(errore));
        return;
    }
    m_messaggi.messaggio(QStringLiteral("Esportate %1 letture in %2")
                             .arg(scritte)
                             .arg(QDir::toNativeSeparators(percorso)));
}
