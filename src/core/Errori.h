#pragma once

#include <QString>

#include <stdexcept>

// Unwinds an action after a warning that already told the operator everything.
struct AbortSilenzioso
{
};

// An error whose message the standard error box shows; the action ends, the program goes on.
class ErroreProgramma : public std::runtime_error
{
public:
    explicit ErroreProgramma(const QString &messaggio)
        : std::runtime_error(messaggio.toStdString())
    {
    }
    QString messaggio() const { return QString::fromStdString(what()); }
};

// A text that is not a number where a number is converted.
class ErroreConversione : public ErroreProgramma
{
public:
    explicit ErroreConversione(const QString &testo)
        : ErroreProgramma(QStringLiteral("'%1' is not a valid integer value").arg(testo))
    {
    }
};
