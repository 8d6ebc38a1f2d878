#pragma once

#include <QByteArrayList>
#include <QHash>
#include <QTcpServer>
#include <QUrl>

namespace verandel::test {

// A small HTTP/1.1 server on 127.0.0.1 that answers GET requests from a table of paths: each with a
// status, extra header lines and a body (sent in full with its Content-Length, one request per
// connection). Unknown paths get 404. Records the path of every request.
class HttpTestServer final : public QObject
{
public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArrayList headers; // "Location: /x"
    };

    HttpTestServer();

    // http://127.0.0.1:<port><path>
    QUrl url(const QString &path) const;
    void serve(const QByteArray &path, Response response) { m_responses.insert(path, std::move(response)); }
    void serve(const QByteArray &path, QByteArray body) { serve(path, Response{200, std::move(body), {}}); }
    // Answers with a redirect to the location (absolute or a path).
    void redirect(const QByteArray &path, const QByteArray &location, int status = 302);

    const QByteArrayList &requestedPaths() const { return m_requestedPaths; }
    int requestCount(const QByteArray &path) const { return static_cast<int>(m_requestedPaths.count(path)); }

private:
    void accept();

    QTcpServer m_server;
    QHash<QByteArray, Response> m_responses;
    QByteArrayList m_requestedPaths;
};

} // namespace verandel::test
