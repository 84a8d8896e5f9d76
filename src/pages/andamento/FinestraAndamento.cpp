#include "pages/andamento/FinestraAndamento.h"

#include "core/Gestore.h"
#include "core/Messaggi.h"
#include "pages/andamento/StoricoAnalogici.h"

#include "pages/andamento/EsportaArchivio.h"
#include "pages/andamento/GraficoAndamento.h"
#include "pages/widgets/SceltaFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPainter>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

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
    if (minuti >= 365 * 1440) {
        return QStringLiteral("1 anno");
    }
    if (minuti > 1440) {
        return QStringLiteral("%1 giorni").arg(minuti / 1440);
    }
    const int ore = minuti / 60;
    return ore == 1 ? QStringLiteral("1 ora") : QStringLiteral("%1 ore").arg(ore);
}

// The line as the plot draws it, colour and dashes, for the box that shows or hides it.
QPixmap campione(int n, const QColor &colore)
{
    QPixmap immagine(24, 12);
    immagine.fill(Qt::transparent);
    QPainter pittore(&immagine);
    QPen penna(colore, 2);
    const QList<qreal> tratti = GraficoAndamento::tratteggio(n);
    if (!tratti.isEmpty()) {
        penna.setDashPattern(tratti);
    }
    pittore.setPen(penna);
    pittore.drawLine(0, 6, 23, 6);
    return immagine;
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
    // A date to go to: the span ends there and stays; "Adesso" follows the time again.
    barra->addWidget(new QLabel(QStringLiteral("Fino a:"), this));
    m_eVaiA = new QDateTimeEdit(QDateTime::currentDateTime(), this);
    m_eVaiA->setObjectName(QStringLiteral("eVaiA"));
    m_eVaiA->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm"));
    m_eVaiA->setCalendarPopup(true);
    barra->addWidget(m_eVaiA);
    auto *vai = new QPushButton(QStringLiteral("Vai"), this);
    vai->setObjectName(QStringLiteral("sbVaiA"));
    barra->addWidget(vai);
    auto *adesso = new QPushButton(QStringLiteral("Adesso"), this);
    adesso->setObjectName(QStringLiteral("sbAdesso"));
    barra->addWidget(adesso);
    connect(vai, &QPushButton::clicked, this, protetto(m_messaggi, [this] { sbVaiAClick(); }));
    connect(adesso, &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbAdessoClick(); }));
    barra->addStretch(1);
    m_sbEsportaCsv = new QPushButton(QStringLiteral("Esporta CSV..."), this);
    m_sbEsportaCsv->setObjectName(QStringLiteral("sbEsportaCsv"));
    barra->addWidget(m_sbEsportaCsv);

    m_grafico = new GraficoAndamento(m_storico, this);
    m_grafico->setObjectName(QStringLiteral("chAndamento"));
    colonna->addWidget(m_grafico, 1);
    // The inputs below the plot, as many abreast as fit: the axes need the width.
    m_grigliaCaselle = new QGridLayout;
    colonna->addLayout(m_grigliaCaselle);
    for (int n = 1; n <= StoricoAnalogici::NumeroIngressi; ++n) {
        m_grafico->setColore(n, kColori.at(n - 1));
        auto *casella = new QCheckBox(this);
        casella->setObjectName(nomeNumerato(QStringLiteral("cbIA"), n));
        casella->setChecked(true);
        casella->setIcon(QIcon(campione(n, kColori.at(n - 1))));
        // Laid out by disponiCaselle(), which gives each its whole text.
        casella->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        m_caselle.at(n - 1) = casella;
        connect(casella, &QCheckBox::toggled, this,
                protetto(m_messaggi, [this, n](bool su) { m_grafico->setVisibile(n, su); }));
    }

    m_timerScorrimento = new QTimer(this);
    connect(m_timerScorrimento, &QTimer::timeout, this, protetto(m_messaggi, [this] { scorri(); }));
    connect(&m_storico, &StoricoAnalogici::letturaAggiunta, this,
            &FinestraAndamento::letturaAggiunta);
    connect(m_cbIntervallo, &QComboBox::currentIndexChanged, this,
            protetto(m_messaggi, [this] { aggiorna(); }));
    connect(m_sbEsportaCsv, &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbEsportaCsvClick(); }));
    // A window of its own, closed from the keyboard as a dialog is.
    for (const QKeySequence &tasto :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto *scorciatoia = new QShortcut(tasto, this);
        connect(scorciatoia, &QShortcut::activated, this, &QWidget::close);
    }

    // Wide enough for the time labels of a whole day beside the axes of five units.
    resize(820, 520);
    aggiorna();
}

void FinestraAndamento::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    disponiCaselle();
}

void FinestraAndamento::disponiCaselle()
{
    int larghezza = 1;
    for (const QCheckBox *c : m_caselle) {
        larghezza = std::max(larghezza, c->sizeHint().width());
    }
    const QMargins margini = layout()->contentsMargins();
    const int spazio = std::max(m_grigliaCaselle->horizontalSpacing(), 0);
    const int disponibile = width() - margini.left() - margini.right();
    const int numero = int(m_caselle.size());
    // The fewest rows the width allows, then as few columns as fill those rows.
    const int massime = std::clamp((disponibile + spazio) / (larghezza + spazio), 1, numero);
    const int righe = (numero + massime - 1) / massime;
    const int colonne = (numero + righe - 1) / righe;
    if (colonne == m_colonneCaselle) {
        return;
    }
    m_colonneCaselle = colonne;
    for (int i = 0; i < numero; ++i) {
        m_grigliaCaselle->removeWidget(m_caselle.at(size_t(i)));
    }
    for (int i = 0; i < numero; ++i) {
        m_grigliaCaselle->addWidget(m_caselle.at(size_t(i)), i / colonne, i % colonne);
    }
    for (int c = 0; c < numero; ++c) {
        m_grigliaCaselle->setColumnStretch(c, c < colonne ? 1 : 0);
    }
}

const SerieAndamento *FinestraAndamento::serie(int ingresso) const
{
    return &m_grafico->serie(ingresso);
}

void FinestraAndamento::setArchivio(const Storico *archivio)
{
    m_archivio = archivio;
    m_grafico->setArchivio(archivio);
    aggiorna();
}

void FinestraAndamento::sbVaiAClick()
{
    m_fineFissa = m_eVaiA->dateTime();
    aggiorna();
}

void FinestraAndamento::sbAdessoClick()
{
    m_fineFissa = QDateTime();
    m_eVaiA->setDateTime(m_orologio());
    aggiorna();
}

qint64 FinestraAndamento::adesso() const
{
    if (m_fineFissa.isValid()) {
        return m_fineFissa.toMSecsSinceEpoch();
    }
    qint64 ms = m_orologio().toMSecsSinceEpoch();
    for (int n = 1; n <= StoricoAnalogici::NumeroIngressi; ++n) {
        const BufferLetture &letture = m_storico.letture(n);
        if (!letture.isEmpty()) {
            ms = std::max(ms, letture.ultima().ms);
        }
    }
    return ms;
}

void FinestraAndamento::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    aggiorna();
}

void FinestraAndamento::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timerScorrimento->stop();
}

void FinestraAndamento::letturaAggiunta(int ingresso)
{
    // A hidden window rebuilds its lines when it is shown again; one looking back in time
    // takes nothing new.
    if (isVisible() && !isFermo()) {
        m_grafico->letturaAggiunta(ingresso);
    }
}

void FinestraAndamento::aggiornaPasso()
{
    // No faster than a few times a second: the eye would not follow.
    const int passo = int(std::clamp<qint64>(m_grafico->periodoColonna(), 100, 60 * 60 * 1000));
    if (m_timerScorrimento->interval() != passo || !m_timerScorrimento->isActive()) {
        m_timerScorrimento->start(passo);
    }
}

void FinestraAndamento::scorri()
{
    if (m_grafico->setFine(adesso())) {
        aggiornaEtichette();
        m_grafico->update();
    }
    aggiornaPasso();
}

void FinestraAndamento::aggiornaEtichette()
{
    bool cambiate = false;
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
            cambiate = true;
        }
        m_grafico->setUnita(n, unita);
    }
    if (cambiate) {
        m_colonneCaselle = 0;
        disponiCaselle();
    }
}

void FinestraAndamento::aggiorna()
{
    m_grafico->setDurata(qint64(m_cbIntervallo->currentData().toInt()) * 60 * 1000);
    m_grafico->ricostruisci();
    m_grafico->setFine(adesso());
    aggiornaEtichette();
    if (isVisible()) {
        aggiornaPasso();
    }
}

QString FinestraAndamento::sceltaFileDialogo()
{
    return sceltaFileDaSalvare(this, QStringLiteral("Esporta CSV"),
                               QStringLiteral("ingressi-analogici"), QStringLiteral("csv"),
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
    // From the history: the span on screen, whatever its length or date.
    const qint64 fine = m_grafico->fine();
    const qint64 scritte =
        m_archivio ? EsportaArchivio::esportaCsv(*m_archivio, fine - m_grafico->durata(), fine + 1,
                                                 percorso, &errore, &m_storico)
                   : m_storico.esportaCsv(percorso, &errore);
    QApplication::restoreOverrideCursor();
    if (scritte < 0) {
        m_messaggi.avviso(QStringLiteral("Esportazione non riuscita: %1").arg(errore));
        return;
    }
    m_messaggi.messaggio(QStringLiteral("Esportate %1 letture in %2")
                             .arg(scritte)
                             .arg(QDir::toNativeSeparators(percorso)));
}
