#pragma once

#include "models/SettingsTab.h"

#include <QString>

#include <optional>
#include <variant>

namespace verandel {

// A screen named by --open-screen or VERANDEL_AUTO_OPEN: a Settings tab, or the Control Center.
struct ControlCenterScreen
{
    bool operator==(const ControlCenterScreen &) const = default;
};
using DebugOpenScreenTarget = std::variant<SettingsTab, ControlCenterScreen>;

class DebugOpenScreenParser
{
public:
    DebugOpenScreenParser() = delete;

    // The whole value, lower-cased and untrimmed, against the accepted words; none for anything else.
    static std::optional<DebugOpenScreenTarget> parse(const QString &value);
};

} // namespace verandel
