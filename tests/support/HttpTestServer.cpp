#include "support/HttpTestServer.h"

#include "support/HttpRequestHead.h"

#include <QTcpSocket>

namespace verandel::test {

HttpTestServer::HttpTestServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &HttpTestServer::accept);
}

QUrl HttpTestServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void HttpTestServer::redirect(const QByteArray &path, const QByteArray &location, int status)
{
    serve(path, Response{status, {}, {"Location: " + location}});
}

void HttpTestServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head = QByteArray()]() mutable {
            const std::optional<QByteArrayList> lines = readHttpRequestHead(*socket, head);
            if (!lines) {
                return;
            }
            const QByteArray path = lines->value(0).split(' ').value(1);
            m_requestedPaths.append(path);
            const Response response = m_responses.value(path, Response{404, "not found", {}});
            QByteArray answer = "HTTP/1.1 " + QByteArray::number(response.status)
                + " Status\r\nConnection: close\r\nContent-Length: " + QByteArray::number(response.body.size())
                + "\r\n";
            for (const QByteArray &header : response.headers) {
                answer += header + "\r\n";
            }
            socket->write(answer + "\r\n" + response.body);
            socket->disconnectFromHost();
        });
    }
}

} // namespace verandel::test
