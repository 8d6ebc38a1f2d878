#pragma once

#include <QMetaType>
#include <QString>
#include <QUuid>

namespace verandel {

// What a quick-transfer item of the tray menu does: move this computer's shared devices to the linked
// computer, or pull that computer's devices here. Carried as the item's data.
struct QuickTransferAction
{
    enum class Kind { SendControl, TakeControl };

    Kind kind = Kind::SendControl;
    QUuid targetMacId;
    QString targetDisplayName;

    bool operator==(const QuickTransferAction &) const = default;
};

} // namespace verandel

Q_DECLARE_METATYPE(verandel::QuickTransferAction)
