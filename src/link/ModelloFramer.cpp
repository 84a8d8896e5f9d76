#include "ModelloFramer.h"

#include <bit>

ModelloFramer::ModelloFramer(const QString &testo, bool ignoraMaiuscole)
{
    // Pass 1: the pattern positions; -1 stands for the wildcard, -2 for a character no
    // Latin-1 byte can match.
    std::vector<int> posizioni;
    for (qsizetype i = 0; i < testo.size(); ++i) {
        QChar ch = testo.at(i);
        bool letterale = false;
        if (ch == QLatin1Char('\\')) {
            if (i + 1 >= testo.size()) {
                break;
            }
            ch = testo.at(++i);
            letterale = true;
        }
        if (!letterale && ch == QLatin1Char('?')) {
            posizioni.push_back(-1);
        } else if (ch.unicode() > 0xFF) {
            posizioni.push_back(-2);
        } else {
            posizioni.push_back(ch.unicode());
        }
    }
    m_lunghezza = int(posizioni.size());
    if (m_lunghezza == 0) {
        return;
    }
    m_parole = (m_lunghezza + 63) / 64;
    m_maschere.assign(256 * std::size_t(m_parole), 0);
    m_stato.assign(std::size_t(m_parole), 0);
    m_bitFinale = std::uint64_t(1) << ((m_lunghezza - 1) % 64);

    auto segna = [this](int byte, int pos) {
        m_maschere[std::size_t(byte) * m_parole + pos / 64] |= std::uint64_t(1) << (pos % 64);
    };
    for (int pos = 0; pos < m_lunghezza; ++pos) {
        const int c = posizioni[std::size_t(pos)];
        if (c == -1) {
            for (int b = 0; b < 256; ++b) {
                segna(b, pos);
            }
        } else if (c >= 0) {
            segna(c, pos);
            if (ignoraMaiuscole && c >= 'a' && c <= 'z') {
                segna(c - 'a' + 'A', pos);
            } else if (ignoraMaiuscole && c >= 'A' && c <= 'Z') {
                segna(c - 'A' + 'a', pos);
            }
        }
    }
}

void ModelloFramer::azzera()
{
    m_stato1 = 0;
    std::fill(m_stato.begin(), m_stato.end(), 0);
}

bool ModelloFramer::passo(unsigned char c)
{
    const std::uint64_t *maschera = m_maschere.data() + std::size_t(c) * m_parole;
    std::uint64_t riporto = 1;
    for (int w = 0; w < m_parole; ++w) {
        const std::uint64_t vecchio = m_stato[std::size_t(w)];
        m_stato[std::size_t(w)] = ((vecchio << 1) | riporto) & maschera[w];
        riporto = vecchio >> 63;
    }
    return (m_stato[std::size_t(m_parole - 1)] & m_bitFinale) != 0;
}

std::ptrdiff_t ModelloFramer::cerca(const char *dati, std::ptrdiff_t n)
{
    if (m_lunghezza == 0) {
        return -1;
    }
    if (m_parole == 1) {
        const std::uint64_t *maschere = m_maschere.data();
        const std::uint64_t finale = m_bitFinale;
        std::uint64_t d = m_stato1;
        for (std::ptrdiff_t i = 0; i < n; ++i) {
            d = ((d << 1) | 1) & maschere[static_cast<unsigned char>(dati[i])];
            if (d & finale) {
                m_stato1 = d;
                return i;
            }
        }
        m_stato1 = d;
        return -1;
    }
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        if (passo(static_cast<unsigned char>(dati[i]))) {
            return i;
        }
    }
    return -1;
}

int ModelloFramer::parziale() const
{
    if (m_parole == 1) {
        return m_stato1 == 0 ? 0 : 64 - std::countl_zero(m_stato1);
    }
    for (int w = m_parole - 1; w >= 0; --w) {
        const std::uint64_t parola = m_stato[std::size_t(w)];
        if (parola != 0) {
            return w * 64 + 64 - std::countl_zero(parola);
        }
    }
    return 0;
}
