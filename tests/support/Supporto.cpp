#include "Supporto.h"

#include <QFile>

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

bool scriviPorteTcp(const QString &cartella, quint16 porta)
{
    return scriviTesto(
        cartella + QStringLiteral("/Porte.INI"),
        QStringLiteral("[TIPO]\nCollegamento=1\n[TCP]\nIP=127.0.0.1\nPorta=%1\n").arg(porta));
}

bool scriviPorteSeriale(const QString &cartella, const QString &dispositivo)
{
    return scriviTesto(cartella + QStringLiteral("/Porte.INI"),
                       QStringLiteral("[TIPO]\nCollegamento=0\n[Porta]\nNumero=1\n"
                                      "Velocita=38400\nDispositivo=%1\n")
                           .arg(dispositivo));
}
