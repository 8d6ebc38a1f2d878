#include "support/AvahiTestHost.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <csignal>

namespace verandel::test {

namespace {

const QString kAvahiService = QStringLiteral("org.freedesktop.Avahi");
constexpr int kServerRunning = 2;
constexpr int kStartTimeoutMs = 15000;

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

AvahiTestHost::AvahiTestHost(QString hostName)
    : m_hostName(std::move(hostName))
{ }

AvahiTestHost::~AvahiTestHost()
{
    m_daemon.reset();
    m_namespace.remove();
}

QString AvahiTestHost::unavailableReason()
{
    const QString reason = NetworkNamespace::unavailableReason();
    if (!reason.isEmpty()) {
        return reason;
    }
    for (const QString &program : {QStringLiteral("avahi-daemon"), QStringLiteral("dbus-daemon")}) {
        if (findSystemProgram(program).isEmpty()) {
            return program + QStringLiteral(" is not installed (scripts/install-deps installs it)");
        }
    }
    return {};
}

bool AvahiTestHost::start()
{
    return prepare() && writeConfig() && startDaemon();
}

bool AvahiTestHost::startLinked(AvahiTestHost &first, AvahiTestHost &second)
{
    if (!first.prepare() || !second.prepare()) {
        return false;
    }
    first.m_address = QStringLiteral("169.254.77.1");
    second.m_address = QStringLiteral("169.254.77.2");
    if (!NetworkNamespace::link(first.m_namespace, first.m_address + QStringLiteral("/24"), second.m_namespace,
                                second.m_address + QStringLiteral("/24"), &first.m_interface, &second.m_interface,
                                &first.m_error)) {
        return false;
    }
    return first.writeConfig() && second.writeConfig() && first.startDaemon() && second.startDaemon();
}

bool AvahiTestHost::prepare()
{
    if (!m_bus.start()) {
        m_error = QStringLiteral("the private dbus-daemon did not start");
        return false;
    }
    return m_namespace.create(&m_error);
}

bool AvahiTestHost::writeConfig()
{
    QFile file(m_bus.directory() + QStringLiteral("/avahi-daemon.conf"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = QStringLiteral("cannot write ") + file.fileName();
        return false;
    }
    const QString config = QStringLiteral("[server]\n"
                                          "host-name=%1\n"
                                          "domain-name=local\n"
                                          "use-ipv4=yes\n"
                                          "use-ipv6=no\n"
                                          "allow-interfaces=%2\n"
                                          "enable-dbus=yes\n"
                                          "ratelimit-interval-usec=1000000\n"
                                          "ratelimit-burst=1000\n"
                                          "[wide-area]\n"
                                          "enable-wide-area=no\n"
                                          "[publish]\n"
                                          "publish-hinfo=no\n"
                                          "publish-workstation=no\n"
                                          "[reflector]\n"
                                          "[rlimits]\n")
                               .arg(m_hostName, m_interface);
    file.write(config.toUtf8());
    return true;
}

bool AvahiTestHost::startDaemon()
{
    if (isDaemonRunning()) {
        return true;
    }
    // The pid file path /run/avahi-daemon/pid is compiled in: a tmpfs over /run in the mount
    // namespace of `ip netns exec` lets several daemons run side by side without touching the host.
    const QString script = QStringLiteral("mount -t tmpfs tmpfs /run && mkdir -p /run/avahi-daemon && "
                                          "exec avahi-daemon -f \"$1\" --no-drop-root --no-chroot --no-rlimits");
    m_daemon = std::make_unique<HelperProcess>(findSystemProgram(QStringLiteral("ip")),
                                               QStringList{QStringLiteral("netns"), QStringLiteral("exec"),
                                                           m_namespace.name(), QStringLiteral("sh"),
                                                           QStringLiteral("-c"), script, QStringLiteral("sh"),
                                                           m_bus.directory() + QStringLiteral("/avahi-daemon.conf")},
                                               m_bus.environment());
    m_daemon->setLogFile(m_bus.directory() + QStringLiteral("/avahi-%1.log").arg(++m_starts));
    if (!m_daemon->start()) {
        m_error = QStringLiteral("avahi-daemon did not start");
        return false;
    }
    return waitUntilRunning();
}

bool AvahiTestHost::waitUntilRunning()
{
    QDBusConnection bus = connection();
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (!m_daemon->isRunning()) {
            break;
        }
        const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(kAvahiService, QStringLiteral("/"),
                                                                           kAvahiService + QStringLiteral(".Server"),
                                                                           QStringLiteral("GetState")),
                                            QDBus::Block, 1000);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toInt() == kServerRunning) {
            return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    m_error = QStringLiteral("avahi-daemon (%1) did not reach the running state: %2")
                  .arg(m_daemon->isRunning() ? QStringLiteral("still running") : QStringLiteral("exited"),
                       readFile(m_bus.directory() + QStringLiteral("/avahi-%1.log").arg(m_starts)));
    m_daemon->stop();
    return false;
}

void AvahiTestHost::stopDaemon()
{
    if (m_daemon) {
        m_daemon->stop();
    }
}

void AvahiTestHost::killDaemon()
{
    if (!isDaemonRunning()) {
        return;
    }
    ::kill(static_cast<pid_t>(m_daemon->pid()), SIGKILL);
    m_daemon->process().waitForFinished(3000);
}

bool AvahiTestHost::isDaemonRunning() const
{
    return m_daemon && m_daemon->isRunning();
}

} // namespace verandel::test
