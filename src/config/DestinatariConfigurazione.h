#pragma once

#include <QString>

// Where the configuration reload puts names and units outside its own page: the captions of
// the board pages. The main window implements it by forwarding to those pages.
class DestinatariConfigurazione
{
public:
    virtual ~DestinatariConfigurazione() = default;
    // Caption of sbUDn, n = 1..8.
    virtual void impostaNomeUscitaDigitale(int n, const QString &nome) = 0;
    // Caption of sbIDn, n = 1..8.
    virtual void impostaNomeIngressoDigitale(int n, const QString &nome) = 0;
    // lbUA0n, n = 1..2: the full title, name followed by " (OUT n)".
    virtual void impostaTitoloUscitaAnalogica(int n, const QString &testo) = 0;
    // lbIA0n, n = 1..8: the full title, name followed by " (IN n)".
    virtual void impostaTitoloIngressoAnalogico(int n, const QString &testo) = 0;
    // lbIAT0n, n = 1..8: one of the unit list's texts.
    virtual void impostaUnitaIngressoAnalogico(int n, const QString &unita) = 0;
};
