#include "ponte/ImpostazioniPonte.h"

#include "settings/Ini.h"
#include "settings/LayoutIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSezione = QStringLiteral("MQTT");

class Lettore
{
public:
    explicit Lettore(QString file) : m_file(std::move(file)) {}

    // The stored text, or the empty text when the key is missing.
    QString testo(const QString &chiave) const
    {
        const QString valore = LeggiIni(m_file, kSezione, chiave);
        return valore == kErrore ? QString() : valore.trimmed();
    }

    // A whole number within minimo..massimo; `valore` keeps its default when the key is
    // missing or empty.
    void intero(const QString &chiave, int minimo, int massimo, int &valore)
    {
        const QString t = testo(chiave);
        if (t.isEmpty()) {
            return;
        }
        const std::optional<int> letto = interoAscii(t, minimo, massimo);
        if (!letto) {
            sbaglio(QStringLiteral("%1=%2: serve un numero intero da %3 a %4")
                        .arg(chiave, eco(t, 64))
                        .arg(minimo)
                        .arg(massimo));
            return;
        }
        valore = *letto;
    }

    void flag(const QString &chiave, bool &valore)
    {
        const QString t = testo(chiave);
        if (t.isEmpty()) {
            return;
        }
        if (t != QLatin1String("0") && t != QLatin1String("1")) {
            sbaglio(QStringLiteral("%1=%2: serve 0 o 1").arg(chiave, t));
            return;
        }
        valore = t == QLatin1String("1");
    }

    void nome(const QString &chiave, QString &valore)
    {
        const QString t = testo(chiave);
        if (t.isEmpty()) {
            return;
        }
        if (!nomeArgomentoValido(t)) {
            sbaglio(QStringLiteral("%1=%2: solo lettere, cifre, '_' e '-'").arg(chiave, t));
            return;
        }
        valore = t;
    }

    void sbaglio(const QString &testo)
    {
        if (m_errore.isEmpty()) {
            m_errore = m_file + QStringLiteral(" [MQTT] ") + testo;
        }
    }

    QString errore() const { return m_errore; }

private:
    QString m_file;
    QString m_errore;
};

// The reason an open failed, in the operator's words.
QString motivoErrno(int codice)
{
    switch (codice) {
    case EACCES:
    case EPERM:
        return QStringLiteral("permesso negato all'utente %1").arg(::geteuid());
    case EISDIR:
        return QStringLiteral("è una cartella, non un file");
    case ENOENT:
        return QStringLiteral("file non trovato");
    case ELOOP:
        return QStringLiteral("troppi collegamenti simbolici");
    case EIO:
        return QStringLiteral("errore di lettura del disco");
    default:
        return QStringLiteral("non leggibile (errore %1)").arg(codice);
    }
}

// A regular file opened for reading without blocking (a FIFO would hang the start), or -1 with
// the reason.
int apriFileRegolare(const QString &percorso, QString &motivo)
{
    const int fd = ::open(QFile::encodeName(percorso).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        motivo = motivoErrno(errno);
        return -1;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        motivo =
            S_ISDIR(info.st_mode) ? motivoErrno(EISDIR) : QStringLiteral("non è un file regolare");
        ::close(fd);
        return -1;
    }
    return fd;
}

// The password file's text without its line end; refused when others may read it, when it is
// not a regular file or when it holds no password.
QString leggiPassword(const QString &percorso, QString &errore)
{
    QString motivo;
    const int fd = apriFileRegolare(percorso, motivo);
    if (fd < 0) {
        errore = QStringLiteral("FilePassword %1: %2").arg(percorso, motivo);
        return {};
    }
    struct stat info
    {
    };
    ::fstat(fd, &info);
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        ::close(fd);
        errore = QStringLiteral("FilePassword %1: leggibile da altri (permessi %2); "
                                "usare chmod 600")
                     .arg(percorso)
                     .arg(info.st_mode & 0777, 3, 8, QLatin1Char('0'));
        return {};
    }
    QByteArray contenuto(4096, Qt::Uninitialized);
    const ssize_t letti = ::read(fd, contenuto.data(), contenuto.size());
    const int codice = errno;
    ::close(fd);
    if (letti < 0) {
        errore = QStringLiteral("FilePassword %1: %2").arg(percorso, motivoErrno(codice));
        return {};
    }
    contenuto.truncate(letti);
    while (contenuto.endsWith('\n') || contenuto.endsWith('\r')) {
        contenuto.chop(1);
    }
    if (contenuto.isEmpty()) {
        errore = QStringLiteral("FilePassword %1: il file è vuoto, nessuna password").arg(percorso);
        return {};
    }
    return QString::fromUtf8(contenuto);
}

} // namespace

std::optional<int> interoAscii(QStringView testo, int minimo, int massimo)
{
    if (testo.isEmpty() || testo.size() > 9) {
        return std::nullopt;
    }
    int valore = 0;
    for (const QChar c : testo) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
        valore = valore * 10 + (c.unicode() - '0');
    }
    if (valore < minimo || valore > massimo) {
        return std::nullopt;
    }
    return valore;
}

QString eco(const QString &testo, qsizetype massimo)
{
    if (testo.size() <= massimo) {
        return testo;
    }
    qsizetype fine = massimo;
    // Never half a surrogate pair.
    if (testo.at(fine - 1).isHighSurrogate()) {
        --fine;
    }
    return testo.left(fine) + QStringLiteral("…");
}

bool nomeArgomentoValido(const QString &nome)
{
    if (nome.isEmpty()) {
        return false;
    }
    for (const QChar c : nome) {
        const bool ascii = c.unicode() < 128;
        if (!(ascii && (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-')))) {
            return false;
        }
    }
    return true;
}

QString fileNonLeggibile(const QString &file)
{
    if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink()) {
        return {};
    }
    QString motivo;
    const int fd = apriFileRegolare(file, motivo);
    if (fd < 0) {
        return QStringLiteral("%1: %2").arg(file, motivo);
    }
    ::close(fd);
    return {};
}

LetturaImpostazioniPonte leggiImpostazioniPonte(const QString &cartella)
{
    const QString file = QDir(cartella).filePath(kFilePonte);
    // A file that is there but cannot be read must not pass for a missing one: the bridge would
    // run on defaults (no TLS, no user, another broker).
    for (const QString &nome : {LayoutIni::kFilePorte, LayoutIni::kFileImpostazioni, kFilePonte}) {
        if (const QString errore = fileNonLeggibile(QDir(cartella).filePath(nome));
            !errore.isEmpty()) {
            return {ImpostazioniPonte{}, errore};
        }
    }
    Lettore lettore(file);
    ImpostazioniPonte imp;

    if (const QString host = lettore.testo(QStringLiteral("Host")); !host.isEmpty()) {
        imp.host = host;
    }
    lettore.intero(QStringLiteral("Porta"), 1, 65535, imp.porta);
    imp.utente = lettore.testo(QStringLiteral("Utente"));
    imp.filePassword = lettore.testo(QStringLiteral("FilePassword"));
    imp.ca = lettore.testo(QStringLiteral("CA"));
    lettore.nome(QStringLiteral("Prefisso"), imp.prefisso);
    lettore.nome(QStringLiteral("Id"), imp.id);
    lettore.flag(QStringLiteral("Discovery"), imp.discovery);
    lettore.nome(QStringLiteral("PrefissoDiscovery"), imp.prefissoDiscovery);
    lettore.intero(QStringLiteral("Periodo"), 1, 86400, imp.periodoS);
    lettore.flag(QStringLiteral("Continuo"), imp.continuo);
    lettore.intero(QStringLiteral("Silenzio"), 1, 3600, imp.silenzioS);

    const QString unita = lettore.testo(QStringLiteral("Unita"));
    for (const QString &parte : unita.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<int> n = interoAscii(parte.trimmed(), 1, 8);
        if (!n) {
            lettore.sbaglio(QStringLiteral("Unita=%1: numeri da 1 a 8 separati da virgole")
                                .arg(eco(unita, 64)));
            break;
        }
        if (!imp.unita.contains(*n)) {
            imp.unita.append(*n);
        }
    }
    std::sort(imp.unita.begin(), imp.unita.end());

    QString errore = lettore.errore();
    if (errore.isEmpty() && !imp.filePassword.isEmpty()) {
        imp.password = leggiPassword(imp.filePassword, errore);
    }
    if (errore.isEmpty() && !imp.ca.isEmpty() && !QFileInfo(imp.ca).isReadable()) {
        errore = QStringLiteral("CA %1: file non leggibile").arg(imp.ca);
    }
    return {imp, errore};
}
