#pragma once

#include "support/HelperProcess.h"

#include <QDBusConnection>
#include <QTemporaryDir>

#include <memory>

namespace verandel::test {

// A private dbus-daemon on a socket file in a temporary directory. Code under test is given
// connection(); helper processes get address() as their system (or session) bus.
class PrivateDBus
{
public:
    PrivateDBus();
    ~PrivateDBus();

    bool start();
    QString address() const { return QStringLiteral("unix:path=") + m_directory.filePath(QStringLiteral("bus")); }
    QString directory() const { return m_directory.path(); }
    QDBusConnection connection() const;
    // An environment whose system and session bus are this bus.
    QProcessEnvironment environment() const;

private:
    QTemporaryDir m_directory;
    QString m_connectionName;
    std::unique_ptr<HelperProcess> m_daemon;
};

} // namespace verandel::test
