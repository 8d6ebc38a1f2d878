#pragma once

#include <QProcess>
#include <QStringList>

#include <memory>

namespace verandel::test {

// A helper process of a test (dbus-daemon, dbusmock, avahi-daemon). It dies with the test process
// (PR_SET_PDEATHSIG) and never inherits the test's output, so a crashing test cannot leave an
// orphan holding ctest's pipe. Stopped (SIGTERM, then SIGKILL) when destroyed.
class HelperProcess
{
public:
    HelperProcess(QString program, QStringList arguments, QProcessEnvironment environment = {});
    ~HelperProcess();
    HelperProcess(const HelperProcess &) = delete;
    HelperProcess &operator=(const HelperProcess &) = delete;

    // Output goes to this file instead of being dropped (useful when a daemon fails to start).
    void setLogFile(const QString &path) { m_logFile = path; }
    bool start();
    void stop();
    bool isRunning() const;
    qint64 pid() const;
    QProcess &process() { return *m_process; }

private:
    QString m_program;
    QStringList m_arguments;
    QProcessEnvironment m_environment;
    QString m_logFile;
    std::unique_ptr<QProcess> m_process;
};

} // namespace verandel::test
