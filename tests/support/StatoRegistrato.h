#pragma once

#include "core/TestoStato.h"

#include <QMap>
#include <QString>

// The status bar's panels as plain texts.
class StatoRegistrato : public TestoStato
{
public:
    void impostaTesto(int pannello, const QString &testo) override { m_testi[pannello] = testo; }
    QString testo(int pannello) const override { return m_testi.value(pannello); }

private:
    QMap<int, QString> m_testi;
};
