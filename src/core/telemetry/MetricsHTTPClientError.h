#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct MetricsHTTPClientErrorCases
{
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
    struct Payload
    {
        int statusCode = 0;
        QString transportDescription;
        bool operator==(const Payload &) const = default;
    };
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::UnsuccessfulStatusCode, u"Unsuccessful HTTP status code %1"},
        {Kind::InvalidResponse, u"The response is not an HTTP response"},
        {Kind::TimedOut, u"The request timed out"},
        {Kind::TransportFailed, u"%2"},
    });
    static QStringList arguments(const Payload &payload)
    {
        return {QString::number(payload.statusCode), payload.transportDescription};
    }
};

// Why a beacon was not taken.
class MetricsHTTPClientError final : public KindError<MetricsHTTPClientErrorCases>
{
public:
    static MetricsHTTPClientError unsuccessfulStatusCode(int statusCode)
    {
        return {Kind::UnsuccessfulStatusCode, {statusCode, {}}};
    }
    static MetricsHTTPClientError invalidResponse() { return {Kind::InvalidResponse, {}}; }
    static MetricsHTTPClientError timedOut() { return {Kind::TimedOut, {}}; }
    static MetricsHTTPClientError transportFailed(const QString &description)
    {
        return {Kind::TransportFailed, {0, description}};
    }

    int statusCode() const { return payload().statusCode; }

private:
    using KindError::KindError;
};

} // namespace verandel
