#pragma once

#include <QIcon>
#include <QString>

namespace verandel {

// Where the tray icon's picture and tool tip go; the shell implements it over QSystemTrayIcon. Over
// StatusNotifierItem every setIcon sends a new pixmap over D-Bus, so callers set only what changed.
class StatusIconSink
{
public:
    virtual ~StatusIconSink() = default;
    virtual void setIcon(const QIcon &icon) = 0;
    virtual void setToolTip(const QString &toolTip) = 0;
};

} // namespace verandel
