#include "link/RegistroTraffico.h"

#include "settings/LayoutIni.h"
#include "settings/ScritturaSicura.h"

#include <QDir>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

RegistroTraffico::RegistroTraffico(QObject *parent)
    : QObject(parent), m_orologio([] { return QDateTime::currentDateTime(); })
{
}

RegistroTraffico::~RegistroTraffico()
{
    // Nobody is left to hear that the last line failed.
    const QSignalBlocker muto(this);
    ferma();
}

bool RegistroTraffico::avvia(const QString &cartella)
{
    ferma();
    m_percorso = QDir(cartella).filePath(NomeFile);
    return apri();
}

bool RegistroTraffico::apri()
{
    // Never through a link planted at our path: the record would land wherever it points.
    const int descrittore = ::open(QFile::encodeName(m_percorso).constData(),
                                   O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descrittore < 0) {
        const int codice = errno;
        m_errore = QStringLiteral("Impossibile scrivere il registro del traffico %1: %2")
                       .arg(QDir::toNativeSeparators(m_percorso),
                            codice == ELOOP ? QStringLiteral("è un collegamento simbolico")
                                            : motivoScrittura(codice));
        return false;
    }
    if (!m_file.open(descrittore, QIODevice::WriteOnly | QIODevice::Append,
                     QFileDevice::AutoCloseHandle)) {
        ::close(descrittore);
        m_errore = QStringLiteral("Impossibile scrivere il registro del traffico %1: %2")
                       .arg(QDir::toNativeSeparators(m_percorso), m_file.errorString());
        return false;
    }
    m_dimensione = m_file.size();
    m_errore.clear();
    return true;
}

void RegistroTraffico::ferma()
{
    if (const auto serie = m_pronti.chiudi(); serie && m_file.isOpen()) {
        scriviConteggio(*serie);
    }
    if (m_file.isOpen()) {
        m_file.close();
    }
}

void RegistroTraffico::scritti(const QString &collegamento, const QByteArray &dati)
{
    registra(Direzione::Invio, collegamento, dati);
}

void RegistroTraffico::ricevuti(const QString &collegamento, const QByteArray &dati)
{
    registra(Direzione::Ricezione, collegamento, dati);
}

void RegistroTraffico::registra(Direzione direzione, const QString &collegamento,
                                const QByteArray &dati)
{
    if (!m_file.isOpen()) {
        return;
    }
    const QDateTime ora = m_orologio();
    std::optional<SeriePronti::Serie> finita;
    if (m_pronti.aggiungi(direzione == Direzione::Ricezione, collegamento, dati, ora, &finita)) {
        return;
    }
    if (finita && !scriviConteggio(*finita)) {
        return;
    }
    scriviRiga(ora, direzione, collegamento, escapato(dati));
}

bool RegistroTraffico::scriviConteggio(const SeriePronti::Serie &serie)
{
    if (serie.volte < 2) {
        return true;
    }
    return scriviRiga(serie.ultima, Direzione::Ricezione, serie.collegamento,
                      escapato(serie.pronto) + SeriePronti::conteggio(serie.volte));
}

bool RegistroTraffico::scriviRiga(const QDateTime &ora, Direzione direzione,
                                  const QString &collegamento, const QByteArray &testo)
{
    QByteArray riga = ora.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
    riga += ' ';
    riga += collegamento.toLatin1();
    riga += direzione == Direzione::Invio ? " TX " : " RX ";
    riga += testo;
    riga += '\n';

    if (m_dimensione > 0 && m_dimensione + riga.size() > m_dimensioneMassima && !ruota()) {
        interrompi();
        return false;
    }
    // Flushed line by line, so a crash loses nothing that was already on the link.
    errno = 0;
    if (m_file.write(riga) != riga.size() || !m_file.flush()) {
        m_errore = QStringLiteral("Impossibile scrivere il registro del traffico %1: %2")
                       .arg(QDir::toNativeSeparators(m_percorso),
                            motivoScrittura(errno, m_file.errorString()));
        interrompi();
        return false;
    }
    m_dimensione += riga.size();
    return true;
}

bool RegistroTraffico::ruota()
{
    const QString nome = m_percorso;
    const QString copia = nome + SuffissoCopia;
    m_file.close();
    if (QFile::exists(copia) && !QFile::remove(copia)) {
        m_errore = QStringLiteral("Impossibile sostituire la copia del registro del traffico %1")
                       .arg(QDir::toNativeSeparators(copia));
        return false;
    }
    if (!QFile::rename(nome, copia)) {
        m_errore = QStringLiteral("Impossibile rinominare il registro del traffico %1")
                       .arg(QDir::toNativeSeparators(nome));
        return false;
    }
    return apri();
}

void RegistroTraffico::interrompi()
{
    // The run's count goes with the file it could not be written to.
    m_pronti.chiudi();
    ferma();
    emit interrotto(m_errore);
}

QByteArray RegistroTraffico::escapato(const QByteArray &dati)
{
    static constexpr char kCifre[] = "0123456789ABCDEF";
    QByteArray esito;
    esito.reserve(dati.size());
    for (const char c : dati) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            esito += "\\\\";
        } else if (byte == '\r') {
            esito += "\\r";
        } else if (byte == '\n') {
            esito += "\\n";
        } else if (byte >= 0x20 && byte < 0x7F) {
            esito += c;
        } else {
            esito += "\\x";
            esito += kCifre[byte >> 4];
            esito += kCifre[byte & 0x0F];
        }
    }
    return esito;
}
