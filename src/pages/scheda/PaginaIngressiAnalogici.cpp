#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "pages/widgets/IconeStandard.h"

#include "core/Gestore.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "link/Invio.h"
#include "pages/comune/ContestoPagine.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/ScalaPagina.h"
#include "pages/comune/ModoContinuo.h"
#include "pages/scheda/TfrmStatoAnalogici.h"
#include "protocol/Conversioni.h"
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

namespace {

const QString kSpento = QStringLiteral("All.:Off");
const QString kMinimoSpento = QStringLiteral("0");
const QString kMassimoSpento = QStringLiteral("255");
constexpr int kPausaAbilitazioni = 500;
constexpr int kPausaSoglia = 200;

} // namespace

AllarmiAnalogici AllarmiAnalogici::prepara(const std::array<QString, 8> &testi,
                                           const std::array<QString, 8> &minimi,
                                           const std::array<QString, 8> &massimi)
{
    AllarmiAnalogici allarmi;
    for (int i = 0; i < 8; ++i) {
        const TestoAllarmeAnalogico parti = TestoAllarmeAnalogico::leggi(testi[i]);
        if (parti.isSpento()) {
            allarmi.abilitazioni += QLatin1Char('0');
            allarmi.soglie[2 * i] = kMinimoSpento;
            allarmi.soglie[2 * i + 1] = kMassimoSpento;
            allarmi.campi[2 * i] = Protocollo::campoTreCifre(0);
            allarmi.campi[2 * i + 1] = Protocollo::campoTreCifre(255);
            continue;
        }
        allarmi.abilitazioni += QLatin1Char('1');
        allarmi.soglie[2 * i] = parti.minimo;
        allarmi.soglie[2 * i + 1] = parti.massimo;
        try {
            const double minimo = Conversioni::StrToFloat(minimi[i]);
            const double massimo = Conversioni::StrToFloat(massimi[i]);
            allarmi.campi[2 * i] = Protocollo::campoTreCifre(Conversioni::livelloAllarme(
                Conversioni::StrToFloat(parti.minimo), minimo, massimo));
            allarmi.campi[2 * i + 1] = Protocollo::campoTreCifre(Conversioni::livelloAllarme(
                Conversioni::StrToFloat(parti.massimo), minimo, massimo));
        } catch (const ErroreProgramma &) {
            if (allarmi.ingressoNonValido == 0) {
                allarmi.ingressoNonValido = i + 1;
            }
        }
    }
    return allarmi;
}

PaginaIngressiAnalogici::PaginaIngressiAnalogici(ContestoPagine &contesto, QWidget *parent)
    : PaginaBase(QStringLiteral("TabSheet5"), parent), m_contesto(contesto)
{
    aggiungiTitolo(QStringLiteral("lbtsIA"), QStringLiteral("Ingressi Analogici"));
    // Inputs 1-4 top to bottom on the left, 5-8 on the right. Each input's controls stay
    // together; the room between and around them grows with the page.
    auto *griglia = new QGridLayout(contenuto());
    griglia->setContentsMargins(12, 8, 12, 8);
    griglia->setHorizontalSpacing(0);
    griglia->setVerticalSpacing(4);
    griglia->setColumnMinimumWidth(2, 24);
    scala().spazi(griglia);
    for (const int colonna : {0, 2, 4}) {
        griglia->setColumnStretch(colonna, 1);
    }

    for (int n = 1; n <= 8; ++n) {
        Ingresso &ingresso = m_ingressi[n - 1];
        auto *blocco = new QGridLayout();
        blocco->setHorizontalSpacing(8);
        blocco->setVerticalSpacing(2);
        scala().spazi(blocco);
        griglia->addLayout(blocco, (n - 1) % 4, n <= 4 ? 1 : 3, Qt::AlignLeft | Qt::AlignVCenter);

        ingresso.titolo = new EtichettaAccorciata(contenuto());
        ingresso.titolo->setObjectName(QStringLiteral("lbIA0%1").arg(n));
        QFont grassetto = ingresso.titolo->font();
        grassetto.setBold(true);
        ingresso.titolo->setFont(grassetto);
        blocco->addWidget(ingresso.titolo, 0, 0, 1, 4, Qt::AlignBottom);

        ingresso.display = new DisplayLed(QStringLiteral("LD0%1").arg(n), contenuto());
        scala().minimo(ingresso.display, QSize(130, 52));
        blocco->addWidget(ingresso.display, 1, 0);

        ingresso.unita = new QLabel(contenuto());
        ingresso.unita->setObjectName(QStringLiteral("lbIAT0%1").arg(n));
        ingresso.unita->setTextFormat(Qt::PlainText);
        QFont grande = ingresso.unita->font();
        grande.setBold(true);
        ingresso.unita->setFont(grande);
        scala().carattere(ingresso.unita, 18);
        scala().minimo(ingresso.unita, QSize(52, 0));
        blocco->addWidget(ingresso.unita, 1, 1);

        ingresso.pulsanteAllarme = new QToolButton(contenuto());
        ingresso.pulsanteAllarme->setObjectName(QStringLiteral("SpeedButton%1").arg(13 + n));
        ingresso.pulsanteAllarme->setToolTip(QStringLiteral("Allarme"));
        ingresso.pulsanteAllarme->setAutoRaise(true);
        ingresso.pulsanteAllarme->setIcon(iconaStandard(QStyle::SP_MessageBoxWarning));
        scala().icona(ingresso.pulsanteAllarme, QSize(16, 16));
        blocco->addWidget(ingresso.pulsanteAllarme, 1, 2);

        ingresso.allarme = new QLabel(contenuto());
        ingresso.allarme->setObjectName(QStringLiteral("lbIAS0%1").arg(n));
        ingresso.allarme->setTextFormat(Qt::PlainText);
        scala().minimo(ingresso.allarme, QSize(90, 0));
        blocco->addWidget(ingresso.allarme, 1, 3);

        connect(ingresso.pulsanteAllarme, &QToolButton::clicked, this,
                protetto(contesto.messaggi, [this, n] { SpeedButtonAllarmeClick(n); }));
    }
    for (int riga = 0; riga < 4; ++riga) {
        griglia->setRowStretch(riga, 1);
    }

    auto *richiesta = aggiungiPulsante(QStringLiteral("sbIARich"), QStringLiteral("Richiesta"));
    setPulsanteRichiesta(richiesta);
    auto *impostazioni =
        aggiungiPulsante(QStringLiteral("sbIAImp"), QStringLiteral("Invio Impostazioni"));
    m_continua = aggiungiPulsante(QStringLiteral("sbIAContinua"), QStringLiteral("Continua"));
    contesto.modoContinuo.aggiungiPulsante(m_continua);
    aggiungiSpaziatura();
    m_periferiche = aggiungiPulsante(QStringLiteral("sbPIA"), QStringLiteral("Periferiche"));
    m_periferiche->hide();
    m_home = aggiungiPulsante(QStringLiteral("SpeedButton3"), QStringLiteral("Pagina Iniziale"));
    connect(richiesta, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbIARichClick(); }));
    connect(impostazioni, &QPushButton::clicked, this,
            protetto(contesto.messaggi, [this] { sbIAImpClick(); }));
    // The continuous output carries the readings unasked.
    contesto.sessione.perOgniGiro(this, [this](const GiroContinuo &giro) {
        mostraLetture(giro.analogici);
    });
}

void PaginaIngressiAnalogici::lbIAClick()
{
    m_contesto.apriPaginaScheda(ValoriProgramma::IngressiAnalogici, [this] { caricaAllarmi(); });
    richiediLetture();
}

void PaginaIngressiAnalogici::sbIARichClick()
{
    richiediLetture();
}

void PaginaIngressiAnalogici::richiediLetture()
{
    EsitoInvio esito;
    esito.risposta = [this](const Risposta &risposta) { mostraLetture(risposta); };
    m_contesto.invio.invia(Protocollo::letturaAnalogici(), esito);
}

void PaginaIngressiAnalogici::sbIAImpClick()
{
    salvaEInviaAllarmi();
}

void PaginaIngressiAnalogici::SpeedButtonAllarmeClick(int n)
{
    QLabel *testo = m_ingressi.at(n - 1).allarme;
    // Owned by the main window; closing the window during the edit takes the dialog with it.
    QPointer<TfrmStatoAnalogici> dialogo = new TfrmStatoAnalogici(window());
    const ValoriConfigurazione &configurazione = m_contesto.valori.configurazione;
    dialogo->impostaIngresso(n, configurazione.nomiIA.at(n - 1), configurazione.minimiIA.at(n - 1),
                             configurazione.massimiIA.at(n - 1), m_ingressi.at(n - 1).unita->text());
    dialogo->setCampo(testo->text());
    dialogo->exec();
    if (dialogo) {
        testo->setText(dialogo->campo());
        delete dialogo;
    }
}

void PaginaIngressiAnalogici::mostraLettura(int n, int grezzo)
{
    const ValoriConfigurazione &configurazione = m_contesto.valori.configurazione;
    // The range is read from its texts once, not at every reading: only a new text is parsed.
    Gamma &gamma = m_gamme.at(n - 1);
    const QString &minimo = configurazione.minimiIA.at(n - 1);
    const QString &massimo = configurazione.massimiIA.at(n - 1);
    if (!gamma.valida || gamma.testoMinimo != minimo || gamma.testoMassimo != massimo) {
        gamma.valida = false;
        gamma.minimo = Conversioni::StrToFloat(minimo);
        gamma.massimo = Conversioni::StrToFloat(massimo);
        gamma.testoMinimo = minimo;
        gamma.testoMassimo = massimo;
        gamma.valida = true;
    }
    const qint64 valore = Conversioni::scalaAnalogico(grezzo, gamma.minimo, gamma.massimo);
    m_ingressi.at(n - 1).display->mostra(QString::number(valore));
    emit letturaMostrata(n, valore);
}

void PaginaIngressiAnalogici::mostraLetture(const Risposta &risposta)
{
    // A reply cut short leaves the inputs it did not reach showing old values as not current.
    if (risposta.trovata() && !risposta.completa()) {
        segnaNonAttuale();
    }
    for (qsizetype i = 0; i < risposta.valori.size() && i < 8; ++i) {
        // A range that is not a number stops here: that display and the ones after it stay.
        mostraLettura(int(i) + 1, risposta.valori.at(i));
    }
}

void PaginaIngressiAnalogici::caricaAllarmi()
{
    // One parse of the file for all seventeen keys.
    const IniLetto file(m_contesto.valori.fileImpostazioni);
    QString abilitazioni = file.valore(LayoutIni::kSezImpostazioni, LayoutIni::kChiaveAllarmeA);
    if (abilitazioni == kErrore) {
        abilitazioni = QStringLiteral("00000000");
    }
    std::array<QString, 8> minimi;
    std::array<QString, 8> massimi;
    for (int n = 1; n <= 8; ++n) {
        minimi[n - 1] = file.valore(LayoutIni::kSezImpostazioni, LayoutIni::chiaveStatoAMin(n));
        massimi[n - 1] = file.valore(LayoutIni::kSezImpostazioni, LayoutIni::chiaveStatoAMax(n));
    }
    for (qsizetype i = 0; i < std::min<qsizetype>(abilitazioni.size(), 8); ++i) {
        m_ingressi[i].allarme->setText(abilitazioni.at(i) == QLatin1Char('1') ? QString()
                                                                              : kSpento);
    }
    // Every input still without a text shows its stored window, also one beyond a short
    // enable string.
    for (int i = 0; i < 8; ++i) {
        if (m_ingressi[i].allarme->text().isEmpty()) {
            m_ingressi[i].allarme->setText(QStringLiteral("All.:") + minimi[i] +
                                           QStringLiteral(" - ") + massimi[i]);
        }
    }
}

void PaginaIngressiAnalogici::salvaEInviaAllarmi()
{
    std::array<QString, 8> testi;
    for (int i = 0; i < 8; ++i) {
        testi[i] = m_ingressi[i].allarme->text();
    }
    const ValoriConfigurazione &configurazione = m_contesto.valori.configurazione;
    const AllarmiAnalogici allarmi =
        AllarmiAnalogici::prepara(testi, configurazione.minimiIA, configurazione.massimiIA);
    // Nothing is stored or sent unless every enabled input gives its two levels.
    if (allarmi.ingressoNonValido != 0) {
        m_contesto.messaggi.avviso(QStringLiteral("Valori di allarme non validi per l'ingresso ") +
                                   QString::number(allarmi.ingressoNonValido));
        throw AbortSilenzioso{};
    }

    SalvataggioIni salvataggio(m_contesto.valori.fileImpostazioni);
    salvataggio.scrivi(LayoutIni::kSezImpostazioni, LayoutIni::kChiaveAllarmeA,
                       allarmi.abilitazioni);
    for (int n = 1; n <= 8; ++n) {
        salvataggio.scrivi(LayoutIni::kSezImpostazioni, LayoutIni::chiaveStatoAMin(n),
                           allarmi.soglie[2 * (n - 1)]);
        salvataggio.scrivi(LayoutIni::kSezImpostazioni, LayoutIni::chiaveStatoAMax(n),
                           allarmi.soglie[2 * (n - 1) + 1]);
    }
    if (!salvataggio.concludi()) {
        m_contesto.messaggi.avviso(salvataggio.errore());
    }

    // The board reads the sixteen fields right after "*/HAS" as its thresholds: no other
    // command may get in between, so they go as one transmission, queued behind any command
    // under way.
    QList<Invio::Passo> passi{
        Invio::Passo::perComando(Protocollo::abilitazioniAllarmiAnalogici(allarmi.abilitazioni)),
        Invio::Passo::pausa(kPausaAbilitazioni),
        Invio::Passo::perComando(Protocollo::soglieAllarmiAnalogici()),
        Invio::Passo::pausa(kPausaSoglia)};
    for (const QString &campo : allarmi.campi) {
        passi.append(Invio::Passo::diretto(campo));
    }
    EsitoInvio esito;
    esito.scartato = [this] {
        m_contesto.messaggi.avviso(
            QStringLiteral("Impostazioni salvate ma non inviate alla scheda"));
    };
    esito.scritto = [notizia = m_contesto.notizia] {
        if (notizia) {
            notizia(QStringLiteral("Impostazioni inviate alla scheda"));
        }
    };
    m_contesto.invio.inviaSequenza(passi, esito);
}
