#include "pages/scheda/TfrmStato.h"
#include "pages/widgets/IconeStandard.h"

#include "pages/scheda/AllarmiDigitali.h"
#include "pages/widgets/GruppoRadio.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kHigh = 0;
constexpr int kLow = 1;

} // namespace

TfrmStato::TfrmStato(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmStato"));
    setWindowTitle(QStringLiteral("Stato"));

    auto *colonna = new QVBoxLayout(this);
    colonna->setContentsMargins(8, 8, 8, 8);
    colonna->setSpacing(6);

    m_cbAl = new QCheckBox(QStringLiteral("Al."), this);
    m_cbAl->setObjectName(QStringLiteral("cbAl"));
    colonna->addWidget(m_cbAl);

    m_rgStato = new GruppoRadio(QStringLiteral("rgStato"), QStringLiteral(" Stato Al."),
                                {QStringLiteral("High"), QStringLiteral("Low")}, 1, this);
    m_rgStato->setItemIndex(kHigh);
    colonna->addWidget(m_rgStato);

    colonna->addLayout(creaPulsantiConferma(this, m_ok, m_annulla));
    connect(m_ok, &QPushButton::clicked, this, &TfrmStato::BitBtn1Click);

    setMinimumSize(104, 137);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QString TfrmStato::titoloIngresso(int n, const QString &nome)
{
    QString titolo = QStringLiteral("Allarme ingresso %1").arg(n);
    // A caption is one line: the name's line breaks would cut it.
    const QString semplice = nome.simplified();
    if (!semplice.isEmpty()) {
        titolo += QStringLiteral(": ") + semplice;
    }
    return titolo;
}

void TfrmStato::impostaIngresso(int n, const QString &nome)
{
    const QString titolo = titoloIngresso(n, nome);
    setWindowTitle(titolo);
    // Wide enough that the window manager shows the caption whole (or nearly, for long names).
    m_rgStato->setMinimumWidth(std::min(360, fontMetrics().horizontalAdvance(titolo) + 60));
}

void TfrmStato::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    if (const QScreen *schermo = screen()) {
        QRect finestra = frameGeometry();
        finestra.moveCenter(schermo->availableGeometry().center());
        move(finestra.topLeft());
    }
    FormShow();
}

void TfrmStato::FormShow()
{
    if (m_testo.isEmpty()) {
        return;
    }
    const QString c = AllarmiDigitali::carattere(m_testo);
    if (c == QLatin1String("O")) {
        return;
    }
    m_cbAl->setChecked(true);
    if (c == QLatin1String("L")) {
        m_rgStato->setItemIndex(kLow);
    }
}

void TfrmStato::BitBtn1Click()
{
    if (!m_cbAl->isChecked()) {
        m_testo = AllarmiDigitali::kOff;
    } else if (m_rgStato->itemIndex() == kLow) {
        m_testo = AllarmiDigitali::kLow;
    } else {
        m_testo = AllarmiDigitali::kHigh;
    }
    accept();
}

QHBoxLayout *creaPulsantiConferma(QDialog *dialogo, QPushButton *&ok, QPushButton *&annulla)
{
    ok = new QPushButton(iconaStandard(QStyle::SP_DialogOkButton), QStringLiteral("OK"), dialogo);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    annulla = new QPushButton(iconaStandard(QStyle::SP_DialogCancelButton),
                              QStringLiteral("Annulla"), dialogo);
    annulla->setObjectName(QStringLiteral("BitBtnAnnulla"));
    QObject::connect(annulla, &QPushButton::clicked, dialogo, &QDialog::reject);
    auto *pulsanti = new QHBoxLayout();
    pulsanti->addWidget(ok);
    pulsanti->addWidget(annulla);
    return pulsanti;
}
