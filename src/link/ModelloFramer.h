#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// A framer's start or end string, prepared for matching, with its matching state.
// "?" matches any byte and "\" makes the next character literal; with case ignored ASCII
// letters match either case. Matching is bit-parallel (shift-and): each byte is looked at
// once, and a match that begins inside a failed partial match is still found.
class ModelloFramer
{
public:
    ModelloFramer() = default;
    ModelloFramer(const QString &testo, bool ignoraMaiuscole);

    // Bytes the pattern matches (escapes removed).
    int lunghezza() const { return m_lunghezza; }
    bool isEmpty() const { return m_lunghezza == 0; }

    // Forgets every partial match.
    void azzera();
    // Feeds `n` bytes; returns the index of the byte that completes a match, or -1 when
    // none does (the partial state then carries over to the next call).
    std::ptrdiff_t cerca(const char *dati, std::ptrdiff_t n);
    // Length of the longest partial match ending at the last byte fed (0 when none).
    int parziale() const;

private:
    bool passo(unsigned char c);

    std::vector<std::uint64_t> m_maschere; // 256 rows of m_parole words
    std::vector<std::uint64_t> m_stato;    // used when the pattern is longer than 64
    std::uint64_t m_stato1 = 0;            // used when it fits one word
    std::uint64_t m_bitFinale = 0;
    int m_lunghezza = 0;
    int m_parole = 0;
};
