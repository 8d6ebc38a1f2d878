#pragma once

#include <QByteArrayList>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QUrl>

#include <deque>

namespace verandel::test {

// A small HTTP server on 127.0.0.1 that records each request's head and answers with the status
// set for its target, else the next scripted status (204 when none is left), an empty body and the
// extra header lines given; or answers nothing at all while silent.
class BeaconResponder final : public QObject
{
public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query as sent
        QByteArrayList headers;
        bool hasHeader(const QByteArray &name) const;
    };

    BeaconResponder();

    QUrl baseURL() const;
    // The first `code` answers are given in order.
    void script(std::initializer_list<int> codes) { m_codes.insert(m_codes.end(), codes); }
    // Every request for this path and query is answered with this status, before any script.
    void answerTarget(const QByteArray &target, int code) { m_targetCodes.insert(target, code); }
    void setSilent(bool silent) { m_silent = silent; }
    void setExtraHeaders(QByteArray lines) { m_extraHeaders = std::move(lines); }

    const QList<Request> &requests() const { return m_requests; }
    // The query of each request, in order of arrival.
    QStringList queries() const;

private:
    void accept();

    QTcpServer m_server;
    std::deque<int> m_codes;
    QHash<QByteArray, int> m_targetCodes;
    bool m_silent = false;
    QByteArray m_extraHeaders;
    QList<Request> m_requests;
};

} // namespace verandel::test
