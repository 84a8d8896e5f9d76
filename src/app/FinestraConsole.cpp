#include "app/FinestraConsole.h"

#include "core/Gestore.h"
#include "core/Messaggi.h"
#include "link/RegistroTraffico.h"
#include "pages/widgets/SceltaFile.h"
#include "protocol/SessioneScheda.h"
#include "settings/LayoutIni.h"
#include "settings/ScritturaSicura.h"

#include <QClipboard>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// How often waiting lines are drawn: a stream of reads costs a few layouts a second.
constexpr int kIntervalloDisegno = 100;
// The pieces of one command come at most 800 ms apart (serial); a write later than this after
// the previous one starts a line of its own even without other traffic in between.
constexpr qint64 kGiunzioneMs = 2000;
// "hh:mm:ss.zzz"
constexpr int kLarghezzaOra = 12;

const QColor kColoreOra(0x70, 0x70, 0x70);
const QColor kColoreTx(0x0b, 0x4f, 0xa8);
const QColor kColoreRx(0x1a, 0x6b, 0x1f);
const QColor kColorePronto(0x80, 0x80, 0x80);
const QColor kColoreEvento(0x9a, 0x4a, 0x00);

QTextCharFormat formato(const QColor &colore)
{
    QTextCharFormat esito;
    esito.setForeground(colore);
    return esito;
}

} // namespace

FinestraConsole::FinestraConsole(SessioneScheda &sessione, Messaggi &messaggi,
                                 QWidget *parent)
    : QWidget(parent, Qt::Window), m_messaggi(messaggi),
      m_sceltaFile([this] { return sceltaFileDialogo(); })
{
    setObjectName(QStringLiteral("frmConsole"));
    setWindowTitle(QStringLiteral("Console"));

    auto *colonna = new QVBoxLayout(this);
    auto *barra = new QHBoxLayout;
    colonna->addLayout(barra);
    const auto pulsante = [this, barra](const char *nome, const QString &testo,
                                        const QString &suggerimento) {
        auto *esito = new QPushButton(testo, this);
        esito->setObjectName(QLatin1String(nome));
        esito->setToolTip(suggerimento);
        barra->addWidget(esito);
        return esito;
    };
    m_sbPausa = pulsante("sbPausa", QStringLiteral("&Pausa"),
                         QStringLiteral("Ferma lo scorrimento; le righe nuove attendono"));
    m_sbPausa->setCheckable(true);
    QPushButton *sbCancella =
        pulsante("sbCancella", QStringLiteral("&Cancella"), QStringLiteral("Svuota la console"));
    QPushButton *sbCopia = pulsante("sbCopia", QStringLiteral("C&opia"),
                                    QStringLiteral("Copia la selezione, o tutto se non c'è"));
    QPushButton *sbSalva = pulsante("sbSalva", QStringLiteral("&Salva..."),
                                    QStringLiteral("Salva tutte le righe in un file (Ctrl+S)"));
    barra->addSpacing(12);
    auto *lbTrova = new QLabel(QStringLiteral("&Trova:"), this);
    barra->addWidget(lbTrova);
    m_edTrova = new QLineEdit(this);
    m_edTrova->setObjectName(QStringLiteral("edTrova"));
    m_edTrova->setPlaceholderText(QStringLiteral("Testo da cercare"));
    m_edTrova->setClearButtonEnabled(true);
    lbTrova->setBuddy(m_edTrova);
    barra->addWidget(m_edTrova, 1);
    QPushButton *sbTrova = pulsante("sbTrova", QStringLiteral("Successivo"),
                                    QStringLiteral("Trova il successivo (F3)"));

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("memoConsole"));
    m_memo->setReadOnly(true);
    m_memo->setUndoRedoEnabled(false);
    m_memo->setMaximumBlockCount(MassimoRighe);
    m_memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    colonna->addWidget(m_memo, 1);

    m_lbStato = new QLabel(this);
    m_lbStato->setObjectName(QStringLiteral("lbConsole"));
    m_lbStato->setTextFormat(Qt::PlainText);
    colonna->addWidget(m_lbStato);

    m_timerDisegno = new QTimer(this);
    m_timerDisegno->setSingleShot(true);
    m_timerDisegno->setInterval(kIntervalloDisegno);
    connect(m_timerDisegno, &QTimer::timeout, this, &FinestraConsole::mostraInAttesa);

    connect(&sessione, &SessioneScheda::datiScritti, this,
            [this](const QString &collegamento, const QByteArray &dati) {
                aggiungi(false, collegamento, dati);
            });
    connect(&sessione, &SessioneScheda::datiRicevuti, this,
            [this](const QString &collegamento, const QByteArray &dati) {
                aggiungi(true, collegamento, dati);
            });
    connect(&sessione, &SessioneScheda::eventoCollegamento, this,
            &FinestraConsole::aggiungiEvento);

    connect(m_sbPausa, &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbPausaClick(); }));
    connect(sbCancella, &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbCancellaClick(); }));
    connect(sbCopia, &QPushButton::clicked, this, protetto(m_messaggi, [this] { sbCopiaClick(); }));
    connect(sbSalva, &QPushButton::clicked, this, protetto(m_messaggi, [this] { sbSalvaClick(); }));
    connect(sbTrova, &QPushButton::clicked, this, protetto(m_messaggi, [this] { sbTrovaClick(); }));
    connect(m_edTrova, &QLineEdit::returnPressed, this,
            protetto(m_messaggi, [this] { sbTrovaClick(); }));

    const auto scorciatoia = [this](const QKeySequence &tasti, auto azione) {
        auto *esito = new QShortcut(tasti, this);
        connect(esito, &QShortcut::activated, this, protetto(m_messaggi, azione));
    };
    scorciatoia(QKeySequence(Qt::Key_Escape), [this] { close(); });
    scorciatoia(QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });
    scorciatoia(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { sbSalvaClick(); });
    scorciatoia(QKeySequence(Qt::Key_F3), [this] { sbTrovaClick(); });
    scorciatoia(QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        m_edTrova->setFocus(Qt::ShortcutFocusReason);
        m_edTrova->selectAll();
    });

    resize(780, 460);
}

bool FinestraConsole::isInPausa() const
{
    return m_sbPausa->isChecked();
}

void FinestraConsole::aggiungi(bool ricevuto, const QString &collegamento, const QByteArray &dati)
{
    const QDateTime ora = QDateTime::currentDateTime();
    if (m_pronti.aggiungi(ricevuto, collegamento, dati, ora)) {
        if (Riga *riga = ultimaRiga()) {
            riga->volte = m_pronti.aperta()->volte;
            riga->ultima = ora;
            cambiataUltima();
        }
        return;
    }
    // TCP commands go out one character at a time, serial ones in pieces: one line each.
    if (!ricevuto) {
        Riga *riga = ultimaRiga();
        if (riga && !riga->ricevuto && !riga->evento && riga->collegamento == collegamento &&
            !riga->dati.endsWith('\n') && riga->ultima.msecsTo(ora) < kGiunzioneMs) {
            aggiungiDati(*riga, dati);
            riga->ultima = ora;
            cambiataUltima();
            return;
        }
    }
    Riga riga;
    riga.ora = ora;
    riga.ultima = ora;
    riga.ricevuto = ricevuto;
    riga.collegamento = collegamento;
    aggiungiDati(riga, dati);
    aggiungiRiga(std::move(riga));
}

void FinestraConsole::aggiungiEvento(const QString &collegamento, const QString &testo)
{
    // A prompt after the event starts a run of its own.
    m_pronti.chiudi();
    Riga riga;
    riga.ora = QDateTime::currentDateTime();
    riga.ultima = riga.ora;
    riga.evento = true;
    riga.collegamento = collegamento;
    riga.dati = testo.toUtf8();
    aggiungiRiga(std::move(riga));
}

FinestraConsole::Riga *FinestraConsole::ultimaRiga()
{
    if (!m_inAttesa.isEmpty()) {
        return &m_inAttesa.last();
    }
    return m_disegnata ? &*m_disegnata : nullptr;
}

void FinestraConsole::cambiataUltima()
{
    if (m_inAttesa.isEmpty()) {
        m_ridisegna = true;
    }
    programmaDisegno();
}

void FinestraConsole::aggiungiRiga(Riga riga)
{
    m_inAttesa.append(std::move(riga));
    // More would only push the oldest out of the view when drawn.
    if (m_inAttesa.size() > MassimoRighe) {
        m_inAttesa.removeFirst();
    }
    programmaDisegno();
}

void FinestraConsole::aggiungiDati(Riga &riga, const QByteArray &dati)
{
    const qsizetype spazio = std::max<qsizetype>(0, MassimoByteRiga - riga.dati.size());
    riga.dati += dati.left(spazio);
    riga.oltre += std::max<qsizetype>(0, dati.size() - spazio);
}

void FinestraConsole::programmaDisegno()
{
    if (isInPausa()) {
        aggiornaStato();
    } else if (!m_timerDisegno->isActive()) {
        m_timerDisegno->start();
    }
}

QString FinestraConsole::testoOra(const QDateTime &ora)
{
    return ora.toString(QStringLiteral("HH:mm:ss.zzz"));
}

// "hh:mm:ss.zzz TCP RX <escaped>", the byte count past the kept part, a prompt run's count.
QString FinestraConsole::testoDati(const Riga &riga) const
{
    if (riga.evento) {
        return testoOra(riga.ora) + QLatin1Char(' ') + riga.collegamento + QStringLiteral(" ** ") +
               QString::fromUtf8(riga.dati);
    }
    QString testo = testoOra(riga.ora) + QLatin1Char(' ') +
                    riga.collegamento +
                    (riga.ricevuto ? QStringLiteral(" RX ") : QStringLiteral(" TX ")) +
                    QString::fromLatin1(RegistroTraffico::escapato(riga.dati));
    if (riga.oltre > 0) {
        testo += QStringLiteral(" … (altri %1 byte)").arg(riga.oltre);
    }
    if (riga.volte > 1) {
        testo += QString::fromUtf8(SeriePronti::conteggio(riga.volte)) +
                 QStringLiteral(" fino alle ") + testoOra(riga.ultima);
    }
    return testo;
}

void FinestraConsole::disegna(const Riga &riga, bool sostituisci)
{
    QTextCursor cursore(m_memo->document());
    cursore.movePosition(QTextCursor::End);
    if (sostituisci) {
        cursore.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        cursore.removeSelectedText();
    } else if (!m_memo->document()->isEmpty()) {
        cursore.insertBlock();
    }
    const QString testo = testoDati(riga);
    cursore.insertText(testo.left(kLarghezzaOra), formato(kColoreOra));
    const QColor colore = riga.evento                        ? kColoreEvento
                          : !riga.ricevuto                   ? kColoreTx
                          : SeriePronti::isPronto(riga.dati) ? kColorePronto
                                                             : kColoreRx;
    cursore.insertText(testo.mid(kLarghezzaOra), formato(colore));
}

void FinestraConsole::mostraInAttesa()
{
    if (isInPausa() || !isVisible() || (!m_ridisegna && m_inAttesa.isEmpty())) {
        return;
    }
    QScrollBar *barra = m_memo->verticalScrollBar();
    const bool inFondo = barra->value() == barra->maximum();
    QTextCursor blocco(m_memo->document());
    blocco.beginEditBlock();
    if (m_ridisegna && m_disegnata) {
        disegna(*m_disegnata, true);
    }
    for (const Riga &riga : std::as_const(m_inAttesa)) {
        disegna(riga, false);
    }
    blocco.endEditBlock();
    if (!m_inAttesa.isEmpty()) {
        m_disegnata = m_inAttesa.takeLast();
        m_inAttesa.clear();
    }
    m_ridisegna = false;
    if (inFondo) {
        barra->setValue(barra->maximum());
    }
}

void FinestraConsole::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    mostraInAttesa();
}

void FinestraConsole::aggiornaStato()
{
    QString testo = m_notizia;
    if (isInPausa()) {
        const qsizetype n = m_inAttesa.size();
        testo = n == 1 ? QStringLiteral("In pausa: 1 riga in attesa")
                       : QStringLiteral("In pausa: %1 righe in attesa").arg(n);
    }
    m_lbStato->setText(testo);
}

void FinestraConsole::sbPausaClick()
{
    m_sbPausa->setText(isInPausa() ? QStringLiteral("&Riprendi") : QStringLiteral("&Pausa"));
    m_notizia.clear();
    aggiornaStato();
    mostraInAttesa();
}

void FinestraConsole::sbCancellaClick()
{
    m_memo->clear();
    m_inAttesa.clear();
    m_disegnata.reset();
    m_ridisegna = false;
    // A prompt still coming starts a line of its own.
    m_pronti.chiudi();
    m_notizia.clear();
    aggiornaStato();
}

// What the console holds: the lines on screen, the last one as it now stands, and those
// waiting; one per line.
QString FinestraConsole::testoCompleto() const
{
    QString testo = m_memo->toPlainText();
    if (m_ridisegna && m_disegnata) {
        testo.truncate(testo.lastIndexOf(QLatin1Char('\n')) + 1);
        testo += testoDati(*m_disegnata);
    }
    for (const Riga &riga : m_inAttesa) {
        if (!testo.isEmpty()) {
            testo += QLatin1Char('\n');
        }
        testo += testoDati(riga);
    }
    if (!testo.isEmpty()) {
        testo += QLatin1Char('\n');
    }
    return testo;
}

void FinestraConsole::sbCopiaClick()
{
    if (m_memo->textCursor().hasSelection()) {
        m_memo->copy();
        m_notizia = QStringLiteral("Selezione copiata");
    } else {
        const QString testo = testoCompleto();
        QGuiApplication::clipboard()->setText(testo);
        const qsizetype n = testo.count(QLatin1Char('\n'));
        m_notizia =
            n == 1 ? QStringLiteral("Copiata 1 riga") : QStringLiteral("Copiate %1 righe").arg(n);
    }
    aggiornaStato();
}

void FinestraConsole::sbTrovaClick()
{
    const QString cercato = m_edTrova->text();
    if (cercato.isEmpty()) {
        m_edTrova->setFocus(Qt::OtherFocusReason);
        return;
    }
    // From the current match on, then once more from the top.
    bool trovato = m_memo->find(cercato);
    if (!trovato) {
        QTextCursor inizio = m_memo->textCursor();
        inizio.movePosition(QTextCursor::Start);
        m_memo->setTextCursor(inizio);
        trovato = m_memo->find(cercato);
    }
    m_notizia = trovato ? QString() : QStringLiteral("«%1» non trovato").arg(cercato);
    aggiornaStato();
}

QString FinestraConsole::sceltaFileDialogo()
{
    return sceltaFileDaSalvare(this, QStringLiteral("Salva la console"), QStringLiteral("console"),
                               QStringLiteral("txt"),
                               QStringLiteral("File di testo (*.txt);;Tutti i file (*)"));
}

void FinestraConsole::sbSalvaClick()
{
    const QString percorso = m_sceltaFile();
    if (percorso.isEmpty()) {
        return;
    }
    QString motivo;
    if (!scriviFileAtomico(percorso, testoCompleto().toUtf8(), &motivo)) {
        m_messaggi.avviso(QStringLiteral("Impossibile salvare la console in %1: %2")
                              .arg(QDir::toNativeSeparators(percorso), motivo));
        return;
    }
    m_notizia = QStringLiteral("Console salvata in %1").arg(QDir::toNativeSeparators(percorso));
    aggiornaStato();
}
