#pragma once

#include "tray/StatusIconSink.h"

#include <QList>

namespace verandel::test {

// Keeps every icon and tool tip the tray icon was given.
class RecordingStatusIconSink final : public StatusIconSink
{
public:
    void setIcon(const QIcon &icon) override { icons.append(icon); }
    void setToolTip(const QString &toolTip) override { toolTips.append(toolTip); }

    QList<QIcon> icons;
    QStringList toolTips;
};

} // namespace verandel::test
