#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// Why a beacon was not taken.
class MetricsHTTPClientError final : public std::exception
{
public:
    enum class Kind {
        // The server answered with a status outside 200 to 299.
        UnsuccessfulStatusCode,
        // The answer carried no HTTP status (a URL that is not http or https).
        InvalidResponse,
        // No status arrived within the client's time-out.
        TimedOut,
        // The connection failed before a status arrived.
        TransportFailed,
    };

    static MetricsHTTPClientError unsuccessfulStatusCode(int statusCode)
    {
        return {Kind::UnsuccessfulStatusCode, statusCode, {}};
    }
    static MetricsHTTPClientError invalidResponse() { return {Kind::InvalidResponse, 0, {}}; }
    static MetricsHTTPClientError timedOut() { return {Kind::TimedOut, 0, {}}; }
    static MetricsHTTPClientError transportFailed(const QString &description)
    {
        return {Kind::TransportFailed, 0, description};
    }

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_statusCode; }
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const MetricsHTTPClientError &other) const
    {
        return m_kind == other.m_kind && m_statusCode == other.m_statusCode && m_what == other.m_what;
    }

private:
    MetricsHTTPClientError(Kind kind, int statusCode, const QString &transportDescription);

    Kind m_kind;
    int m_statusCode;
    QByteArray m_what;
};

} // namespace verandel
