#include "support/HttpRequestHead.h"

namespace verandel::test {

namespace {

constexpr qsizetype maxHeadSize = 64 * 1024;

} // namespace

std::optional<QByteArrayList> readHttpRequestHead(QTcpSocket &socket, QByteArray &head)
{
    head += socket.read(maxHeadSize - head.size());
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() >= maxHeadSize) {
            socket.abort();
        }
        return std::nullopt;
    }
    QByteArrayList lines = head.left(end).split('\n');
    for (QByteArray &line : lines) {
        line = line.trimmed();
    }
    head.clear();
    return lines;
}

} // namespace verandel::test
