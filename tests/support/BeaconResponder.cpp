#include "support/BeaconResponder.h"

#include "support/HttpRequestHead.h"

#include <QTcpSocket>

namespace verandel::test {

bool BeaconResponder::Request::hasHeader(const QByteArray &name) const
{
    const QByteArray prefix = name.toLower() + ':';
    return std::any_of(headers.cbegin(), headers.cend(),
                       [&prefix](const QByteArray &line) { return line.toLower().startsWith(prefix); });
}

BeaconResponder::BeaconResponder()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &BeaconResponder::accept);
}

QUrl BeaconResponder::baseURL() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

QStringList BeaconResponder::queries() const
{
    QStringList result;
    for (const Request &request : m_requests) {
        result.append(QUrl(QString::fromLatin1(request.target)).query());
    }
    return result;
}

void BeaconResponder::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head = QByteArray()]() mutable {
            std::optional<QByteArrayList> lines = readHttpRequestHead(*socket, head);
            if (!lines) {
                return;
            }
            const QByteArrayList requestLine = lines->takeFirst().split(' ');
            m_requests.append(Request{requestLine.value(0), requestLine.value(1), *lines});
            if (m_silent) {
                return;
            }
            int code = 204;
            if (m_targetCodes.contains(requestLine.value(1))) {
                code = m_targetCodes.value(requestLine.value(1));
            } else if (!m_codes.empty()) {
                code = m_codes.front();
                m_codes.pop_front();
            }
            socket->write("HTTP/1.1 " + QByteArray::number(code) + " Status\r\nContent-Length: 0\r\n" + m_extraHeaders
                          + "\r\n");
        });
    }
}

} // namespace verandel::test
