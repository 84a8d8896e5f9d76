#include "pages/comune/ModoContinuo.h"

#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Invio.h"
#include "protocol/SessioneScheda.h"
#include "protocol/Protocollo.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"

#include <QAbstractButton>

#include <algorithm>

ModoContinuo::ModoContinuo(ValoriProgramma &valori, Messaggi &messaggi, SessioneScheda &sessione,
                           QObject *parent)
    : QObject(parent), m_valori(valori), m_messaggi(messaggi), m_sessione(sessione)
{
    connect(&sessione, &SessioneScheda::modoContinuo, this, &ModoContinuo::mostra);
}

void ModoContinuo::aggiungiPulsante(QAbstractButton *pulsante)
{
    pulsante->setCheckable(true);
    pulsante->setToolTip(QStringLiteral("Continua"));
    m_pulsanti.append(pulsante);
    // `clicked` comes only from the operator; mostra() changes the state without it.
    connect(pulsante, &QAbstractButton::clicked, this,
            protetto(m_messaggi, [this] { sbIAContinuaClick(); }));
}

void ModoContinuo::sbIAContinuaClick()
{
    const bool giu = std::any_of(m_pulsanti.cbegin(), m_pulsanti.cend(),
                                 [](const QAbstractButton *p) { return p->isChecked(); });
    const QString valore = giu ? QStringLiteral("1") : QStringLiteral("0");
    SalvataggioIni salvataggio(m_valori.fileImpostazioni);
    salvataggio.scrivi(LayoutIni::kSezOption, LayoutIni::kChiaveContinuo, valore);
    if (!salvataggio.concludi()) {
        m_messaggi.avviso(salvataggio.errore());
    }
    m_sessione.setContinuo(giu);
    m_sessione.invio().invia(Protocollo::continuo());
}

void ModoContinuo::fermaSeAcceso()
{
    m_sessione.invio().inviaSe([s = &m_sessione] { return s->isContinuo(); },
                               Protocollo::continuo());
}

void ModoContinuo::mostra(bool acceso)
{
    for (QAbstractButton *pulsante : std::as_const(m_pulsanti)) {
        pulsante->setChecked(acceso);
    }
}
