#include "telemetry/MetricsHTTPClientError.h"

namespace verandel {

MetricsHTTPClientError::MetricsHTTPClientError(Kind kind, int statusCode, const QString &transportDescription)
    : m_kind(kind)
    , m_statusCode(statusCode)
{
    switch (kind) {
    case Kind::UnsuccessfulStatusCode:
        m_what = QStringLiteral("Unsuccessful HTTP status code %1").arg(statusCode).toUtf8();
        break;
    case Kind::InvalidResponse: m_what = "The response is not an HTTP response"; break;
    case Kind::TimedOut: m_what = "The request timed out"; break;
    case Kind::TransportFailed: m_what = transportDescription.toUtf8(); break;
    }
}

} // namespace verandel
