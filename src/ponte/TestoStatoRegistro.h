#pragma once

#include "core/TestoStato.h"

#include <array>

// The link layer's status texts, which the panel shows in its status bar, as log lines: each
// new text once.
class TestoStatoRegistro : public TestoStato
{
public:
    void impostaTesto(int pannello, const QString &testo) override;
    QString testo(int pannello) const override;

private:
    std::array<QString, 3> m_testi;
};
