#pragma once

#include <QString>
#include <QStringList>

namespace verandel::test {

// The full path of a program on PATH or in the sbin directories; empty when absent.
QString findSystemProgram(const QString &name);

// A network namespace of the test's own (`ip netns`), with only `lo` up. Traffic of daemons run
// inside it cannot leave the machine. Deleted when destroyed; namespaces left behind by test
// processes that died are deleted when the next one is created.
class NetworkNamespace
{
public:
    NetworkNamespace();
    ~NetworkNamespace();
    NetworkNamespace(const NetworkNamespace &) = delete;
    NetworkNamespace &operator=(const NetworkNamespace &) = delete;

    // Empty when namespaces can be made here; else why not (not root, no `ip`, refused).
    static QString unavailableReason();

    bool create(QString *error);
    void remove();
    QString name() const { return m_name; }
    bool exists() const { return m_created; }

    // Runs a command inside the namespace and waits for it (at most 10 s).
    bool run(const QStringList &command, QString *error) const;

    // Joins two namespaces by a veth pair and gives each end an address ("169.254.77.1/24").
    static bool link(NetworkNamespace &first, const QString &firstAddress, NetworkNamespace &second,
                     const QString &secondAddress, QString *firstInterface, QString *secondInterface, QString *error);

    // Runs a program outside any namespace and waits for it (at most 10 s).
    static bool runCommand(const QString &program, const QStringList &arguments, QString *error);

private:
    QString m_name;
    bool m_created = false;
};

} // namespace verandel::test
