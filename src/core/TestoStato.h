#pragma once

#include <QString>

// Where the link layer writes what the operator reads about the connection: panel 0 holds the
// connection state, panel 1 the notices about commands. The main window's status bar is one.
class TestoStato
{
public:
    virtual ~TestoStato() = default;
    virtual void impostaTesto(int pannello, const QString &testo) = 0;
    virtual QString testo(int pannello) const = 0;
};
