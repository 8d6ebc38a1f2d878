#pragma once

#include "kit/ThemeColor.h"

#include <QString>

#include <optional>

namespace verandel {

// The one-line summary at the top of the Linked Computers tab, and the count beside the list's heading.
struct ConnectedMacsScreenSummary
{
    QString title;
    QString iconName;
    ThemeColor tint = ThemeColor::Accent;

    static ConnectedMacsScreenSummary make(qsizetype connectedCount);
    // "1 linked computer", "3 linked computers"; none for none.
    static std::optional<QString> linkedCountText(qsizetype connectedCount);

    friend bool operator==(const ConnectedMacsScreenSummary &, const ConnectedMacsScreenSummary &) = default;
};

} // namespace verandel
