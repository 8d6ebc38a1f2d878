#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// The user's answer to a found update.
enum class UpdateUserChoice { Install, Dismiss, Skip };

inline constexpr std::array<UpdateUserChoice, 3> allUpdateUserChoices{
    UpdateUserChoice::Install, UpdateUserChoice::Dismiss, UpdateUserChoice::Skip};

// "install", "dismiss", "skip".
QString toString(UpdateUserChoice choice);
std::optional<UpdateUserChoice> updateUserChoiceFromString(QStringView text);

} // namespace verandel
