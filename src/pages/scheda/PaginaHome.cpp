#include "pages/scheda/PaginaHome.h"

#include "pages/widgets/Cerchio.h"
#include "pages/widgets/EtichettaCliccabile.h"
#include "pages/widgets/ImmagineStirata.h"

namespace {

struct DefinizioneVoce
{
    const char *cerchio;
    const char *etichetta;
    const char *testo;
    // The letter of the Alt mnemonic, as a position in the text: all four must differ.
    int mnemonico;
};

constexpr std::array<DefinizioneVoce, 4> kVoci{{
    {"shUD", "lbUD", "USCITE DIGITALI", 0},
    {"shID", "lbID", "INGRESSI DIGITALI", 0},
    {"shUA", "lbUA", "USCITE ANALOGICHE", 7},
    {"shIA", "lbIA", "INGRESSI ANALOGICI", 1},
}};

constexpr int kMargineSinistro = 16;
constexpr int kMargineBasso = 14;
constexpr int kPassoRighe = 24;
constexpr int kDiametro = 15;

} // namespace

PaginaHome::PaginaHome(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet1"));
    m_immagine = new ImmagineStirata(QStringLiteral(":/home.jpg"), this);
    m_immagine->setObjectName(QStringLiteral("Image1"));
    connect(m_immagine, &ImmagineStirata::cliccata, this, &PaginaHome::immagineCliccata);

    const QColor navy(0, 0, 128);
    for (int i = 0; i < static_cast<int>(kVoci.size()); ++i) {
        const auto voce = static_cast<Voce>(i);
        auto *cerchio = new Cerchio(navy, kDiametro, this);
        cerchio->setObjectName(QLatin1String(kVoci[i].cerchio));
        auto *etichetta = new EtichettaCliccabile(QLatin1String(kVoci[i].testo), this);
        etichetta->setObjectName(QLatin1String(kVoci[i].etichetta));
        QFont carattere = etichetta->font();
        carattere.setBold(true);
        carattere.setUnderline(true);
        etichetta->setFont(carattere);
        QPalette tavolozza = etichetta->palette();
        tavolozza.setColor(QPalette::WindowText, navy);
        etichetta->setPalette(tavolozza);
        etichetta->impostaMnemonico(kVoci[i].mnemonico);
        etichetta->adjustSize();
        connect(cerchio, &Cerchio::rilasciato, this, [this, voce] { emit voceScelta(voce); });
        connect(etichetta, &EtichettaCliccabile::cliccata, this,
                [this, voce] { emit voceScelta(voce); });
        m_cerchi[i] = cerchio;
        m_etichette[i] = etichetta;
    }
    // Tab and the arrows go through the entries top to bottom.
    for (int i = 1; i < static_cast<int>(m_etichette.size()); ++i) {
        setTabOrder(m_etichette[i - 1], m_etichette[i]);
    }
    posizionaVoci();
}

void PaginaHome::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_immagine->setGeometry(rect());
    posizionaVoci();
}

// The entries stay anchored to the lower left corner whatever the page size.
void PaginaHome::posizionaVoci()
{
    const int righe = static_cast<int>(m_cerchi.size());
    for (int i = 0; i < righe; ++i) {
        const int centro = height() - kMargineBasso - (righe - 1 - i) * kPassoRighe - kDiametro / 2;
        m_cerchi[i]->move(kMargineSinistro, centro - kDiametro / 2);
        // The label's own margin (room for its focus frame) stands in for part of the gap.
        m_etichette[i]->move(kMargineSinistro + kDiametro + 8 - m_etichette[i]->contentsMargins().left(),
                             centro - m_etichette[i]->height() / 2);
        m_cerchi[i]->raise();
        m_etichette[i]->raise();
    }
}
