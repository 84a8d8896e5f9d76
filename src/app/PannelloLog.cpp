#include "app/PannelloLog.h"

#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kRigheMassimeLog = 300;
// A read without a prompt logs the whole receive buffer, up to 64 KiB; laying out such a line
// costs far more than the read. Only its end is shown.
constexpr qsizetype kMassimoRigaLog = 2000;
// How long the lines of a shown log wait to be appended together.
constexpr int kIntervalloLog = 250;
// The memo's own minimum (the always-on scroll bar's arrows and handle, 70 px in Fusion) would
// make the splitter overrule the 67 px the window gives the log; two lines of text are enough.
constexpr int kAltezzaMinimaLog = 40;

// Block separators the memo makes of a text it appends ("\r\n" is one).
int separatoriLog(const QString &testo)
{
    int separatori = 0;
    for (qsizetype i = 0; i < testo.size(); ++i) {
        const char16_t c = testo.at(i).unicode();
        if (c == u'\r' && i + 1 < testo.size() && testo.at(i + 1) == QLatin1Char('\n')) {
            continue;
        }
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == 0xFDD0 ||
            c == 0xFDD1) {
            ++separatori;
        }
    }
    return separatori;
}

} // namespace

PannelloLog::PannelloLog(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("pnLog"));
    auto *riempimento = new QVBoxLayout(this);
    riempimento->setContentsMargins(0, 0, 0, 0);
    m_mmLog = new QPlainTextEdit(this);
    m_mmLog->setObjectName(QStringLiteral("mmLog"));
    m_mmLog->setReadOnly(true);
    m_mmLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_mmLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_mmLog->setMinimumHeight(kAltezzaMinimaLog);
    riempimento->addWidget(m_mmLog);
    connect(m_mmLog, &QPlainTextEdit::textChanged, this, &PannelloLog::mmLogChange);
    m_timLog = new QTimer(this);
    m_timLog->setSingleShot(true);
    m_timLog->setInterval(kIntervalloLog);
    connect(m_timLog, &QTimer::timeout, this, [this] {
        if (m_visibile) {
            mostraLogInAttesa();
        }
    });
    hide();
}

void PannelloLog::mostra(bool visibile)
{
    m_visibile = visibile;
    if (visibile) {
        mostraLogInAttesa();
    }
    // The splitter shows and hides its handle together with the panel.
    setVisible(visibile);
}

void PannelloLog::aggiungiLog(const QString &testo)
{
    const QString riga =
        testo.size() > kMassimoRigaLog ? QChar(0x2026) + testo.right(kMassimoRigaLog) : testo;
    // Lines wait, counted as the memo would count them, so the 300-line rule empties them at
    // the same line. A hidden memo is not touched at all.
    QTextDocument *documento = m_mmLog->document();
    if (m_logInAttesa.isEmpty()) {
        m_righeLog = documento->blockCount();
        m_logVuoto = documento->isEmpty();
    }
    m_logInAttesa.append(riga);
    m_righeLog = (m_logVuoto ? 1 : m_righeLog + 1) + separatoriLog(riga);
    m_logVuoto = m_logVuoto && riga.isEmpty();
    if (m_righeLog >= kRigheMassimeLog) {
        m_logInAttesa.clear();
        m_mmLog->clear();
        return;
    }
    if (m_visibile && !m_timLog->isActive()) {
        m_timLog->start();
    }
}

void PannelloLog::mostraLogInAttesa()
{
    if (m_logInAttesa.isEmpty()) {
        return;
    }
    // One append of all the lines, made exactly as the appends one by one would have made them.
    const bool vuoto = m_mmLog->document()->isEmpty();
    QString testo;
    for (qsizetype i = 0; i < m_logInAttesa.size(); ++i) {
        if (i > 0 && !(vuoto && testo.isEmpty())) {
            testo += QLatin1Char('\n');
        }
        testo += m_logInAttesa.at(i);
    }
    m_logInAttesa.clear();
    m_mmLog->appendPlainText(testo);
}

void PannelloLog::mmLogChange()
{
    if (m_mmLog->document()->blockCount() >= kRigheMassimeLog) {
        m_mmLog->clear();
    }
}
