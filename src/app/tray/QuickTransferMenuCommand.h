#pragma once

#include "tray/QuickTransferAction.h"
#include "tray/QuickTransferMenuCommandStatus.h"

namespace verandel {

// One quick-transfer item: its title (the computer's name isolated inside it), what it does and
// whether it can be chosen.
struct QuickTransferMenuCommand
{
    QString title;
    QuickTransferAction action;
    QuickTransferMenuCommandStatus status;

    bool operator==(const QuickTransferMenuCommand &) const = default;
};

} // namespace verandel
