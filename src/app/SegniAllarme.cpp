#include "app/SegniAllarme.h"

#include "app/NavigazionePagine.h"
#include "core/ValoriProgramma.h"
#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/PannelloPunto.h"
#include "storico/RegistrazioneScheda.h"

#include <QLabel>

SegniAllarme::SegniAllarme(NavigazionePagine &navigazione,
                           const RegistrazioneScheda &registrazione, QObject *parent)
    : QObject(parent), m_navigazione(navigazione), m_registrazione(registrazione)
{
    connect(&m_registrazione, &RegistrazioneScheda::allarme, this, &SegniAllarme::aggiorna);
    connect(&m_navigazione, &NavigazionePagine::paginaCambiata, this, &SegniAllarme::aggiorna);
}

void SegniAllarme::segna(QWidget *punto, const QString &nome, bool attivo)
{
    if (!punto) {
        return;
    }
    auto *segno = punto->findChild<QLabel *>(nome, Qt::FindDirectChildrenOnly);
    if (!segno && !attivo) {
        return;
    }
    if (!segno) {
        // Over the point's top left corner, outside any layout: the page does not move.
        segno = new QLabel(Testo, punto);
        segno->setObjectName(nome);
        segno->setTextFormat(Qt::PlainText);
        segno->setStyleSheet(QStringLiteral(
            "QLabel { background: #b00000; color: white; font-weight: bold; padding: 0 3px; }"));
        segno->adjustSize();
        segno->move(0, 0);
        segno->setToolTip(QStringLiteral("Ingresso in allarme"));
    }
    segno->setVisible(attivo);
    if (attivo) {
        segno->raise();
    }
}

void SegniAllarme::aggiorna()
{
    using Famiglia = PuntoStorico::Famiglia;
    const int pagina = m_navigazione.currentIndex();
    for (int n = 1; n <= 8; ++n) {
        const QString numero = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        if (pagina == ValoriProgramma::IngressiAnalogici) {
            segna(m_navigazione.paginaIngressiAnalogici()->display(n),
                  QStringLiteral("lbAllarmeIA") + numero,
                  m_registrazione.isInAllarme({Famiglia::IngressiAnalogici, -1, n}));
        } else if (pagina == ValoriProgramma::IngressiDigitali) {
            segna(m_navigazione.paginaIngressiDigitali()->pannello(n),
                  QStringLiteral("lbAllarmeID") + numero,
                  m_registrazione.isInAllarme({Famiglia::IngressiDigitali, -1, n}));
        }
    }
}
