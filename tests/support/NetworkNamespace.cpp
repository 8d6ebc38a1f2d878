#include "support/NetworkNamespace.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <sys/prctl.h>
#include <unistd.h>

namespace verandel::test {

namespace {

std::atomic<int> s_counter{0};

QString namePrefix()
{
    return QStringLiteral("vrdl%1n").arg(QCoreApplication::applicationPid());
}

// Namespaces of test processes that are gone (a crash or a kill skips the destructors).
void removeStaleNamespaces()
{
    QProcess list;
    list.start(findSystemProgram(QStringLiteral("ip")), {QStringLiteral("netns"), QStringLiteral("list")});
    if (!list.waitForFinished(10000)) {
        return;
    }
    static const QRegularExpression pattern(QStringLiteral("^vrdl(\\d+)n\\d+"));
    const QStringList lines = QString::fromUtf8(list.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = pattern.match(line);
        if (!match.hasMatch()) {
            continue;
        }
        const pid_t pid = match.captured(1).toInt();
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) {
            NetworkNamespace::runCommand(QStringLiteral("ip"),
                                         {QStringLiteral("netns"), QStringLiteral("del"), match.captured(0)}, nullptr);
        }
    }
}

} // namespace

QString findSystemProgram(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    if (!found.isEmpty()) {
        return found;
    }
    // A non-root PATH often lacks the sbin directories.
    return QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
}

NetworkNamespace::NetworkNamespace()
    : m_name(namePrefix() + QString::number(++s_counter))
{ }

NetworkNamespace::~NetworkNamespace()
{
    remove();
}

QString NetworkNamespace::unavailableReason()
{
    static std::once_flag once;
    static QString reason;
    std::call_once(once, [] {
        if (findSystemProgram(QStringLiteral("ip")).isEmpty()) {
            reason = QStringLiteral("`ip` (iproute2) is not installed");
            return;
        }
        if (::geteuid() != 0) {
            reason = QStringLiteral("network namespaces need root (`ip netns add` is not permitted)");
            return;
        }
        removeStaleNamespaces();
        NetworkNamespace probe;
        QString error;
        if (!probe.create(&error)) {
            reason = QStringLiteral("`ip netns add` is not permitted here: ") + error;
        }
    });
    return reason;
}

bool NetworkNamespace::create(QString *error)
{
    if (m_created) {
        return true;
    }
    if (!runCommand(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), m_name}, error)) {
        return false;
    }
    m_created = true;
    return run({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                QStringLiteral("up")},
               error);
}

void NetworkNamespace::remove()
{
    if (!m_created) {
        return;
    }
    m_created = false;
    runCommand(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), m_name}, nullptr);
}

bool NetworkNamespace::run(const QStringList &command, QString *error) const
{
    return runCommand(QStringLiteral("ip"),
                      QStringList{QStringLiteral("netns"), QStringLiteral("exec"), m_name} + command, error);
}

bool NetworkNamespace::link(NetworkNamespace &first, const QString &firstAddress, NetworkNamespace &second,
                            const QString &secondAddress, QString *firstInterface, QString *secondInterface,
                            QString *error)
{
    // Interface names are limited to 15 bytes.
    const QString base = QStringLiteral("vr%1i%2").arg(QCoreApplication::applicationPid()).arg(++s_counter);
    *firstInterface = base + u'a';
    *secondInterface = base + u'b';
    if (!runCommand(QStringLiteral("ip"),
                    {QStringLiteral("link"), QStringLiteral("add"), *firstInterface, QStringLiteral("netns"),
                     first.name(), QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"),
                     QStringLiteral("name"), *secondInterface, QStringLiteral("netns"), second.name()},
                    error)) {
        return false;
    }
    const auto configure = [error](NetworkNamespace &ns, const QString &interface, const QString &address) {
        return ns.run({QStringLiteral("ip"), QStringLiteral("addr"), QStringLiteral("add"), address,
                       QStringLiteral("dev"), interface},
                      error)
            && ns.run(
                {QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("set"), interface, QStringLiteral("up")},
                error);
    };
    return configure(first, *firstInterface, firstAddress) && configure(second, *secondInterface, secondAddress);
}

bool NetworkNamespace::runCommand(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    const QString path = findSystemProgram(program);
    process.setProgram(path.isEmpty() ? program : path);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.start();
    const bool finished = process.waitForFinished(10000);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
        return true;
    }
    if (!finished) {
        process.kill();
        process.waitForFinished(1000);
    }
    if (error) {
        *error = QStringLiteral("%1 %2 failed: %3")
                     .arg(program, arguments.join(u' '),
                          finished ? QString::fromUtf8(process.readAllStandardError()).trimmed()
                                   : QStringLiteral("no answer within 10 s"));
    }
    return false;
}

} // namespace verandel::test
