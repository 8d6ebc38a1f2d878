#pragma once

#include <QString>

#include <stdexcept>

namespace verandel::fuzz {

// A property that must hold for every input: its failure is a finding, which the fuzzer reports as
// a crash and the corpus replay as a failed test.
inline void require(bool condition, const QString &what)
{
    if (!condition) {
        throw std::logic_error(what.toStdString());
    }
}

} // namespace verandel::fuzz
