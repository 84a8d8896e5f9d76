#include "pages/scheda/TfrmStatoAnalogici.h"
#include "pages/widgets/IconeStandard.h"

#include "pages/widgets/GestisciTastoValore.h"
#include "pages/scheda/TfrmStato.h"
#include "protocol/Conversioni.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <exception>

namespace {

constexpr int kMassimoCaratteri = 3;
const QString kSeparatore = QStringLiteral(" - ");

} // namespace

TestoAllarmeAnalogico TestoAllarmeAnalogico::leggi(const QString &testo)
{
    TestoAllarmeAnalogico parti;
    const qsizetype duePunti = testo.indexOf(QLatin1Char(':'));
    parti.segno = testo.mid(duePunti + 1, 1).toUpper();
    const qsizetype separatore = testo.indexOf(kSeparatore);
    if (separatore >= 0) {
        if (separatore > duePunti) {
            parti.minimo = testo.mid(duePunti + 1, separatore - duePunti - 1);
        }
        parti.massimo = testo.mid(separatore + kSeparatore.size());
    }
    return parti;
}

TfrmStatoAnalogici::TfrmStatoAnalogici(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmStatoAnalogici"));
    setWindowTitle(QStringLiteral("Stato"));
    // A caption and nothing else: the dialog ends with its OK button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto *griglia = new QGridLayout(this);
    griglia->setContentsMargins(10, 8, 10, 8);
    griglia->setVerticalSpacing(6);
    // The caption may be cut by the window manager; the body names the input as well.
    m_lbIngresso = new QLabel(this);
    m_lbIngresso->setObjectName(QStringLiteral("lbIngresso"));
    m_lbIngresso->setTextFormat(Qt::PlainText);
    m_lbIngresso->hide();
    griglia->addWidget(m_lbIngresso, 0, 0, 1, 3);
    m_cbAl = new QCheckBox(QStringLiteral("Al."), this);
    m_cbAl->setObjectName(QStringLiteral("cbAl"));
    griglia->addWidget(m_cbAl, 1, 0, 1, 2);

    const auto casella = [this, griglia](int riga, const QString &nomeEtichetta,
                                         const QString &testo, const QString &nome) {
        auto *etichetta = new QLabel(testo, this);
        etichetta->setObjectName(nomeEtichetta);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(nome);
        edit->setFixedWidth(40);
        // Only typed characters may get in, and the filter decides on them.
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        edit->setAcceptDrops(false);
        edit->installEventFilter(this);
        griglia->addWidget(etichetta, riga, 0);
        griglia->addWidget(edit, riga, 1);
        etichetta->setBuddy(edit);
        return edit;
    };
    m_eValMin = casella(2, QStringLiteral("lbValoreMin"), QStringLiteral("Valore Min :"),
                        QStringLiteral("eValMin"));
    m_eValMax = casella(3, QStringLiteral("lbValoreMax"), QStringLiteral("Valore Max :"),
                        QStringLiteral("eValMax"));

    m_unitaMin = new QLabel(this);
    m_unitaMin->setObjectName(QStringLiteral("lbUnitaMin"));
    m_unitaMin->setTextFormat(Qt::PlainText);
    m_unitaMax = new QLabel(this);
    m_unitaMax->setObjectName(QStringLiteral("lbUnitaMax"));
    m_unitaMax->setTextFormat(Qt::PlainText);
    griglia->addWidget(m_unitaMin, 2, 2);
    griglia->addWidget(m_unitaMax, 3, 2);
    // Extra width from a long input name goes after the units, keeping the boxes by their labels.
    griglia->setColumnStretch(2, 1);

    m_lbErrore = new QLabel(this);
    m_lbErrore->setObjectName(QStringLiteral("lbErrore"));
    m_lbErrore->setTextFormat(Qt::PlainText);
    QPalette rosso = m_lbErrore->palette();
    rosso.setColor(QPalette::WindowText, QColor(176, 0, 0));
    m_lbErrore->setPalette(rosso);
    m_lbErrore->hide();
    griglia->addWidget(m_lbErrore, 4, 0, 1, 3);

    griglia->addLayout(creaPulsantiConferma(this, m_ok, m_annulla), 5, 0, 1, 3,
                       Qt::AlignHCenter);
    connect(m_ok, &QPushButton::clicked, this, &TfrmStatoAnalogici::BitBtn1Click);
    // "Al." first: without it the two levels mean nothing.
    setTabOrder(m_cbAl, m_eValMin);
    setTabOrder(m_eValMin, m_eValMax);
    setTabOrder(m_eValMax, m_ok);
    setTabOrder(m_ok, m_annulla);

    // Grows with the caption and the error text, never below its first size.
    setMinimumSize(sizeHint().expandedTo(QSize(142, 137)));
    griglia->setSizeConstraint(QLayout::SetMinimumSize);
}

void TfrmStatoAnalogici::impostaIngresso(int n, const QString &nome, const QString &minimo,
                                         const QString &massimo, const QString &unita)
{
    const QString titolo = TfrmStato::titoloIngresso(n, nome);
    setWindowTitle(titolo);
    const QString semplice = nome.simplified();
    const QString ingresso = semplice.isEmpty()
                                 ? QStringLiteral("Ingresso %1").arg(n)
                                 : QStringLiteral("Ingresso %1: %2").arg(n).arg(semplice);

    // Window managers draw the caption bold and usually a little larger than the body text,
    // after an icon and within a border: room for all that, but never wider than the screen.
    QFont carattereTitolo = font();
    carattereTitolo.setBold(true);
    carattereTitolo.setPointSizeF(carattereTitolo.pointSizeF() * 1.2);
    const int margini = layout()->contentsMargins().left() + layout()->contentsMargins().right();
    const int perTitolo = QFontMetrics(carattereTitolo).horizontalAdvance(titolo) +
                          2 * style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QScreen *schermo = screen();
    // The window manager's border is not known before the first show; 16 pixels cover it.
    const int perSchermo = schermo ? schermo->availableGeometry().width() - 16 : perTitolo;
    const int corpo = std::min(perTitolo, perSchermo) - margini;
    // The body label carries the width, since the layout sets the dialog's minimum size.
    m_lbIngresso->setMinimumWidth(corpo);
    const QString visibile = fontMetrics().elidedText(ingresso, Qt::ElideRight, corpo);
    m_lbIngresso->setText(visibile);
    m_lbIngresso->setToolTip(visibile == ingresso ? QString() : ingresso);
    m_lbIngresso->show();
    m_minimoIngresso = minimo;
    m_massimoIngresso = massimo;
    m_unitaMin->setText(unita);
    m_unitaMax->setText(unita);
    const QString intervallo =
        QStringLiteral("Intervallo dell'ingresso: %1 - %2 %3").arg(minimo, massimo, unita).trimmed();
    m_eValMin->setToolTip(intervallo);
    m_eValMax->setToolTip(intervallo);
}

QString TfrmStatoAnalogici::erroreLivelli() const
{
    if (!m_cbAl->isChecked()) {
        return {};
    }
    // The range as configured; one that is not a number is told at the send, not here.
    bool intervalloValido = false;
    double basso = 0;
    double alto = 0;
    try {
        basso = Conversioni::StrToFloat(m_minimoIngresso);
        alto = Conversioni::StrToFloat(m_massimoIngresso);
        intervalloValido = !m_minimoIngresso.isEmpty() && !m_massimoIngresso.isEmpty();
    } catch (const std::exception &) {
        intervalloValido = false;
    }
    if (intervalloValido && basso > alto) {
        std::swap(basso, alto);
    }
    const struct
    {
        const QLineEdit *campo;
        QString nome;
    } livelli[] = {{m_eValMin, QStringLiteral("Valore Min")},
                   {m_eValMax, QStringLiteral("Valore Max")}};
    double valori[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        const auto &livello = livelli[i];
        double &valore = valori[i];
        try {
            valore = Conversioni::StrToFloat(livello.campo->text());
        } catch (const std::exception &) {
            return livello.nome + QStringLiteral(": scrivere un numero");
        }
        if (intervalloValido && (valore < basso || valore > alto)) {
            return livello.nome +
                   QStringLiteral(": fuori dall'intervallo dell'ingresso (%1 - %2)")
                       .arg(m_minimoIngresso, m_massimoIngresso);
        }
    }
    // An inverted window would reach the board as it stands. Equal levels stay allowed: an
    // alarm around one value is a narrow window, not a mistake.
    if (valori[0] > valori[1]) {
        return QStringLiteral("Valore Min: deve essere minore o uguale a Valore Max (%1 > %2)")
            .arg(m_eValMin->text(), m_eValMax->text());
    }
    return {};
}

void TfrmStatoAnalogici::showEvent(QShowEvent *evento)
{
    QDialog::showEvent(evento);
    if (!evento->spontaneous()) {
        if (const QScreen *schermo = screen()) {
            QRect area(QPoint(0, 0), frameGeometry().size());
            area.moveCenter(schermo->availableGeometry().center());
            move(area.topLeft());
        }
        FormShow();
    }
}

void TfrmStatoAnalogici::FormShow()
{
    if (m_campo.isEmpty()) {
        return;
    }
    TestoAllarmeAnalogico parti = TestoAllarmeAnalogico::leggi(m_campo);
    if (parti.isSpento()) {
        parti.minimo.clear();
        parti.massimo.clear();
    } else {
        m_cbAl->setChecked(true);
    }
    // Shown whole even beyond three characters: the limit is for typing.
    m_eValMin->setText(parti.minimo);
    m_eValMax->setText(parti.massimo);
}

void TfrmStatoAnalogici::BitBtn1Click()
{
    // A wrong level is told here, with the dialog still open, not later at the send.
    const QString errore = erroreLivelli();
    if (!errore.isEmpty()) {
        m_lbErrore->setText(errore);
        m_lbErrore->show();
        // Grown to hold the whole message.
        layout()->activate();
        adjustSize();
        QLineEdit *campo = errore.startsWith(QStringLiteral("Valore Min")) ? m_eValMin
                                                                          : m_eValMax;
        campo->setFocus();
        campo->selectAll();
        return;
    }
    m_campo = m_cbAl->isChecked()
                  ? QStringLiteral("All.:") + m_eValMin->text() + kSeparatore + m_eValMax->text()
                  : QStringLiteral("All.:Off");
    accept();
}

// eValMinKeyPress and eValMaxKeyPress: digits, "-" and Backspace, at most three characters.
bool TfrmStatoAnalogici::eventFilter(QObject *oggetto, QEvent *evento)
{
    auto *edit = qobject_cast<QLineEdit *>(oggetto);
    if (!edit || (edit != m_eValMin && edit != m_eValMax) || evento->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(oggetto, evento);
    }
    const auto *tasto = static_cast<const QKeyEvent *>(evento);
    if (isTastoDiServizio(tasto)) {
        return false;
    }
    switch (tasto->key()) {
    // Enter reaches the OK button.
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return false;
    default:
        break;
    }
    const QString testo = tasto->text();
    const QChar c = testo.size() == 1 ? testo.at(0) : QChar();
    const bool ammesso = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-');
    const qsizetype lunghezzaDopo = edit->text().size() - edit->selectedText().size() + 1;
    return !(ammesso && lunghezzaDopo <= kMassimoCaratteri);
}
