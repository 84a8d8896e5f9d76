#include "pages/andamento/FinestraRegistroEventi.h"
#include "pages/andamento/CampoCsv.h"

#include "core/Gestore.h"
#include "core/Messaggi.h"
#include "pages/andamento/StoricoAnalogici.h"
#include "pages/widgets/SceltaFile.h"
#include "settings/ScritturaSicura.h"
#include "storico/PuntoStorico.h"
#include "storico/Storico.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cerrno>

namespace {

using Tipo = EventoStorico::Tipo;
using Famiglia = PuntoStorico::Famiglia;


QString dataOra(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

} // namespace

QString FinestraRegistroEventi::testoTipo(Tipo tipo)
{
    switch (tipo) {
    case Tipo::ReleCommutato:
        return QStringLiteral("Relè commutato");
    case Tipo::IngressoCambiato:
        return QStringLiteral("Ingresso cambiato");
    case Tipo::AllarmeAttivo:
        return QStringLiteral("Allarme");
    case Tipo::AllarmeRientrato:
        return QStringLiteral("Allarme rientrato");
    case Tipo::CollegamentoPerso:
        return QStringLiteral("Collegamento perso");
    case Tipo::CollegamentoRipristinato:
        return QStringLiteral("Collegamento ripristinato");
    case Tipo::ImpostazioniInviate:
        return QStringLiteral("Impostazioni inviate");
    case Tipo::UscitaCambiata:
        return QStringLiteral("Uscita cambiata");
    }
    return QString();
}

QString FinestraRegistroEventi::testoOrigine(EventoStorico::Origine origine)
{
    switch (origine) {
    case EventoStorico::Origine::Scheda:
        return QStringLiteral("Scheda");
    case EventoStorico::Origine::Pannello:
        return QStringLiteral("Questo pannello");
    case EventoStorico::Origine::Ponte:
        return QStringLiteral("Ponte Home Assistant");
    case EventoStorico::Origine::AltroPannello:
        return QStringLiteral("Altro pannello o ponte");
    }
    return QString();
}

QString FinestraRegistroEventi::testoPunto(int codice)
{
    const auto punto = PuntoStorico::daCodice(codice);
    return punto ? punto->testo() : QString();
}

QString FinestraRegistroEventi::testoValore(const EventoStorico &e)
{
    switch (e.tipo) {
    case Tipo::ReleCommutato:
        return e.valore ? QStringLiteral("acceso") : QStringLiteral("spento");
    case Tipo::IngressoCambiato:
        return e.valore ? QStringLiteral("alto") : QStringLiteral("basso");
    case Tipo::UscitaCambiata:
        return QString::number(e.valore);
    default:
        return QString();
    }
}

FinestraRegistroEventi::FinestraRegistroEventi(const Storico &archivio, Messaggi &messaggi,
                                               QWidget *parent)
    : QWidget(parent, Qt::Window), m_archivio(archivio), m_messaggi(messaggi),
      m_sceltaFile([this] {
          return sceltaFileDaSalvare(this, QStringLiteral("Esporta CSV"),
                                     QStringLiteral("registro-eventi"), QStringLiteral("csv"),
                                     QStringLiteral("File CSV (*.csv)"));
      })
{
    setObjectName(QStringLiteral("frmRegistroEventi"));
    setWindowTitle(QStringLiteral("Registro eventi"));
    auto *colonna = new QVBoxLayout(this);
    auto *filtri = new QHBoxLayout;
    colonna->addLayout(filtri);

    filtri->addWidget(new QLabel(QStringLiteral("Punto:"), this));
    m_cbPunto = new QComboBox(this);
    m_cbPunto->setObjectName(QStringLiteral("cbPunto"));
    m_cbPunto->addItem(QStringLiteral("Tutti"), 0);
    const struct
    {
        Famiglia famiglia;
        int canali;
    } famiglie[] = {{Famiglia::UsciteDigitali, 8},  {Famiglia::IngressiDigitali, 8},
                    {Famiglia::UsciteAnalogiche, 2}, {Famiglia::IngressiAnalogici, 8}};
    for (const auto &f : famiglie) {
        for (int c = 1; c <= f.canali; ++c) {
            const PuntoStorico p{f.famiglia, -1, c};
            m_cbPunto->addItem(p.testo(), p.codice());
        }
    }
    for (int u = 0; u < 8; ++u) {
        for (const Famiglia f : {Famiglia::UsciteUnita, Famiglia::IngressiUnita}) {
            for (int c = 1; c <= 8; ++c) {
                const PuntoStorico p{f, u, c};
                m_cbPunto->addItem(p.testo(), p.codice());
            }
        }
    }
    filtri->addWidget(m_cbPunto);

    filtri->addWidget(new QLabel(QStringLiteral("Evento:"), this));
    m_cbTipo = new QComboBox(this);
    m_cbTipo->setObjectName(QStringLiteral("cbTipo"));
    m_cbTipo->addItem(QStringLiteral("Tutti"), 0);
    for (int t = int(Tipo::ReleCommutato); t <= int(Tipo::UscitaCambiata); ++t) {
        m_cbTipo->addItem(testoTipo(Tipo(t)), t);
    }
    filtri->addWidget(m_cbTipo);

    filtri->addWidget(new QLabel(QStringLiteral("Dal:"), this));
    const QDate oggi = QDate::currentDate();
    m_eDa = new QDateEdit(oggi.addDays(-7), this);
    m_eDa->setObjectName(QStringLiteral("eDa"));
    m_eA = new QDateEdit(oggi, this);
    m_eA->setObjectName(QStringLiteral("eA"));
    for (QDateEdit *data : {m_eDa, m_eA}) {
        data->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        data->setCalendarPopup(true);
    }
    filtri->addWidget(m_eDa);
    filtri->addWidget(new QLabel(QStringLiteral("al:"), this));
    filtri->addWidget(m_eA);
    filtri->addStretch(1);
    auto *esporta = new QPushButton(QStringLiteral("Esporta CSV..."), this);
    esporta->setObjectName(QStringLiteral("sbEsportaCsv"));
    filtri->addWidget(esporta);

    m_tabella = new QTableWidget(0, 6, this);
    m_tabella->setObjectName(QStringLiteral("tbEventi"));
    m_tabella->setHorizontalHeaderLabels({QStringLiteral("Data e ora"), QStringLiteral("Evento"),
                                          QStringLiteral("Punto"), QStringLiteral("Valore"),
                                          QStringLiteral("Origine"), QStringLiteral("Dettagli")});
    m_tabella->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tabella->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tabella->verticalHeader()->setVisible(false);
    m_tabella->horizontalHeader()->setStretchLastSection(true);
    colonna->addWidget(m_tabella, 1);
    m_lbConteggio = new QLabel(this);
    m_lbConteggio->setObjectName(QStringLiteral("lbConteggio"));
    colonna->addWidget(m_lbConteggio);

    const auto filtra = protetto(m_messaggi, [this] { aggiorna(); });
    connect(m_cbPunto, &QComboBox::currentIndexChanged, this, filtra);
    connect(m_cbTipo, &QComboBox::currentIndexChanged, this, filtra);
    connect(m_eDa, &QDateEdit::dateChanged, this, filtra);
    connect(m_eA, &QDateEdit::dateChanged, this, filtra);
    connect(esporta, &QPushButton::clicked, this,
            protetto(m_messaggi, [this] { sbEsportaCsvClick(); }));
    // New events show as they are written, while the window is on screen.
    connect(&m_archivio, &Storico::scritto, this, [this] {
        if (isVisible()) {
            eseguiGestore(m_messaggi, [this] { aggiorna(); });
        }
    });
    for (const QKeySequence &tasto :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        connect(new QShortcut(tasto, this), &QShortcut::activated, this, &QWidget::close);
    }
    resize(820, 420);
}

void FinestraRegistroEventi::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    aggiorna();
}

QList<EventoStorico> FinestraRegistroEventi::eventiScelti() const
{
    Storico::FiltroEventi filtro;
    // Whole local days, the last one included.
    filtro.daMs = m_eDa->date().startOfDay().toMSecsSinceEpoch();
    filtro.aMs = m_eA->date().addDays(1).startOfDay().toMSecsSinceEpoch();
    filtro.punto = m_cbPunto->currentData().toInt();
    filtro.tipo = m_cbTipo->currentData().toInt();
    return m_archivio.eventi(filtro);
}

void FinestraRegistroEventi::aggiorna()
{
    const QList<EventoStorico> eventi = eventiScelti();
    const qsizetype da = std::max<qsizetype>(0, eventi.size() - MassimoRighe);
    m_tabella->setUpdatesEnabled(false);
    m_tabella->setRowCount(int(eventi.size() - da));
    for (qsizetype i = da; i < eventi.size(); ++i) {
        const EventoStorico &e = eventi.at(i);
        const QStringList testi = {dataOra(e.ms),     testoTipo(e.tipo),       testoPunto(e.punto),
                                   testoValore(e),    testoOrigine(e.origine), e.testo};
        for (int c = 0; c < testi.size(); ++c) {
            auto *cella = new QTableWidgetItem(testi.at(c));
            m_tabella->setItem(int(i - da), c, cella);
        }
    }
    m_tabella->setUpdatesEnabled(true);
    m_tabella->scrollToBottom();
    m_lbConteggio->setText(da > 0 ? QStringLiteral("%1 eventi, mostrati gli ultimi %2")
                                        .arg(eventi.size())
                                        .arg(MassimoRighe)
                                  : QStringLiteral("%1 eventi").arg(eventi.size()));
}

qint64 FinestraRegistroEventi::scriviCsv(const QList<EventoStorico> &eventi, QIODevice &uscita)
{
    QByteArray testo =
        QStringLiteral("timestamp;evento;punto;valore;origine;dettagli\r\n").toUtf8();
    for (const EventoStorico &e : eventi) {
        testo += StoricoAnalogici::dataOraIso(e.ms).toLatin1() + ';' + campoCsv(testoTipo(e.tipo)) +
                 ';' + campoCsv(testoPunto(e.punto)) + ';' + campoCsv(testoValore(e)) + ';' +
                 campoCsv(testoOrigine(e.origine)) + ';' + campoCsv(e.testo) + "\r\n";
    }
    return uscita.write(testo) == testo.size() ? eventi.size() : -1;
}

void FinestraRegistroEventi::sbEsportaCsvClick()
{
    const QString percorso = m_sceltaFile();
    if (percorso.isEmpty()) {
        return;
    }
    const QList<EventoStorico> eventi = eventiScelti();
    QSaveFile file(percorso);
    errno = 0;
    const bool scritto = file.open(QIODevice::WriteOnly) && file.write("\xEF\xBB\xBF", 3) == 3 &&
                         scriviCsv(eventi, file) >= 0 && file.flush() && file.commit();
    if (!scritto) {
        const QString motivo = motivoScrittura(errno, file.errorString());
        file.cancelWriting();
        m_messaggi.avviso(QStringLiteral("Esportazione non riuscita: %1").arg(motivo));
        return;
    }
    m_messaggi.messaggio(QStringLiteral("Esportati %1 eventi in %2")
                             .arg(eventi.size())
                             .arg(QDir::toNativeSeparators(percorso)));
}
