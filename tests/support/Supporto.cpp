#include "Supporto.h"

#include <QFile>

#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

bool scriviTesto(const QString &percorso, const QString &contenuto)
{
    QFile file(percorso);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(contenuto.toUtf8()) >= 0;
}

QString leggiTesto(const QString &percorso)
{
    QFile file(percorso);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QString testoPorteTcp(quint16 porta, const QString &ip)
{
    return QStringLiteral("[TIPO]\nCollegamento=1\n[TCP]\nIP=%1\nPorta=%2\n").arg(ip).arg(porta);
}

QString testoPorteSeriale(const QString &dispositivo)
{
    return QStringLiteral("[TIPO]\nCollegamento=0\n[Porta]\nNumero=1\nVelocita=38400\n"
                          "Dispositivo=%1\n")
        .arg(dispositivo);
}

bool scriviPorteTcp(const QString &cartella, quint16 porta, const QString &ip)
{
    return scriviTesto(cartella + QStringLiteral("/Porte.INI"), testoPorteTcp(porta, ip));
}

bool scriviPorteSeriale(const QString &cartella, const QString &dispositivo)
{
    return scriviTesto(cartella + QStringLiteral("/Porte.INI"), testoPorteSeriale(dispositivo));
}

qint64 tempoCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

QByteArray comeUtenteComune(const std::function<QByteArray()> &prova)
{
    int tubo[2];
    if (pipe(tubo) != 0) {
        return "errore";
    }
    const pid_t figlio = fork();
    if (figlio == 0) {
        ::close(tubo[0]);
        constexpr uid_t kNessuno = 65534;
        if (geteuid() == 0 && (setgid(kNessuno) != 0 || setuid(kNessuno) != 0)) {
            _exit(2);
        }
        const QByteArray esito = prova();
        [[maybe_unused]] const ssize_t scritti = ::write(tubo[1], esito.constData(), esito.size());
        _exit(0);
    }
    ::close(tubo[1]);
    QByteArray letto;
    char blocco[512];
    for (ssize_t n; (n = ::read(tubo[0], blocco, sizeof blocco)) > 0;) {
        letto.append(blocco, n);
    }
    ::close(tubo[0]);
    int stato = 0;
    waitpid(figlio, &stato, 0);
    return WIFEXITED(stato) && WEXITSTATUS(stato) == 0 ? letto : QByteArray("errore");
}

Temporizzazioni tempiBrevi()
{
    Temporizzazioni tempi;
    tempi.carattereTcpMs = 2;
    tempi.primoPezzoMs = 40;
    tempi.pezzoMs = 10;
    tempi.attesaProntoMs = 2000;
    tempi.attesaIngressoMs = 5000;
    tempi.silenzioMs = 3000;
    return tempi;
}
