#include "ponte/ImpostazioniPonte.h"

#include "settings/Ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>

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
        bool ok = false;
        const int letto = t.toInt(&ok);
        if (!ok || letto < minimo || letto > massimo) {
            sbaglio(QStringLiteral("%1=%2: serve un numero intero da %3 a %4")
                        .arg(chiave, t)
                        .arg(minimo)
                        .arg(massimo));
            return;
        }
        valore = letto;
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

// The password file's text without its line end; refused when others may read it.
QString leggiPassword(const QString &percorso, QString &errore)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(percorso).constData(), &info) != 0) {
        errore = QStringLiteral("FilePassword %1: file non trovato").arg(percorso);
        return {};
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        errore = QStringLiteral("FilePassword %1: leggibile da altri (permessi %2); "
                                "usare chmod 600")
                     .arg(percorso)
                     .arg(info.st_mode & 0777, 3, 8, QLatin1Char('0'));
        return {};
    }
    QFile file(percorso);
    if (!file.open(QIODevice::ReadOnly)) {
        errore = QStringLiteral("FilePassword %1: %2").arg(percorso, file.errorString());
        return {};
    }
    QByteArray contenuto = file.read(4096);
    while (contenuto.endsWith('\n') || contenuto.endsWith('\r')) {
        contenuto.chop(1);
    }
    return QString::fromUtf8(contenuto);
}

} // namespace

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

LetturaImpostazioniPonte leggiImpostazioniPonte(const QString &cartella)
{
    const QString file = QDir(cartella).filePath(kFilePonte);
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
        bool ok = false;
        const int n = parte.trimmed().toInt(&ok);
        if (!ok || n < 1 || n > 8) {
            lettore.sbaglio(
                QStringLiteral("Unita=%1: numeri da 1 a 8 separati da virgole").arg(unita));
            break;
        }
        if (!imp.unita.contains(n)) {
            imp.unita.append(n);
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
