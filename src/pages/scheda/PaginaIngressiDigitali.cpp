#include "pages/scheda/PaginaIngressiDigitali.h"
#include "pages/widgets/IconeStandard.h"

#include "core/Gestore.h"
#include "core/ValoriProgramma.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/widgets/PannelloPunto.h"
#include "pages/widgets/ScalaPagina.h"
#include "pages/scheda/TfrmStato.h"
#include "protocol/Protocollo.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"
#include "settings/IniLetto.h"
#include "settings/LayoutIni.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <memory>
#include <utility>

namespace {


// The captions as the board's labels print them: the first one has no blank.
QString didascalia(int n)
{
    return n == 1 ? QStringLiteral("(IN1)") : QStringLiteral("(IN %1)").arg(n);
}

// A stored string, "00000000" when the file or key is missing.
QString leggiFlag(const IniLetto &file, const QString &chiave)
{
    const QString valore = file.valore(LayoutIni::kSezImpostazioni, chiave);
    return valore.toUpper() == kErrore ? QStringLiteral("00000000") : valore;
}

} // namespace

PaginaIngressiDigitali::PaginaIngressiDigitali(ContestoPagine &contesto, QWidget *parent)
    : PaginaBase(QStringLiteral("TabSheet3"), parent), m_contesto(contesto)
{
    aggiungiTitolo(QStringLiteral("lbtsID"), QStringLiteral("Ingressi Digitali"));
    creaIngressi();

    auto *richiesta = aggiungiPulsante(QStringLiteral("sbIDRich"), QStringLiteral("Richiesta"));
    setPulsanteRichiesta(richiesta);
    auto *impostazioni =
        aggiungiPulsante(QStringLiteral("sbIDImp"), QStringLiteral("Invio Impostazioni"));
    m_continua = aggiungiPulsante(QStringLiteral("sbIDContinua"), QStringLiteral("Continua"));
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPID"), QStringLiteral("Periferiche"));
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton1"), QStringLiteral("Pagina Iniziale"));
    connect(richiesta, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbIDRichClick(); }));
    connect(impostazioni, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbIDImpClick(); }));
    contesto.modoContinuo.aggiungiPulsante(m_continua);
    // The continuous output carries the inputs unasked.
    contesto.sessione.perOgniGiro(this, [this](const GiroContinuo &giro) {
        mostraStati(giro.ingressi);
    });
}

void PaginaIngressiDigitali::creaIngressi()
{
    auto *griglia = new QGridLayout(contenuto());
    griglia->setContentsMargins(30, 16, 30, 16);
    griglia->setHorizontalSpacing(6);
    griglia->setVerticalSpacing(4);
    // Room between the two columns of inputs.
    griglia->setColumnMinimumWidth(2, 40);
    griglia->setColumnStretch(0, 1);
    griglia->setColumnStretch(3, 1);
    scala().spazi(griglia);
    const QIcon iconaAllarme = iconaStandard(QStyle::SP_MessageBoxWarning);
    for (int n = 1; n <= 8; ++n) {
        auto *pannello = new PannelloPunto(QStringLiteral("sbID%1").arg(n), contenuto());
        pannello->setSolaLettura(true);
        auto *etichetta = new QLabel(didascalia(n), contenuto());
        etichetta->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

        auto *allarme = new QToolButton(contenuto());
        allarme->setObjectName(QStringLiteral("SpeedButton%1").arg(n + 4));
        allarme->setToolTip(QStringLiteral("Allarme"));
        allarme->setAutoRaise(true);
        allarme->setIcon(iconaAllarme);
        scala().icona(allarme, QSize(16, 16));
        connect(allarme, &QToolButton::clicked, this,
                protetto(m_contesto.messaggi, [this, n] { SpeedButtonAllarmeClick(n); }));

        auto *testo = new QLabel(contenuto());
        testo->setObjectName(LayoutIni::numerata(QStringLiteral("lbIDS"), n));
        testo->setTextFormat(Qt::PlainText);
        testo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        testo->setMinimumWidth(testo->fontMetrics().horizontalAdvance(AllarmiDigitali::kHigh) + 4);

        const int riga = ((n - 1) % 4) * 2;
        const int colonna = (n - 1) / 4 * 3;
        griglia->addWidget(pannello, riga, colonna);
        griglia->addWidget(etichetta, riga + 1, colonna);
        griglia->addWidget(allarme, riga, colonna + 1, Qt::AlignLeft | Qt::AlignBottom);
        griglia->addWidget(testo, riga + 1, colonna + 1);
        m_pannelli[n - 1] = pannello;
        m_pulsantiAllarme[n - 1] = allarme;
        m_testiAllarme[n - 1] = testo;
    }
}

QString PaginaIngressiDigitali::testoAllarme(int n) const
{
    return m_testiAllarme.at(n - 1)->text();
}

void PaginaIngressiDigitali::impostaTestoAllarme(int n, const QString &testo)
{
    m_testiAllarme.at(n - 1)->setText(testo);
}

AllarmiDigitali::Testi PaginaIngressiDigitali::testiAllarmi() const
{
    AllarmiDigitali::Testi testi;
    for (int n = 1; n <= 8; ++n) {
        testi[n - 1] = testoAllarme(n);
    }
    return testi;
}

void PaginaIngressiDigitali::lbIDClick()
{
    m_contesto.apriPaginaScheda(ValoriProgramma::IngressiDigitali, [this] { caricaAllarmi(); });
    // Never "*/C" first: the reply itself tells whether the board is streaming.
    richiediStati();
}

void PaginaIngressiDigitali::sbIDRichClick()
{
    richiediStati();
}

void PaginaIngressiDigitali::sbIDImpClick()
{
    memorizzaEInviaAllarmi();
    // The states as the board has them with its new settings.
    richiediStati();
}

void PaginaIngressiDigitali::richiediStati()
{
    EsitoInvio esito;
    esito.risposta = [this](const Risposta &risposta) { mostraStati(risposta); };
    m_contesto.invio.invia(Protocollo::statoIngressi(), esito);
}

void PaginaIngressiDigitali::SpeedButtonAllarmeClick(int n)
{
    // Lives for this one edit. Owned by the main window, so it goes if the window does.
    QPointer<TfrmStato> dialogo = new TfrmStato(window());
    dialogo->impostaIngresso(n, m_contesto.valori.configurazione.nomiID.at(n - 1));
    dialogo->setTesto(testoAllarme(n));
    dialogo->exec();
    if (!dialogo) {
        return;
    }
    impostaTestoAllarme(n, dialogo->testo());
    delete dialogo;
}

void PaginaIngressiDigitali::caricaAllarmi()
{
    const IniLetto file(m_contesto.valori.fileImpostazioni);
    const QString abilitazioni = leggiFlag(file, LayoutIni::kChiaveAllarme);
    const QString livelli = leggiFlag(file, LayoutIni::kChiaveStato);
    AllarmiDigitali::Testi testi = testiAllarmi();
    AllarmiDigitali::applica(testi, abilitazioni, livelli);
    for (int n = 1; n <= 8; ++n) {
        impostaTestoAllarme(n, testi[n - 1]);
    }
}

void PaginaIngressiDigitali::memorizzaEInviaAllarmi()
{
    const AllarmiDigitali::Stringhe stringhe = AllarmiDigitali::stringhe(testiAllarmi());
    SalvataggioIni salvataggio(m_contesto.valori.fileImpostazioni);
    salvataggio.scrivi(LayoutIni::kSezImpostazioni, LayoutIni::kChiaveAllarme,
                       stringhe.abilitazioni);
    salvataggio.scrivi(LayoutIni::kSezImpostazioni, LayoutIni::kChiaveStato, stringhe.livelli);
    // Stored first, so a send cut short (the window closing, the link lost) never leaves the
    // board with alarms the file does not hold. A file that could not be written still lets
    // them go: the board must not keep the old ones.
    if (!salvataggio.concludi()) {
        m_contesto.messaggi.avviso(salvataggio.errore());
    }
    const auto nonInviate = [this] {
        m_contesto.messaggi.avviso(
            QStringLiteral("Impostazioni salvate ma non inviate alla scheda"));
    };
    // One "not sent" notice even when both commands are dropped.
    auto avvisato = std::make_shared<bool>(false);
    const EsitoInvio esito{{}, [nonInviate, avvisato] {
                               if (!std::exchange(*avvisato, true)) {
                                   nonInviate();
                               }
                           }};
    m_contesto.invio.invia(Protocollo::abilitazioniAllarmiDigitali(stringhe.abilitazioni), esito);
    // The notice once the second of the two is written.
    EsitoInvio ultimo = esito;
    ultimo.scritto = [notizia = m_contesto.notizia, avvisato] {
        if (notizia && !*avvisato) {
            notizia(QStringLiteral("Impostazioni inviate alla scheda"));
        }
    };
    m_contesto.invio.invia(Protocollo::livelliAllarmiDigitali(stringhe.livelli), ultimo);
}

void PaginaIngressiDigitali::mostraStati(const Risposta &risposta)
{
    if (!risposta.trovata()) {
        return;
    }
    for (int i = 0; i < 8; ++i) {
        m_pannelli[i]->impostaStato(risposta.stati[i]);
    }
}
