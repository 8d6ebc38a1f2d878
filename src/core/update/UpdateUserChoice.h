#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// The user's answer to a found update.
enum class UpdateUserChoice { Install, Dismiss, Skip };

template <>
inline constexpr auto enumTexts<UpdateUserChoice> = std::to_array<EnumText<UpdateUserChoice>>({
    {UpdateUserChoice::Install, u"install"},
    {UpdateUserChoice::Dismiss, u"dismiss"},
    {UpdateUserChoice::Skip, u"skip"},
});

inline constexpr auto allUpdateUserChoices = enumValues<UpdateUserChoice>();

inline std::optional<UpdateUserChoice> updateUserChoiceFromString(QStringView text)
{
    return enumFromString<UpdateUserChoice>(text);
}

} // namespace verandel
