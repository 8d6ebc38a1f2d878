#include "update/RelaunchHandoff.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace verandel::RelaunchHandoff {

QStringList arguments(qint64 oldPid)
{
    return {waitForPidArgument, QString::number(oldPid)};
}

std::optional<qint64> oldPid(const QStringList &arguments)
{
    const qsizetype index = arguments.indexOf(waitForPidArgument);
    if (index < 0 || index + 1 >= arguments.size()) {
        return std::nullopt;
    }
    bool valid = false;
    const qint64 pid = arguments.at(index + 1).toLongLong(&valid);
    if (!valid || pid <= 1) {
        return std::nullopt;
    }
    return pid;
}

bool waitForProcessEnd(qint64 pid, std::chrono::milliseconds limit)
{
    if (pid <= 1) {
        return true; // no process of ours to wait for (0 and -1 would name whole groups)
    }
    QDeadlineTimer deadline(limit);
    // A process descriptor becomes readable when the process ends, and cannot mistake a new process
    // that reuses the id for the old one.
    const int descriptor = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
    if (descriptor < 0) {
        if (errno == ESRCH) {
            return true;
        }
        // A kernel without process descriptors: ask for the id until it is gone.
        while (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) {
            if (deadline.hasExpired()) {
                return false;
            }
            ::usleep(20000);
        }
        return true;
    }
    pollfd watch{descriptor, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&watch, 1, static_cast<int>(deadline.remainingTime()));
    } while (ready < 0 && errno == EINTR && !deadline.hasExpired());
    ::close(descriptor);
    return ready > 0;
}

bool awaitReplacedProcess(qint64 pid, LoggerProtocol &logger, std::chrono::milliseconds limit)
{
    logger.info(QStringLiteral("Relaunched: waiting for the replaced process %1 to end").arg(pid));
    QElapsedTimer waited;
    waited.start();
    if (!waitForProcessEnd(pid, limit)) {
        // Its graceful stop is capped well below the limit, so it hangs: starting beside it would
        // leave two copies, or none once it gives up the name.
        logger.error(QStringLiteral("The replaced process %1 is still running after %2 seconds; not starting")
                         .arg(pid)
                         .arg(std::chrono::duration_cast<std::chrono::seconds>(limit).count()));
        return false;
    }
    logger.info(QStringLiteral("The replaced process %1 ended after %2 ms").arg(pid).arg(waited.elapsed()));
    return true;
}

} // namespace verandel::RelaunchHandoff
