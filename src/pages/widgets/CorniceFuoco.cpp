#include "pages/widgets/CorniceFuoco.h"

#include <QApplication>
#include <QFocusFrame>
#include <QPainter>
#include <QPalette>

namespace {

constexpr int kSpessore = 2;
constexpr char kProprietaDisegnoProprio[] = "brivolaCorniceDisegnoProprio";

// The style's frame fills its ring with the text colour; this one uses the highlight.
class Cornice : public QFocusFrame
{
public:
    explicit Cornice(QWidget *parent) : QFocusFrame(parent)
    {
        setObjectName(QStringLiteral("corniceFuoco"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter pittore(this);
        CorniceFuoco::disegna(pittore, rect(), palette());
    }
};

} // namespace

CorniceFuoco::CorniceFuoco(QWidget *finestra) : QObject(finestra), m_finestra(finestra)
{
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *nuovo) { segui(nuovo); });
}

CorniceFuoco::~CorniceFuoco()
{
    delete m_cornice;
}

void CorniceFuoco::disegna(QPainter &pittore, const QRect &area, const QPalette &tavolozza)
{
    pittore.save();
    QPen penna(tavolozza.color(QPalette::Active, QPalette::Highlight), kSpessore);
    penna.setJoinStyle(Qt::MiterJoin);
    pittore.setPen(penna);
    pittore.setBrush(Qt::NoBrush);
    const qreal meta = kSpessore / 2.0;
    pittore.drawRect(QRectF(area).adjusted(meta, meta, -meta, -meta));
    pittore.restore();
}

void CorniceFuoco::disegnoProprio(QWidget *controllo)
{
    controllo->setProperty(kProprietaDisegnoProprio, true);
}

QWidget *CorniceFuoco::controllo() const
{
    return m_cornice && m_cornice->isVisible() ? m_cornice->widget() : nullptr;
}

void CorniceFuoco::segui(QWidget *controllo)
{
    const bool nostro = controllo && m_finestra && controllo->window() == m_finestra &&
                        controllo != m_finestra && controllo->parentWidget() &&
                        !controllo->inherits("QMenuBar") &&
                        !controllo->property(kProprietaDisegnoProprio).toBool();
    if (!nostro) {
        if (m_cornice) {
            m_cornice->setWidget(nullptr);
        }
        return;
    }
    if (!m_cornice) {
        m_cornice = new Cornice(m_finestra);
    }
    m_cornice->setWidget(controllo);
}
