#include "config/PaginaConfigurazione.h"
#include "pages/widgets/CampoCorto.h"
#include "pages/widgets/IconeStandard.h"
#include "pages/widgets/ScalaPagina.h"

#include "core/Gestore.h"
#include "core/Messaggi.h"
#include "core/ValoriProgramma.h"
#include "config/ConfigurazionePredefinita.h"
#include "settings/Ini.h"
#include "settings/LayoutIni.h"
#include "settings/Utilita.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString numero2(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QLabel *creaEtichetta(const QString &testo, QWidget *parent)
{
    auto *etichetta = new QLabel(testo, parent);
    etichetta->setTextFormat(Qt::PlainText);
    return etichetta;
}

QComboBox *creaElenco(const QString &nome, const QStringList &voci, QWidget *parent)
{
    auto *elenco = new QComboBox(parent);
    elenco->setObjectName(nome);
    elenco->setEditable(false);
    elenco->addItems(voci);
    return elenco;
}

// Points 1..4 go in the left column, 5..8 in the right one, each column `larghezza` cells wide.
int rigaDelPunto(int n)
{
    return (n - 1) % 4;
}

int colonnaDelPunto(int n, int larghezza)
{
    return n <= 4 ? 0 : larghezza + 1;
}

const QString kCampoMinimo = QStringLiteral("Valore Min");
const QString kCampoMassimo = QStringLiteral("Valore Max");
const QString kDatiNonCorretti = QStringLiteral("Attenzione. Dati non Corretti");

} // namespace

PaginaConfigurazione::PaginaConfigurazione(ValoriProgramma &valori, Messaggi &messaggi,
                                           QWidget *parent)
    : QWidget(parent), m_valori(valori), m_messaggi(messaggi)
{
    setObjectName(QStringLiteral("tsConfigurazione"));
    m_scala = new ScalaPagina(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(creaPannelloStrumenti());

    m_pcSettaggio = new QTabWidget(this);
    m_pcSettaggio->setObjectName(QStringLiteral("pcSettaggio"));
    layout->addWidget(m_pcSettaggio, 1);

    using namespace ConfigurazionePredefinita;
    creaSchedaNomi(QStringLiteral("tsUD"), QStringLiteral("Uscite Digitali"),
                   QStringLiteral("Uscita"), QStringLiteral("eUDIni"), kNomiUD, m_eUDIni);
    creaSchedaNomi(QStringLiteral("tsID"), QStringLiteral("Ingressi Digitali"),
                   QStringLiteral("Ingresso"), QStringLiteral("eIDIni"), kNomiID, m_eIDIni);
    creaSchedaUA();
    creaSchedaIA();
    creaSchedaAllarme();
    m_pcSettaggio->setCurrentIndex(0);
    tracciaModifiche();
}

QSize PaginaConfigurazione::minimumSizeHint() const
{
    return m_scala->minimoBase(QWidget::minimumSizeHint());
}

QWidget *PaginaConfigurazione::creaPannelloStrumenti()
{
    auto *pannello = new QFrame(this);
    pannello->setFrameShape(QFrame::StyledPanel);
    auto *riga = new QHBoxLayout(pannello);
    riga->setContentsMargins(4, 3, 4, 3);
    m_scala->spazi(riga);

    // The leading blanks are part of the caption: they keep the text clear of the icon.
    m_sbSalvaConfIni = new QPushButton(QStringLiteral("       Salva Configurazione"), pannello);
    m_sbSalvaConfIni->setObjectName(QStringLiteral("sbSalvaConfIni"));
    m_sbSalvaConfIni->setToolTip(QStringLiteral("Salva Configurazione"));
    m_sbSalvaConfIni->setIcon(iconaStandard(QStyle::SP_DialogSaveButton));
    m_sbSalvaConfIni->setFlat(true);
    connect(m_sbSalvaConfIni, &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbSalvaConfIniClick(); }));

    m_speedButton13 = new QPushButton(QStringLiteral("Pagina Iniziale"), pannello);
    m_speedButton13->setObjectName(QStringLiteral("SpeedButton13"));
    m_speedButton13->setIcon(iconaStandard(QStyle::SP_ArrowBack));
    m_speedButton13->setFlat(true);
    connect(m_speedButton13, &QPushButton::clicked, this, &PaginaConfigurazione::paginaIniziale);

    riga->addWidget(m_sbSalvaConfIni);
    riga->addStretch(1);
    riga->addWidget(m_speedButton13);
    return pannello;
}

QWidget *PaginaConfigurazione::creaScheda(const QString &nome, const QString &titolo,
                                          QGridLayout *&griglia)
{
    auto *scheda = new QWidget(m_pcSettaggio);
    scheda->setObjectName(nome);
    auto *colonna = new QVBoxLayout(scheda);
    m_scala->spazi(colonna);

    auto *barraTitolo = creaEtichetta(titolo, scheda);
    QFont carattere = barraTitolo->font();
    carattere.setBold(true);
    barraTitolo->setFont(carattere);
    m_scala->carattere(barraTitolo, 16);
    barraTitolo->setAlignment(Qt::AlignCenter);
    barraTitolo->setFrameShape(QFrame::StyledPanel);
    m_scala->minimo(barraTitolo, QSize(0, 30));
    colonna->addWidget(barraTitolo);
    colonna->addSpacing(8);

    griglia = new QGridLayout();
    griglia->setHorizontalSpacing(6);
    griglia->setVerticalSpacing(8);
    m_scala->spazi(griglia);
    colonna->addLayout(griglia);
    colonna->addStretch(1);

    m_pcSettaggio->addTab(scheda, titolo);
    return scheda;
}

QLineEdit *PaginaConfigurazione::creaCampo(const QString &nome, const QString &testo,
                                           QWidget *parent)
{
    auto *campo = new QLineEdit(testo, parent);
    campo->setObjectName(nome);
    return campo;
}

QLineEdit *PaginaConfigurazione::creaCampoCorto(const QString &nome, const QString &testo,
                                                QWidget *parent)
{
    // Room for a signed limit with a decimal, such as "-1000.5".
    auto *campo = new CampoCorto(QStringLiteral("-0000.0"), parent);
    campo->setText(testo);
    campo->setObjectName(nome);
    return campo;
}

void PaginaConfigurazione::creaSchedaNomi(const QString &nome, const QString &titolo,
                                          const QString &etichetta, const QString &prefissoCampo,
                                          const std::array<QString, 8> &testi,
                                          std::array<QLineEdit *, 8> &campi)
{
    QGridLayout *griglia = nullptr;
    QWidget *scheda = creaScheda(nome, titolo, griglia);
    for (int n = 1; n <= 8; ++n) {
        const int riga = rigaDelPunto(n);
        const int colonna = colonnaDelPunto(n, 2);
        QLineEdit *campo = creaCampo(prefissoCampo + numero2(n), testi.at(n - 1), scheda);
        griglia->addWidget(
            creaEtichetta(etichetta + QLatin1Char(' ') + numero2(n) + QStringLiteral(" :"), scheda),
            riga, colonna, Qt::AlignRight);
        griglia->addWidget(campo, riga, colonna + 1);
        campi.at(n - 1) = campo;
    }
    griglia->setColumnMinimumWidth(2, 24);
    griglia->setColumnStretch(1, 1);
    griglia->setColumnStretch(4, 1);
}

void PaginaConfigurazione::creaSchedaUA()
{
    QGridLayout *griglia = nullptr;
    QWidget *scheda =
        creaScheda(QStringLiteral("tsUA"), QStringLiteral("Uscite Analogiche"), griglia);
    // "Uscite 01" is the caption the operator has always seen; keep it.
    const QStringList etichette = {QStringLiteral("Uscite 01 :"), QStringLiteral("Uscita 02 :")};
    for (int n = 1; n <= 2; ++n) {
        QLineEdit *campo = creaCampo(QStringLiteral("eUAIni") + numero2(n),
                                     ConfigurazionePredefinita::kNomiUA.at(n - 1), scheda);
        griglia->addWidget(creaEtichetta(etichette.at(n - 1), scheda), n - 1, 0, Qt::AlignRight);
        griglia->addWidget(campo, n - 1, 1);
        m_eUAIni.at(n - 1) = campo;
    }
    // Same proportions as the other tabs: the right half stays empty.
    griglia->setColumnMinimumWidth(2, 24);
    griglia->setColumnStretch(1, 1);
    griglia->setColumnStretch(4, 1);
}

void PaginaConfigurazione::creaSchedaIA()
{
    using namespace ConfigurazionePredefinita;
    QGridLayout *griglia = nullptr;
    QWidget *scheda =
        creaScheda(QStringLiteral("tsIA"), QStringLiteral("Ingressi Analogici"), griglia);
    griglia->setVerticalSpacing(4);

    // Each input takes two rows (name and unit; minimum and maximum) and a blank one.
    constexpr int kLarghezza = 5;
    for (int n = 1; n <= 8; ++n) {
        const int riga = rigaDelPunto(n) * 3;
        const int c = colonnaDelPunto(n, kLarghezza);

        QLineEdit *nome =
            creaCampo(QStringLiteral("eIAIni") + numero2(n), kNomiIA.at(n - 1), scheda);
        QComboBox *unita = creaElenco(QStringLiteral("eIATIni") + numero2(n), kUnita, scheda);
        unita->setCurrentIndex(kUnitaIA.at(n - 1).toInt());
        QLineEdit *minimo =
            creaCampoCorto(QStringLiteral("eVal") + numero2(n), kMinimiIA.at(n - 1), scheda);
        QLineEdit *massimo =
            creaCampoCorto(QStringLiteral("eValMax") + numero2(n), kMassimiIA.at(n - 1), scheda);

        griglia->addWidget(
            creaEtichetta(QStringLiteral("Ingresso ") + numero2(n) + QStringLiteral(" :"), scheda),
            riga, c, Qt::AlignRight);
        griglia->addWidget(nome, riga, c + 1, 1, 3);
        griglia->addWidget(unita, riga, c + 4);
        griglia->addWidget(creaEtichetta(QStringLiteral("Valore Min :"), scheda), riga + 1, c,
                           Qt::AlignRight);
        griglia->addWidget(minimo, riga + 1, c + 1, Qt::AlignLeft);
        griglia->addWidget(creaEtichetta(QStringLiteral("Valore Max :"), scheda), riga + 1, c + 2,
                           Qt::AlignRight);
        griglia->addWidget(massimo, riga + 1, c + 3, Qt::AlignLeft);
        if (rigaDelPunto(n) < 3) {
            griglia->setRowMinimumHeight(riga + 2, 6);
        }

        connect(minimo, &QLineEdit::editingFinished, this, protetto(m_messaggi, [=, this] {
                    controllaEstremo(n, minimo, kCampoMinimo);
                }));
        connect(massimo, &QLineEdit::editingFinished, this, protetto(m_messaggi, [=, this] {
                    controllaEstremo(n, massimo, kCampoMassimo);
                }));

        m_eIAIni.at(n - 1) = nome;
        m_eIATIni.at(n - 1) = unita;
        m_eVal.at(n - 1) = minimo;
        m_eValMax.at(n - 1) = massimo;
    }
    griglia->setColumnMinimumWidth(kLarghezza, 16);
    // The limits keep their own width; the names take what is left.
    for (const int c : {3, kLarghezza + 4}) {
        griglia->setColumnStretch(c, 1);
    }
}

void PaginaConfigurazione::creaSchedaAllarme()
{
    auto *scheda = new QWidget(m_pcSettaggio);
    scheda->setObjectName(QStringLiteral("TabSheet9"));
    auto *colonna = new QVBoxLayout(scheda);
    m_scala->spazi(colonna);
    auto *riga = new QHBoxLayout();

    m_cbTime = creaElenco(QStringLiteral("cbTime"),
                          {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                           QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                           QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")},
                          scheda);
    m_cbTime->setMaxVisibleItems(9);
    m_cbTime->setCurrentIndex(0);

    m_speedButton22 = new QPushButton(scheda);
    m_speedButton22->setObjectName(QStringLiteral("SpeedButton22"));
    m_speedButton22->setIcon(iconaStandard(QStyle::SP_ArrowForward));
    m_speedButton22->setToolTip(QStringLiteral("Invia il tempo di attivazione alla scheda"));
    connect(m_speedButton22, &QPushButton::clicked, this, &PaginaConfigurazione::inviaTempoAllarme);

    riga->addWidget(creaEtichetta(QStringLiteral("Tempo di attivazione :"), scheda));
    riga->addWidget(m_cbTime);
    riga->addWidget(m_speedButton22);
    riga->addStretch(1);
    colonna->addSpacing(16);
    colonna->addLayout(riga);
    colonna->addStretch(1);

    m_pcSettaggio->addTab(scheda, QStringLiteral("Relè Allarme"));
}

QString PaginaConfigurazione::erroreEstremo(int n, const QString &campo, const QString &testo)
{
    if (NumeroDecimale(testo)) {
        return {};
    }
    if (testo.trimmed().isEmpty()) {
        return QStringLiteral("Ingresso %1, campo \"%2\": manca il valore.").arg(numero2(n), campo);
    }
    return QStringLiteral("Ingresso %1, campo \"%2\": \"%3\" non è un numero.")
        .arg(numero2(n), campo, testo);
}

QStringList PaginaConfigurazione::erroriGamma(int n, const QString &minimo, const QString &massimo)
{
    QStringList errori;
    for (const QString &errore :
         {erroreEstremo(n, kCampoMinimo, minimo), erroreEstremo(n, kCampoMassimo, massimo)}) {
        if (!errore.isEmpty()) {
            errori << errore;
        }
    }
    if (errori.isEmpty() && *NumeroDecimale(minimo) >= *NumeroDecimale(massimo)) {
        errori << QStringLiteral("Ingresso %1: \"%2\" (%3) deve essere minore di \"%4\" (%5).")
                      .arg(numero2(n), kCampoMinimo, minimo.trimmed(), kCampoMassimo,
                           massimo.trimmed());
    }
    return errori;
}

void PaginaConfigurazione::controllaEstremo(int n, QLineEdit *campo, const QString &nomeCampo)
{
    // Only what the operator typed: a field left empty is told at save, and the order of the
    // two ends too, so a range can be moved one end at a time.
    if (!isVisible() || campo->text().isEmpty()) {
        return;
    }
    const QString errore = erroreEstremo(n, nomeCampo, campo->text());
    if (errore.isEmpty()) {
        m_segnalati.remove(campo);
    } else if (m_segnalati.value(campo) != campo->text()) {
        m_segnalati.insert(campo, campo->text());
        m_messaggi.messaggio(kDatiNonCorretti + QLatin1Char('\n') + errore);
    }
}

bool PaginaConfigurazione::sbSalvaConfIniClick()
{
    QStringList errori;
    QLineEdit *primoErrato = nullptr;
    for (int n = 1; n <= 8; ++n) {
        const QStringList diQuesto = erroriGamma(n, eVal(n)->text(), eValMax(n)->text());
        if (diQuesto.isEmpty()) {
            continue;
        }
        if (primoErrato == nullptr) {
            primoErrato = NumeroDecimale(eVal(n)->text()) ? eValMax(n) : eVal(n);
        }
        for (QLineEdit *campo : {eVal(n), eValMax(n)}) {
            m_segnalati.insert(campo, campo->text());
        }
        errori << diQuesto;
    }
    if (!errori.isEmpty()) {
        m_pcSettaggio->setCurrentWidget(findChild<QWidget *>(QStringLiteral("tsIA")));
        primoErrato->setFocus();
        primoErrato->selectAll();
        m_messaggi.messaggio(kDatiNonCorretti + QStringLiteral(": la configurazione non è stata "
                                                               "salvata.\n") +
                             errori.join(QLatin1Char('\n')));
        return false;
    }

    using namespace LayoutIni;
    SalvataggioIni salvataggio(m_valori.fileImpostazioni);
    const auto scrivi = [&salvataggio](const QString &chiave, const QString &valore) {
        salvataggio.scrivi(kSezOption, chiave, valore);
    };

    for (int n = 1; n <= 8; ++n) {
        scrivi(chiaveUD(n), eUDIni(n)->text());
    }
    for (int n = 1; n <= 8; ++n) {
        scrivi(chiaveID(n), eIDIni(n)->text());
    }
    for (int n = 1; n <= 2; ++n) {
        scrivi(chiaveUA(n), eUAIni(n)->text());
    }
    for (int n = 1; n <= 8; ++n) {
        scrivi(chiaveIA(n), eIAIni(n)->text());
    }
    for (int n = 1; n <= 8; ++n) {
        scrivi(chiaveIAT(n), QString::number(eIATIni(n)->currentIndex()));
    }
    for (int n = 1; n <= 8; ++n) {
        scrivi(chiaveIAV(n), eVal(n)->text());
    }
    for (int n = 1; n <= 8; ++n) {
        scrivi(chiaveIAVM(n), eValMax(n)->text());
    }
    if (!salvataggio.concludi()) {
        m_messaggi.avviso(salvataggio.errore());
        return false;
    }
    m_modificata = false;
    emit salvata();
    return true;
}

void PaginaConfigurazione::tracciaModifiche()
{
    // Only the operator's edits count: a reload fills the fields without these signals.
    for (QLineEdit *campo : findChildren<QLineEdit *>()) {
        connect(campo, &QLineEdit::textEdited, this, [this] { m_modificata = true; });
    }
    for (QComboBox *elenco : findChildren<QComboBox *>()) {
        if (elenco != m_cbTime) {
            connect(elenco, &QComboBox::activated, this, [this] { m_modificata = true; });
        }
    }
}
