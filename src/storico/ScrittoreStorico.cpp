#include "storico/ScrittoreStorico.h"

#include "storico/BloccoLetture.h"
#include "storico/SchemaStorico.h"

#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

constexpr qint64 kMsGiorno = 24LL * 60 * 60 * 1000;
// Retention runs once an hour, and once when the file opens.
constexpr int kPeriodoConservazioneMs = 60 * 60 * 1000;

struct Aggregato
{
    qint64 minimo = 0;
    qint64 massimo = 0;
    qint64 somma = 0;
    qint64 numero = 0;

    void aggiungi(qint64 valore)
    {
        minimo = numero == 0 ? valore : std::min(minimo, valore);
        massimo = numero == 0 ? valore : std::max(massimo, valore);
        somma += valore;
        ++numero;
    }
};

// The first minute of the period of `periodo` minutes that holds `minuto`.
qint64 inizioPeriodo(qint64 minuto, int periodo)
{
    return (minuto >= 0 ? minuto / periodo : -((-minuto + periodo - 1) / periodo)) * periodo;
}

// The columns hold no NULL: an empty text is bound as one, not as a null QString.
QString testo(const QString &t)
{
    return t.isNull() ? QStringLiteral("") : t;
}

// Transactions by statement: the driver's own calls drop SQLite's result code, which tells a
// full disk from a lock.
bool comando(QSqlDatabase &db, const char *testo, QSqlError *errore = nullptr)
{
    QSqlQuery q(db);
    if (!q.exec(QLatin1String(testo))) {
        if (errore) {
            *errore = q.lastError();
        }
        return false;
    }
    return true;
}

bool esegui(QSqlQuery &q, QSqlError *errore)
{
    if (!q.exec()) {
        *errore = q.lastError();
        return false;
    }
    return true;
}

} // namespace

ScrittoreStorico::ScrittoreStorico(const QString &percorso, const Conservazione &conservazione,
                                   int ritentaMs, QObject *parent)
    : QObject(parent), m_percorso(percorso),
      m_nomeConnessione(QStringLiteral("storico-scrittore-%1").arg(quintptr(this))),
      m_conservazione(conservazione), m_ritenta(this), m_conservazioneTimer(this)
{
    m_ritenta.setSingleShot(true);
    m_ritenta.setInterval(ritentaMs);
    connect(&m_ritenta, &QTimer::timeout, this, [this] {
        if (!m_aperto) {
            apriFileEScrivi();
        } else {
            prova();
        }
    });
    m_conservazioneTimer.setInterval(kPeriodoConservazioneMs);
    connect(&m_conservazioneTimer, &QTimer::timeout, this,
            [this] { conserva(QDateTime::currentMSecsSinceEpoch()); });
}

ScrittoreStorico::~ScrittoreStorico()
{
    chiudiFile();
}

bool ScrittoreStorico::apriFile(QSqlError *errore)
{
    chiudiFile();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_nomeConnessione);
    m_db.setDatabaseName(m_percorso);
    // The writer has its own thread: it may wait a little for a reader's checkpoint.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=500"));
    if (!m_db.open()) {
        *errore = m_db.lastError();
        chiudiFile();
        return false;
    }
    m_aperto = true;
    switch (SchemaStorico::prepara(m_db, errore)) {
    case SchemaStorico::Esito::Pronto:
        return true;
    case SchemaStorico::Esito::Recente:
        *errore = QSqlError();
        chiudiFile();
        return false;
    case SchemaStorico::Esito::Guasto:
        chiudiFile();
        return false;
    }
    return false;
}

void ScrittoreStorico::chiudiFile()
{
    if (m_db.isValid()) {
        m_db.close();
    }
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_nomeConnessione)) {
        QSqlDatabase::removeDatabase(m_nomeConnessione);
    }
    m_aperto = false;
}

void ScrittoreStorico::apri()
{
    if (!m_conservazioneTimer.isActive()) {
        m_conservazioneTimer.start();
    }
    // Nothing is saved before there is something to keep: the file is made with the first lot.
    if (!QFile::exists(m_percorso)) {
        imposta(Stato::Attivo, QString());
        return;
    }
    apriFileEScrivi();
}

void ScrittoreStorico::apriFileEScrivi()
{
    QSqlError errore;
    if (!apriFile(&errore)) {
        if (errore.type() == QSqlError::NoError) {
            imposta(Stato::Recente,
                    QStringLiteral("Lo storico \"%1\" viene da una versione più recente del "
                                   "programma: resta com'è e non viene registrato nulla.")
                        .arg(m_percorso));
            return;
        }
        guasto(errore);
        return;
    }
    imposta(Stato::Attivo, m_stato == Stato::Chiuso || m_stato == Stato::Attivo
                               ? QString()
                               : QStringLiteral("Registrazione dello storico ripresa."));
    conserva(QDateTime::currentMSecsSinceEpoch());
    prova();
}

void ScrittoreStorico::scrivi(LottoStorico lotto)
{
    m_attesa.unisci(std::move(lotto));
    limitaAttesa();
    // While paused the retry timer decides when to try again; a file from a newer program is
    // never touched.
    if (m_ritenta.isActive() || m_stato == Stato::Recente) {
        return;
    }
    if (m_aperto) {
        prova();
    } else {
        apriFileEScrivi();
    }
}

void ScrittoreStorico::limitaAttesa()
{
    if (m_attesa.size() <= MassimoInAttesa) {
        return;
    }
    const qsizetype via = std::min(m_attesa.letture.size(), m_attesa.size() - MassimoInAttesa);
    m_attesa.letture.remove(0, via);
}

void ScrittoreStorico::prova()
{
    if (!m_aperto || m_attesa.isEmpty()) {
        return;
    }
    QSqlError errore;
    if (!scriviLotto(m_attesa, &errore)) {
        guasto(errore);
        return;
    }
    m_totale += m_attesa.size();
    m_attesa = LottoStorico();
    if (m_stato != Stato::Attivo) {
        imposta(Stato::Attivo, QStringLiteral("Registrazione dello storico ripresa."));
    }
    emit scritto(m_totale);
}

bool ScrittoreStorico::scriviLotto(const LottoStorico &lotto, QSqlError *errore)
{
    if (!comando(m_db, "BEGIN IMMEDIATE", errore)) {
        return false;
    }
    const auto annulla = [this] {
        comando(m_db, "ROLLBACK");
        return false;
    };

    QSqlQuery etichetta(m_db);
    etichetta.prepare(QStringLiteral("INSERT OR REPLACE INTO etichette VALUES(?, ?, ?, ?)"));
    for (const EtichettaIngresso &e : lotto.etichette) {
        etichetta.addBindValue(e.ingresso);
        etichetta.addBindValue(e.daMs);
        etichetta.addBindValue(testo(e.nome));
        etichetta.addBindValue(testo(e.unita));
        if (!esegui(etichetta, errore)) {
            return annulla();
        }
    }

    // One row per minute and input, and the rollups of every period it falls in, whatever
    // order the readings came in.
    QMap<std::pair<qint64, int>, QByteArray> minuti;
    QMap<std::tuple<int, qint64, int>, Aggregato> riassunti;
    for (const LetturaAnalogica &l : lotto.letture) {
        const qint64 minuto = BloccoLetture::minutoDi(l.ms);
        BloccoLetture::aggiungi(minuti[{minuto, l.ingresso}], minuto, {l.ms, l.grezzo, l.valore});
        for (const int periodo : PeriodiRiassunti) {
            riassunti[{periodo, inizioPeriodo(minuto, periodo), l.ingresso}].aggiungi(l.valore);
        }
    }
    QSqlQuery blocco(m_db);
    blocco.prepare(QStringLiteral("INSERT INTO letture VALUES(?, ?, ?) ON CONFLICT DO UPDATE"
                                  " SET dati = CAST(dati || excluded.dati AS BLOB)"));
    for (auto i = minuti.cbegin(); i != minuti.cend(); ++i) {
        blocco.addBindValue(i.key().first);
        blocco.addBindValue(i.key().second);
        blocco.addBindValue(i.value());
        if (!esegui(blocco, errore)) {
            return annulla();
        }
    }
    QSqlQuery riassunto(m_db);
    riassunto.prepare(QStringLiteral(
        "INSERT INTO riassunti VALUES(?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO UPDATE"
        " SET minimo = min(minimo, excluded.minimo), massimo = max(massimo, excluded.massimo),"
        " somma = somma + excluded.somma, numero = numero + excluded.numero"));
    for (auto i = riassunti.cbegin(); i != riassunti.cend(); ++i) {
        const auto &[periodo, inizio, ingresso] = i.key();
        const Aggregato &a = i.value();
        riassunto.addBindValue(periodo);
        riassunto.addBindValue(inizio);
        riassunto.addBindValue(ingresso);
        riassunto.addBindValue(a.minimo);
        riassunto.addBindValue(a.massimo);
        riassunto.addBindValue(a.somma);
        riassunto.addBindValue(a.numero);
        if (!esegui(riassunto, errore)) {
            return annulla();
        }
    }

    QSqlQuery stato(m_db);
    stato.prepare(QStringLiteral("INSERT OR REPLACE INTO stati VALUES(?, ?, ?)"));
    for (const CambioStato &c : lotto.stati) {
        stato.addBindValue(c.punto);
        stato.addBindValue(c.ms);
        stato.addBindValue(c.valore);
        if (!esegui(stato, errore)) {
            return annulla();
        }
    }
    QSqlQuery evento(m_db);
    evento.prepare(QStringLiteral("INSERT INTO eventi(ms, tipo, punto, valore, origine, testo)"
                                  " VALUES(?, ?, ?, ?, ?, ?)"));
    for (const EventoStorico &e : lotto.eventi) {
        evento.addBindValue(e.ms);
        evento.addBindValue(int(e.tipo));
        evento.addBindValue(e.punto);
        evento.addBindValue(e.valore);
        evento.addBindValue(int(e.origine));
        evento.addBindValue(testo(e.testo));
        if (!esegui(evento, errore)) {
            return annulla();
        }
    }
    if (!comando(m_db, "COMMIT", errore)) {
        return annulla();
    }
    return true;
}

void ScrittoreStorico::conserva(qint64 adessoMs)
{
    if (!m_aperto) {
        return;
    }
    const qint64 limiteLetture = adessoMs - qint64(m_conservazione.giorniLetture) * kMsGiorno;
    const qint64 limiteRiassunti = adessoMs - qint64(m_conservazione.giorniRiassunti) * kMsGiorno;
    const struct
    {
        const char *testo;
        qint64 limite;
    } passi[] = {
        {"DELETE FROM letture WHERE minuto < ?", BloccoLetture::minutoDi(limiteLetture)},
        {"DELETE FROM riassunti WHERE inizio < ?", BloccoLetture::minutoDi(limiteRiassunti)},
        {"DELETE FROM stati WHERE ms < ?", limiteRiassunti},
        {"DELETE FROM eventi WHERE ms < ?", limiteRiassunti},
    };
    if (!comando(m_db, "BEGIN IMMEDIATE")) {
        return;
    }
    for (const auto &passo : passi) {
        QSqlQuery q(m_db);
        q.prepare(QLatin1String(passo.testo));
        q.addBindValue(passo.limite);
        if (!q.exec()) {
            // Tried again within the hour; a damaged file shows at the next write.
            comando(m_db, "ROLLBACK");
            return;
        }
    }
    if (!comando(m_db, "COMMIT")) {
        comando(m_db, "ROLLBACK");
    }
}

void ScrittoreStorico::guasto(const QSqlError &errore)
{
    switch (SchemaStorico::guastoDi(errore)) {
    case SchemaStorico::Guasto::Danneggiato:
        spostaDanneggiato();
        return;
    case SchemaStorico::Guasto::Pieno:
        imposta(Stato::Pieno,
                QStringLiteral("Spazio su disco esaurito: la registrazione dello storico è "
                               "sospesa e riprende da sola appena c'è posto."));
        break;
    case SchemaStorico::Guasto::Occupato:
        imposta(Stato::Occupato,
                QStringLiteral("Lo storico \"%1\" è bloccato da un altro programma: la "
                               "registrazione riprende da sola appena è libero.")
                    .arg(m_percorso));
        break;
    case SchemaStorico::Guasto::Nessuno:
    case SchemaStorico::Guasto::Altro:
        imposta(Stato::Errore,
                QStringLiteral("Lo storico \"%1\" non si può scrivere (errore SQLite %2): "
                               "nuovo tentativo tra poco.")
                    .arg(m_percorso, errore.nativeErrorCode()));
        break;
    }
    m_ritenta.start();
}

void ScrittoreStorico::spostaDanneggiato()
{
    chiudiFile();
    const QDateTime adesso = QDateTime::currentDateTime();
    const QString base = m_percorso + QStringLiteral(".danneggiato-") +
                         adesso.toString(QStringLiteral("yyyy-MM-dd"));
    QString nuovo = base;
    for (int n = 2; QFile::exists(nuovo); ++n) {
        nuovo = base + QStringLiteral("-%1").arg(n);
    }
    if (!QFile::rename(m_percorso, nuovo)) {
        imposta(Stato::Errore,
                QStringLiteral("Lo storico \"%1\" è danneggiato e non si può spostare: la "
                               "registrazione è sospesa.")
                    .arg(m_percorso));
        m_ritenta.start();
        return;
    }
    // The journal belongs to the damaged file; the shared-memory index is rebuilt.
    QFile::rename(m_percorso + QStringLiteral("-wal"), nuovo + QStringLiteral("-wal"));
    QFile::remove(m_percorso + QStringLiteral("-shm"));
    QSqlError errore;
    if (!apriFile(&errore)) {
        imposta(Stato::Errore, QStringLiteral("Lo storico danneggiato è stato spostato in \"%1\" "
                                              "ma uno nuovo non si può creare: nuovo tentativo "
                                              "tra poco.")
                                   .arg(nuovo));
        m_ritenta.start();
        return;
    }
    emit spostato(nuovo);
    imposta(Stato::Attivo,
            QStringLiteral("Lo storico era danneggiato: è stato spostato in \"%1\" e ne è stato "
                           "cominciato uno nuovo.")
                .arg(nuovo));
    prova();
}

void ScrittoreStorico::imposta(Stato stato, const QString &testo)
{
    // One notice per pause, not one per retry; recording going on says nothing new.
    if (stato == m_stato && (stato != Stato::Attivo || testo.isEmpty())) {
        return;
    }
    m_stato = stato;
    emit statoCambiato(stato, testo);
}

void ScrittoreStorico::chiudi()
{
    m_ritenta.stop();
    m_conservazioneTimer.stop();
    prova();
    chiudiFile();
}

void ScrittoreStorico::verifica()
{
    if (!m_aperto) {
        return;
    }
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("PRAGMA quick_check"))) {
        const QSqlError errore = q.lastError();
        q = QSqlQuery();
        guasto(errore);
        return;
    }
    const bool buono = q.next() && q.value(0).toString() == QLatin1String("ok");
    q = QSqlQuery();
    if (!buono) {
        spostaDanneggiato();
    }
}
