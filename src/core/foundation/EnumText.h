#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <type_traits>

namespace verandel {

// One case of an enumeration and its text. Texts are string literals (u"…"), handed out without a copy.
template <typename Enum>
struct EnumText
{
    Enum value;
    QStringView text;
};

// An enumeration with text values specializes this with its one table, every case once in declaration
// order: template <> inline constexpr auto enumTexts<Kind> = std::to_array<EnumText<Kind>>({…});
template <typename Enum>
inline constexpr bool enumTexts = false;

template <typename Enum>
concept TextEnum = !std::is_same_v<std::remove_cvref_t<decltype(enumTexts<Enum>)>, bool>;

// The text of a case in a table; empty for a value that is no case of it.
template <typename Enum, std::size_t Count>
QStringView enumText(const std::array<EnumText<Enum>, Count> &table, Enum value)
{
    for (const EnumText<Enum> &row : table) {
        if (row.value == value) {
            return row.text;
        }
    }
    return {};
}

template <TextEnum Enum>
QString toString(Enum value)
{
    const QStringView text = enumText(enumTexts<Enum>, value);
    return text.isNull() ? QString() : QString::fromRawData(text.data(), text.size());
}

// The case whose text is exactly `text`, letter case included.
template <TextEnum Enum>
std::optional<Enum> enumFromString(QStringView text)
{
    for (const EnumText<Enum> &row : enumTexts<Enum>) {
        if (row.text == text) {
            return row.value;
        }
    }
    return std::nullopt;
}

// Every case, in the table's order.
template <TextEnum Enum>
constexpr auto enumValues()
{
    std::array<Enum, enumTexts<Enum>.size()> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = enumTexts<Enum>[i].value;
    }
    return values;
}

} // namespace verandel
