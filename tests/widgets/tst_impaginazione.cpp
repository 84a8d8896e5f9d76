// Every page in the real window, linked to the simulated board, at the window's first size and
// at two larger ones: nothing cut off by its parent, no two controls on top of each other, every
// text whole, and the window never held larger than the operator made it.
#include "ProvaScheda.h"
#include "app/TfrmMain.h"
#include "pages/widgets/EtichettaAccorciata.h"
#include "pages/widgets/PannelloPunto.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QFocusFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

namespace {

// The operator's way to each page: a menu item, or a button on the page before.
struct Passo
{
    const char *ingresso;
    const char *pagina;
};

const Passo kPercorso[] = {
    {"mPagUD", "TabSheet2"}, {"sbPUD", "TabSheet6"},
    {"mPagID", "TabSheet3"}, {"sbPID", "TabSheet7"},
    {"mPagUA", "TabSheet4"}, {"sbPUA", "TabSheet8"},
    {"mPagIA", "TabSheet5"}, {"Settaggi1", "tsConfigurazione"},
};

// Controls whose inner parts are the style's business: looked at whole, never inside.
bool isComposto(const QWidget *widget)
{
    return qobject_cast<const QAbstractSpinBox *>(widget) ||
           qobject_cast<const QComboBox *>(widget) || qobject_cast<const QTabBar *>(widget);
}

// Left out of every check: the focus frame is drawn around the focused control, over its
// neighbours' margins, on purpose; the home picture is the background the home entries are
// drawn on.
bool isDecorazione(const QWidget *widget)
{
    return qobject_cast<const QFocusFrame *>(widget) ||
           widget->objectName() == QLatin1String("Image1");
}

QString nome(const QWidget *widget)
{
    return QStringLiteral("%1 (%2)").arg(widget->objectName(),
                                         QLatin1String(widget->metaObject()->className()));
}

void raccogli(QWidget *widget, QList<QWidget *> &trovati)
{
    for (QWidget *figlio : widget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (figlio->isWindow() || !figlio->isVisible() || isDecorazione(figlio)) {
            continue;
        }
        trovati << figlio;
        if (!isComposto(figlio)) {
            raccogli(figlio, trovati);
        }
    }
}

// Why the text of `widget` does not show whole; empty when it does.
QString testoTagliato(QWidget *widget)
{
    const QSize minimo = widget->minimumSizeHint();
    if (minimo.isValid() &&
        (widget->width() < minimo.width() || widget->height() < minimo.height())) {
        return QStringLiteral("squeezed below its minimum %1x%2")
            .arg(minimo.width())
            .arg(minimo.height());
    }
    if (auto *pannello = qobject_cast<PannelloPunto *>(widget)) {
        const QStringList righe = pannello->righeMostrate();
        if (!righe.isEmpty() && righe.last().endsWith(QChar(0x2026))) {
            return QStringLiteral("caption cut: ") + righe.join(QLatin1Char('|'));
        }
        return {};
    }
    if (auto *etichetta = qobject_cast<EtichettaAccorciata *>(widget)) {
        return etichetta->testoMostrato() == etichetta->text()
                   ? QString()
                   : QStringLiteral("shows ") + etichetta->testoMostrato();
    }
    const auto *etichetta = qobject_cast<QLabel *>(widget);
    const auto *pulsante = qobject_cast<QAbstractButton *>(widget);
    const bool conTesto = (etichetta && !etichetta->text().isEmpty() && !etichetta->wordWrap()) ||
                          (pulsante && !pulsante->text().isEmpty());
    if ((conTesto || isComposto(widget)) && widget->sizeHint().width() > widget->width()) {
        return QStringLiteral("needs %1 px").arg(widget->sizeHint().width());
    }
    if (auto *campo = qobject_cast<QLineEdit *>(widget)) {
        QStyleOptionFrame opzioni;
        opzioni.initFrom(campo);
        opzioni.lineWidth = campo->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        const QRect spazio = campo->style()
                                 ->subElementRect(QStyle::SE_LineEditContents, &opzioni, campo)
                                 .marginsRemoved(campo->textMargins());
        // Qt keeps two pixels each side of the text.
        const int larghezza = campo->fontMetrics().horizontalAdvance(campo->text());
        if (larghezza > spazio.width() - 4) {
            return QStringLiteral("text needs %1 px of %2").arg(larghezza).arg(spazio.width() - 4);
        }
    }
    if ((conTesto || qobject_cast<const QLineEdit *>(widget)) &&
        QFontInfo(widget->font()).pixelSize() < 11) {
        return QStringLiteral("text of %1 px").arg(QFontInfo(widget->font()).pixelSize());
    }
    return {};
}

} // namespace

class TestImpaginazione : public ProvaScheda
{
    Q_OBJECT

private slots:
    void pagineIntere_data();
    void pagineIntere();

private:
    QWidget *paginaCorrente() const
    {
        return controllo<QStackedWidget>(QStringLiteral("pcPagine"))->currentWidget();
    }
    // Every fault of the page on screen, one line each.
    QStringList difetti() const;
    bool ridimensiona(QSize dimensione);
};

QStringList TestImpaginazione::difetti() const
{
    QWidget *pagina = paginaCorrente();
    QList<QWidget *> widget;
    raccogli(pagina, widget);
    QStringList trovati;
    QList<QWidget *> controlli;
    for (QWidget *w : std::as_const(widget)) {
        if (!w->parentWidget()->rect().contains(w->geometry())) {
            trovati << nome(w) + QStringLiteral(" cut off by ") + nome(w->parentWidget());
        }
        const QString tagliato = testoTagliato(w);
        if (!tagliato.isEmpty()) {
            trovati << nome(w) + QStringLiteral(": ") + tagliato;
        }
        // A bare QWidget only holds a layout: its controls are compared across it.
        if (qstrcmp(w->metaObject()->className(), "QWidget") != 0) {
            controlli << w;
        }
    }
    for (qsizetype i = 0; i < controlli.size(); ++i) {
        const QWidget *a = controlli.at(i);
        const QRect postoA(a->mapTo(pagina, QPoint()), a->size());
        for (qsizetype j = i + 1; j < controlli.size(); ++j) {
            const QWidget *b = controlli.at(j);
            if (a->isAncestorOf(b) || b->isAncestorOf(a)) {
                continue;
            }
            if (postoA.intersects(QRect(b->mapTo(pagina, QPoint()), b->size()))) {
                trovati << nome(a) + QStringLiteral(" overlaps ") + nome(b);
            }
        }
    }
    return trovati;
}

bool TestImpaginazione::ridimensiona(QSize dimensione)
{
    m_finestra->resize(dimensione);
    // Let the pages settle at the new size: their text and spacing follow it.
    return QTest::qWaitFor(
        [&] {
            QApplication::processEvents();
            return m_finestra->size() == dimensione;
        },
        2000);
}

void TestImpaginazione::pagineIntere_data()
{
    QTest::addColumn<QSize>("dimensione");
    for (const QSize dimensione : {QSize(751, 585), QSize(1280, 1024), QSize(1920, 1080)}) {
        QTest::newRow(
            qPrintable(QStringLiteral("%1x%2").arg(dimensione.width()).arg(dimensione.height())))
            << dimensione;
    }
}

void TestImpaginazione::pagineIntere()
{
    QFETCH(QSize, dimensione);
    avviaTcp();
    QVERIFY(ridimensiona(dimensione));

    const auto verifica = [this, dimensione](const QString &attesa) {
        QTRY_COMPARE(paginaCorrente()->objectName(), attesa);
        QApplication::processEvents();
        // No page holds the window larger than the operator made it.
        QCOMPARE(m_finestra->size(), dimensione);
        const QStringList trovati = difetti();
        QVERIFY2(trovati.isEmpty(),
                 qPrintable(attesa + QStringLiteral(":\n") + trovati.join(QLatin1Char('\n'))));
    };
    verifica(QStringLiteral("TabSheet1"));
    if (QTest::currentTestFailed()) {
        return;
    }
    for (const Passo &passo : kPercorso) {
        if (auto *azione = controllo<QAction>(QLatin1String(passo.ingresso))) {
            azione->trigger();
        } else {
            clicca(QLatin1String(passo.ingresso));
        }
        verifica(QLatin1String(passo.pagina));
        if (QTest::currentTestFailed()) {
            return;
        }
    }
    // The configuration's other tabs, as the operator picks them.
    auto *schede = controllo<QTabWidget>(QStringLiteral("pcSettaggio"));
    QVERIFY(schede);
    for (int scheda = 1; scheda < schede->count(); ++scheda) {
        schede->setCurrentIndex(scheda);
        verifica(QStringLiteral("tsConfigurazione"));
        if (QTest::currentTestFailed()) {
            return;
        }
    }

    // Back to the first size: what the pages grew to never keeps the window large.
    QVERIFY(ridimensiona(QSize(751, 585)));
    const QStringList trovati = difetti();
    QVERIFY2(trovati.isEmpty(), qPrintable(trovati.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestImpaginazione)
#include "tst_impaginazione.moc"
