#include "support/LoopbackPorts.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>

namespace verandel::test {

namespace {

// The first port the kernel hands out to outgoing connections and to listeners on port 0.
quint16 ephemeralRangeStart()
{
    QFile range(QStringLiteral("/proc/sys/net/ipv4/ip_local_port_range"));
    if (range.open(QIODevice::ReadOnly)) {
        bool ok = false;
        const int start = QString::fromLatin1(range.readLine(64)).simplified().section(u' ', 0, 0).toInt(&ok);
        if (ok && start > 1024 && start <= 65535) {
            return quint16(start);
        }
    }
    return 32768;
}

bool listenable(quint16 port)
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, port);
}

} // namespace

quint16 freeLoopbackPort()
{
    const quint16 end = ephemeralRangeStart();
    const quint16 begin = std::max<quint16>(1024, end > 12000 ? end - 12000 : 1024);
    if (end > begin) {
        // Random, so two tests that pick at the same moment rarely pick alike.
        for (int attempt = 0; attempt < 64; ++attempt) {
            const auto port = quint16(QRandomGenerator::global()->bounded(int(begin), int(end)));
            if (listenable(port)) {
                return port;
            }
        }
    }
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace verandel::test
