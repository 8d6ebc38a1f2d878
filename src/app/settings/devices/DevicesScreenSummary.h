#pragma once

#include "kit/ThemeColor.h"

#include <QString>

#include <optional>

namespace verandel {

// The one-line summary at the top of the Devices tab, and the counts beside its two section headings.
struct DevicesScreenSummary
{
    QString title;
    QString iconName;
    ThemeColor tint = ThemeColor::Accent;

    // The first that holds: refreshing, allowed devices, devices ready for transfer, experimental ones.
    static DevicesScreenSummary make(qsizetype sharedCount, qsizetype readyToShareCount, qsizetype experimentalCount,
                                     bool isRefreshing);
    // "Nothing allowed for transfer yet", "1 device allowed for transfer", "N devices allowed for transfer".
    static QString sharedCountText(qsizetype sharedCount);
    // "1 available device", "N available devices"; none for none.
    static std::optional<QString> availableCountText(qsizetype availableCount);

    friend bool operator==(const DevicesScreenSummary &, const DevicesScreenSummary &) = default;
};

} // namespace verandel
