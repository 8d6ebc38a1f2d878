#pragma once

#include <QtGlobal>

namespace verandel::test {

// Reproducible 64-bit values: Knuth's MMIX linear congruential generator. The first value for seed s is
// s × 6364136223846793005 + 1442695040888963407 (mod 2^64), never s itself. A negative seed is taken
// as its 64-bit pattern.
class SeededRandomNumberGenerator
{
public:
    explicit SeededRandomNumberGenerator(qint64 seed)
        : m_state(static_cast<quint64>(seed))
    { }

    quint64 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return m_state;
    }

private:
    quint64 m_state;
};

} // namespace verandel::test
