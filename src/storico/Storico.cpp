#include "storico/Storico.h"

#include "storico/BloccoLetture.h"
#include "storico/SchemaStorico.h"

#include "settings/Ini.h"

#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace {

constexpr int kGiorniMassimi = 36500;

int giorni(const QString &file, const QString &chiave, int predefinito)
{
    bool numero = false;
    const int valore = LeggiIni(file, QStringLiteral("STORICO"), chiave).trimmed().toInt(&numero);
    return numero && valore >= 1 && valore <= kGiorniMassimi ? valore : predefinito;
}

// One statement on the SQLite connection under the reader's Qt one: the trend window reads
// tens of thousands of rows at a span change, and Qt's driver would copy every value into a
// QVariant of its row cache first.
class Istruzione
{
public:
    Istruzione(const QSqlDatabase &db, const char *testo)
    {
        const QVariant maniglia = db.driver() ? db.driver()->handle() : QVariant();
        if (maniglia.isValid() && qstrcmp(maniglia.typeName(), "sqlite3*") == 0) {
            m_db = *static_cast<sqlite3 *const *>(maniglia.constData());
        }
        if (m_db) {
            m_esito = sqlite3_prepare_v2(m_db, testo, -1, &m_st, nullptr);
        }
    }
    ~Istruzione() { sqlite3_finalize(m_st); }
    Istruzione(const Istruzione &) = delete;
    Istruzione &operator=(const Istruzione &) = delete;

    void lega(int indice, qint64 valore)
    {
        if (m_esito == SQLITE_OK) {
            m_esito = sqlite3_bind_int64(m_st, indice, valore);
        }
    }
    // The next row; false at the end or on an error (errore() then says which).
    bool riga()
    {
        if (m_esito != SQLITE_OK && m_esito != SQLITE_ROW) {
            return false;
        }
        m_esito = sqlite3_step(m_st);
        return m_esito == SQLITE_ROW;
    }
    qint64 intero(int colonna) const { return sqlite3_column_int64(m_st, colonna); }
    // The bytes stay valid until the next row.
    QByteArray byte(int colonna) const
    {
        const void *dati = sqlite3_column_blob(m_st, colonna);
        return QByteArray::fromRawData(static_cast<const char *>(dati),
                                       sqlite3_column_bytes(m_st, colonna));
    }
    // What went wrong, as Qt's driver would have told it; none after the last row.
    QSqlError errore() const
    {
        if (!m_db) {
            return QSqlError(QStringLiteral("nessuna connessione SQLite"), QString(),
                             QSqlError::ConnectionError);
        }
        if (m_esito == SQLITE_OK || m_esito == SQLITE_ROW || m_esito == SQLITE_DONE) {
            return QSqlError();
        }
        return QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(m_db)),
                         QSqlError::StatementError,
                         QString::number(sqlite3_extended_errcode(m_db)));
    }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_st = nullptr;
    int m_esito = SQLITE_MISUSE;
};

} // namespace

Storico::Opzioni Storico::opzioniDa(const QString &fileImpostazioni)
{
    Opzioni opzioni;
    auto &c = opzioni.conservazione;
    c.giorniLetture = giorni(fileImpostazioni, QStringLiteral("GiorniLetture"), c.giorniLetture);
    c.giorniRiassunti =
        giorni(fileImpostazioni, QStringLiteral("GiorniRiassunti"), c.giorniRiassunti);
    return opzioni;
}

Storico::Storico(const QString &percorso, const Opzioni &opzioni, QObject *parent)
    : QObject(parent), m_percorso(percorso),
      m_nomeLettore(QStringLiteral("storico-lettore-%1").arg(quintptr(this))), m_timer(this)
{
    qRegisterMetaType<ScrittoreStorico::Stato>();
    m_thread.setObjectName(QStringLiteral("Storico"));
    m_scrittore = new ScrittoreStorico(percorso, opzioni.conservazione, opzioni.ritentaMs);
    m_scrittore->moveToThread(&m_thread);
    connect(m_scrittore, &ScrittoreStorico::statoCambiato, this,
            [this](ScrittoreStorico::Stato stato, const QString &testo) {
                m_stato = stato;
                emit statoCambiato(stato, testo);
            });
    connect(m_scrittore, &ScrittoreStorico::scritto, this, &Storico::scritto);
    // The file this side reads went aside: the next read opens the new one.
    connect(m_scrittore, &ScrittoreStorico::spostato, this, [this] {
        chiudiLettore();
        m_verificaChiesta = false;
    });
    m_thread.start();
    QMetaObject::invokeMethod(m_scrittore, [s = m_scrittore] { s->apri(); });

    m_timer.setInterval(opzioni.intervalloMs);
    connect(&m_timer, &QTimer::timeout, this, &Storico::scriviOra);
    m_timer.start();
}

Storico::~Storico()
{
    m_timer.stop();
    scriviOra();
    // The last lot is written before the window goes; this is the one wait, at the end.
    QMetaObject::invokeMethod(
        m_scrittore,
        [s = m_scrittore] {
            s->chiudi();
            delete s;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    chiudiLettore();
}

void Storico::aggiungiLettura(int ingresso, qint64 ms, int grezzo, qint64 valore,
                              const QString &nome, const QString &unita)
{
    if (ingresso < 1 || ingresso > NumeroIngressi) {
        return;
    }
    const auto i = size_t(ingresso - 1);
    if (!m_etichettaNota[i] || m_nomi[i] != nome || m_unita[i] != unita) {
        m_etichettaNota[i] = true;
        m_nomi[i] = nome;
        m_unita[i] = unita;
        m_lotto.etichette.append({ingresso, ms, nome, unita});
    }
    m_lotto.letture.append({ingresso, ms, grezzo, valore});
}

void Storico::aggiungiStato(int punto, qint64 ms, qint64 valore)
{
    m_lotto.stati.append({punto, ms, valore});
}

void Storico::aggiungiEvento(const EventoStorico &evento)
{
    m_lotto.eventi.append(evento);
}

void Storico::scriviOra()
{
    if (m_lotto.isEmpty()) {
        return;
    }
    QMetaObject::invokeMethod(m_scrittore, [s = m_scrittore, lotto = std::exchange(
                                                                 m_lotto, LottoStorico())]() mutable {
        s->scrivi(std::move(lotto));
    });
}

void Storico::conserva(qint64 adessoMs)
{
    QMetaObject::invokeMethod(m_scrittore, [s = m_scrittore, adessoMs] { s->conserva(adessoMs); });
}

bool Storico::lettore() const
{
    if (m_db.isValid() && m_db.isOpen()) {
        return true;
    }
    // Opening would make an empty file; until the writer makes it there is nothing to read.
    if (!QFile::exists(m_percorso)) {
        return false;
    }
    m_db = QSqlDatabase::contains(m_nomeLettore)
               ? QSqlDatabase::database(m_nomeLettore, false)
               : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_nomeLettore);
    m_db.setDatabaseName(m_percorso);
    // The window never waits on another program for long; it shows nothing instead.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=100"));
    if (!m_db.open()) {
        return false;
    }
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA query_only=ON"));
    return true;
}

void Storico::chiudiLettore() const
{
    if (m_db.isValid()) {
        m_db.close();
    }
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_nomeLettore)) {
        QSqlDatabase::removeDatabase(m_nomeLettore);
    }
}

void Storico::letturaFallita(const QSqlError &errore) const
{
    // The writer checks the file, once, and moves it aside when it is damaged.
    if (SchemaStorico::guastoDi(errore) == SchemaStorico::Guasto::Danneggiato &&
        !m_verificaChiesta) {
        m_verificaChiesta = true;
        QMetaObject::invokeMethod(m_scrittore, [s = m_scrittore] { s->verifica(); });
    }
}

QList<LetturaAnalogica> Storico::letture(int ingresso, qint64 daMs, qint64 aMs) const
{
    QList<LetturaAnalogica> risultato;
    if (!lettore()) {
        return risultato;
    }
    Istruzione q(m_db, "SELECT minuto, dati FROM letture WHERE minuto >= ? AND minuto <= ?"
                       " AND ingresso = ? ORDER BY minuto");
    q.lega(1, BloccoLetture::minutoDi(daMs));
    q.lega(2, BloccoLetture::minutoDi(aMs));
    q.lega(3, ingresso);
    while (q.riga()) {
        const qint64 minuto = q.intero(0);
        QList<BloccoLetture::Voce> voci = BloccoLetture::leggi(q.byte(1), minuto);
        // Lots are written in the order they came; a late one may hold earlier readings.
        std::stable_sort(voci.begin(), voci.end(),
                         [](const auto &a, const auto &b) { return a.ms < b.ms; });
        for (const BloccoLetture::Voce &v : std::as_const(voci)) {
            if (v.ms >= daMs && v.ms < aMs) {
                risultato.append({ingresso, v.ms, v.grezzo, v.valore});
            }
        }
    }
    if (const QSqlError errore = q.errore(); errore.isValid()) {
        letturaFallita(errore);
    }
    return risultato;
}

QList<Storico::Riassunto> Storico::riassunti(int periodoMinuti, qint64 daMs, qint64 aMs) const
{
    QList<Riassunto> risultato;
    if (!lettore() || periodoMinuti < 1) {
        return risultato;
    }
    Istruzione q(m_db, "SELECT inizio, ingresso, minimo, massimo, somma, numero FROM riassunti"
                       " WHERE periodo = ? AND inizio > ? AND inizio < ? ORDER BY inizio, ingresso");
    q.lega(1, periodoMinuti);
    q.lega(2, BloccoLetture::minutoDi(daMs) - periodoMinuti);
    q.lega(3, BloccoLetture::minutoDi(aMs - 1) + 1);
    while (q.riga()) {
        const qint64 inizio = q.intero(0) * BloccoLetture::MsMinuto;
        if (inizio + periodoMinuti * BloccoLetture::MsMinuto <= daMs || inizio >= aMs) {
            continue;
        }
        risultato.append({int(q.intero(1)), inizio, q.intero(2), q.intero(3), q.intero(4),
                          q.intero(5)});
    }
    if (const QSqlError errore = q.errore(); errore.isValid()) {
        letturaFallita(errore);
    }
    return risultato;
}

QList<CambioStato> Storico::stati(qint64 daMs, qint64 aMs) const
{
    QList<CambioStato> risultato;
    if (!lettore()) {
        return risultato;
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT punto, ms, valore FROM stati WHERE ms >= ? AND ms < ? ORDER BY ms, punto"));
    q.addBindValue(daMs);
    q.addBindValue(aMs);
    if (!q.exec()) {
        letturaFallita(q.lastError());
        return risultato;
    }
    while (q.next()) {
        risultato.append({q.value(0).toInt(), q.value(1).toLongLong(), q.value(2).toLongLong()});
    }
    return risultato;
}

QList<EventoStorico> Storico::eventi(const FiltroEventi &filtro) const
{
    QList<EventoStorico> risultato;
    if (!lettore()) {
        return risultato;
    }
    QString testo = QStringLiteral("SELECT ms, tipo, punto, valore, origine, testo FROM eventi"
                                   " WHERE ms >= ? AND ms < ?");
    if (filtro.punto != 0) {
        testo += QStringLiteral(" AND punto = ?");
    }
    if (filtro.tipo != 0) {
        testo += QStringLiteral(" AND tipo = ?");
    }
    testo += QStringLiteral(" ORDER BY ms, id");
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(testo);
    q.addBindValue(filtro.daMs);
    q.addBindValue(filtro.aMs);
    if (filtro.punto != 0) {
        q.addBindValue(filtro.punto);
    }
    if (filtro.tipo != 0) {
        q.addBindValue(filtro.tipo);
    }
    if (!q.exec()) {
        letturaFallita(q.lastError());
        return risultato;
    }
    while (q.next()) {
        EventoStorico e;
        e.ms = q.value(0).toLongLong();
        const int tipo = q.value(1).toInt();
        const int origine = q.value(4).toInt();
        // A row this program did not write is left out rather than shown as something else.
        if (tipo < 1 || tipo > int(EventoStorico::Tipo::UscitaCambiata) || origine < 0 ||
            origine > int(EventoStorico::Origine::AltroPannello)) {
            continue;
        }
        e.tipo = EventoStorico::Tipo(tipo);
        e.punto = q.value(2).toInt();
        e.valore = q.value(3).toLongLong();
        e.origine = EventoStorico::Origine(origine);
        e.testo = q.value(5).toString();
        risultato.append(e);
    }
    return risultato;
}

QList<EtichettaIngresso> Storico::etichette() const
{
    QList<EtichettaIngresso> risultato;
    if (!lettore()) {
        return risultato;
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral(
            "SELECT ingresso, da_ms, nome, unita FROM etichette ORDER BY ingresso, da_ms"))) {
        letturaFallita(q.lastError());
        return risultato;
    }
    while (q.next()) {
        risultato.append({q.value(0).toInt(), q.value(1).toLongLong(), q.value(2).toString(),
                          q.value(3).toString()});
    }
    return risultato;
}
