#pragma once

#include "foundation/LogLevel.h"

#include <QByteArray>
#include <QString>

namespace verandel {

// The system log of this platform: the systemd journal. Subsystem and category travel as fields,
// the message is stored as it stands.
class SystemLogHandle
{
public:
    SystemLogHandle(const QString &subsystem, const QString &category);

    void send(LogLevel level, const QString &message) const;

private:
    QByteArray m_subsystemField;
    QByteArray m_categoryField;
};

} // namespace verandel
