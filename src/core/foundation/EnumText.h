#pragma once

#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// The case whose toString() is exactly the text, among all cases of the enumeration.
template <typename Enum, std::size_t Count>
std::optional<Enum> enumFromString(const std::array<Enum, Count> &allCases, QStringView text)
{
    for (const Enum value : allCases) {
        if (text == toString(value)) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace verandel
