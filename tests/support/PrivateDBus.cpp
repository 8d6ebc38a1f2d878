#include "support/PrivateDBus.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>
#include <QUuid>

namespace verandel::test {

PrivateDBus::PrivateDBus()
    : m_connectionName(QStringLiteral("verandel-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{ }

PrivateDBus::~PrivateDBus()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_daemon.reset();
}

bool PrivateDBus::start()
{
    if (!m_directory.isValid()) {
        return false;
    }
    m_daemon = std::make_unique<HelperProcess>(QStringLiteral("dbus-daemon"),
                                               QStringList{QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                           QStringLiteral("--nopidfile"),
                                                           QStringLiteral("--address=") + address()});
    if (!m_daemon->start()) {
        return false;
    }
    const QString socket = m_directory.filePath(QStringLiteral("bus"));
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (QFileInfo::exists(socket)) {
            QDBusConnection bus = QDBusConnection::connectToBus(address(), m_connectionName);
            if (bus.isConnected()) {
                return true;
            }
            QDBusConnection::disconnectFromBus(m_connectionName);
        }
        QThread::msleep(10);
    }
    return false;
}

QDBusConnection PrivateDBus::connection() const
{
    return QDBusConnection(m_connectionName);
}

QProcessEnvironment PrivateDBus::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address());
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address());
    return environment;
}

} // namespace verandel::test
