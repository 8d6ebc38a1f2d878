#pragma once

#include "ShellTestSupport.h"
#include "shell/SingleInstance.h"
#include "support/HelperProcess.h"
#include "support/PrivateDBus.h"
#include "support/RunTask.h"
#include "support/TestFiles.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QElapsedTimer>

namespace verandel::test {

// A verandel program offscreen, its log lines on standard output into a file of the sandbox.
class ProgramProcess
{
public:
    ProgramProcess(const XdgSandbox &sandbox, const QString &name, QStringList arguments,
                   QProcessEnvironment environment, const QString &program = QStringLiteral(VERANDEL_PROGRAM))
        : m_logFile(sandbox.root() + u'/' + name + QStringLiteral(".log"))
    {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("ENABLE_LOG_STDOUT"), QStringLiteral("true"));
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        m_process = std::make_unique<HelperProcess>(program, arguments, environment);
        m_process->setLogFile(m_logFile);
    }

    bool start() { return m_process->start(); }
    QByteArray log() const { return readFile(m_logFile); }
    bool logs(const QByteArray &line, int timeoutMs = 30000) const
    {
        return waitUntil([&] { return log().contains(line); }, timeoutMs);
    }
    QProcess &process() { return m_process->process(); }
    qint64 pid() const { return m_process->pid(); }

    // SIGTERM, as a logout sends it; the time until the process was gone, or -1.
    qint64 terminate()
    {
        QElapsedTimer timer;
        timer.start();
        process().terminate();
        return process().waitForFinished(15000) ? timer.elapsed() : -1;
    }

private:
    QString m_logFile;
    std::unique_ptr<HelperProcess> m_process;
};

// Mock mode without a session bus, its metrics going to the responder.
inline QProcessEnvironment mockProgramEnvironment(const BeaconResponder &metrics)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DEBUG_MODE"), QStringLiteral("true"));
    environment.insert(QStringLiteral("DISCOVERY_TYPE"), QStringLiteral("debug"));
    environment.insert(QStringLiteral("BLUETOOTH_MODE"), QStringLiteral("mock"));
    environment.insert(QStringLiteral("METRICS_CDN_BASE_URL"), metrics.baseURL().toString());
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    return environment;
}

// Mock mode on a private session bus, as the debug profile: the single instance works per profile.
inline QProcessEnvironment sessionProgramEnvironment(const BeaconResponder &metrics, const PrivateDBus &session,
                                                     const QString &profile)
{
    QProcessEnvironment environment = mockProgramEnvironment(metrics);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), session.address());
    environment.insert(QStringLiteral("DEBUG_PROFILE"), profile);
    return environment;
}

// The process that owns the profile's single-instance name on the session bus, or 0.
inline qint64 singleInstanceOwner(const PrivateDBus &session, const QString &profile)
{
    // Named after the bus: a name already connected elsewhere would return that other connection.
    const QDBusConnection bus
        = QDBusConnection::connectToBus(session.address(), QStringLiteral("owner-observer ") + session.address());
    const QDBusReply<uint> pid = bus.interface()->servicePid(SingleInstance::serviceName(true, profile));
    return pid.isValid() ? qint64(pid.value()) : 0;
}

} // namespace verandel::test
