#pragma once

#include <QByteArrayList>
#include <QTcpSocket>

#include <optional>

namespace verandel::test {

// Reads what the socket has into head; once the head is complete, its lines (trimmed; the request
// line first) and head is emptied for the next request. A head over 64 KiB aborts the connection.
std::optional<QByteArrayList> readHttpRequestHead(QTcpSocket &socket, QByteArray &head);

} // namespace verandel::test
