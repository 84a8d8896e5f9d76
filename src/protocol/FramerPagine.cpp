#include "protocol/FramerPagine.h"

#include "link/Framer.h"
#include "link/GestoreFramer.h"
#include "protocol/Protocollo.h"

namespace {

struct Impostazione
{
    const char *nome;
    QLatin1String inizio;
    int timeOut;
};

constexpr int kTimeOutLungo = 60000;
constexpr int kTimeOutPredefinito = 2184;

const std::array<Impostazione, FramerPagine::Numero> kImpostazioni{{
    {"adpUD", Protocollo::InizioRele, kTimeOutLungo},
    {"adpID", Protocollo::InizioIngressi, kTimeOutLungo},
    {"adpUA", Protocollo::InizioValore, kTimeOutPredefinito},
    {"adpIA", Protocollo::InizioAnalogico, kTimeOutLungo},
    {"adpUDP", Protocollo::InizioValore, kTimeOutLungo},
    {"adpIDP", Protocollo::InizioIngressiUnita, kTimeOutLungo},
    {"adpUAP", Protocollo::InizioValore, kTimeOutPredefinito},
}};

} // namespace

FramerPagine::FramerPagine(Seriale &seriale, QObject *parent)
    : QObject(parent)
{
    for (int i = 0; i < Numero; ++i) {
        auto *framer = new Framer(&seriale, this);
        framer->setObjectName(QLatin1String(kImpostazioni[i].nome));
        framer->setStartCond(Framer::scString);
        framer->setStartString(kImpostazioni[i].inizio);
        framer->setEndCond(Framer::ecString);
        framer->setEndString(Protocollo::FineValore);
        framer->setPacketSize(0);
        framer->setTimeOut(kImpostazioni[i].timeOut);
        m_framer[i] = framer;
        connect(framer, &Framer::timeout, this, &FramerPagine::rispostaIncompleta);
    }
    connect(GestoreFramer::perPorta(&seriale), &GestoreFramer::erroreGestore, this,
            &FramerPagine::errore);
}

void FramerPagine::disattivaTutti()
{
    for (Framer *framer : m_framer) {
        framer->setEnabled(false);
    }
}
