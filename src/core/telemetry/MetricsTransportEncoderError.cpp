#include "telemetry/MetricsTransportEncoderError.h"

namespace verandel {

namespace {

QString describe(MetricsTransportEncoderError::Kind kind, const QString &queryKey)
{
    switch (kind) {
    case MetricsTransportEncoderError::Kind::InvalidIdentifier:
        return QStringLiteral("Invalid identifier for query key \"%1\"").arg(queryKey);
    case MetricsTransportEncoderError::Kind::InvalidRuntimeMetadata:
        return QStringLiteral("Invalid runtime metadata for query key \"%1\"").arg(queryKey);
    case MetricsTransportEncoderError::Kind::InvalidRequestURL: return QStringLiteral("Invalid request URL");
    case MetricsTransportEncoderError::Kind::MissingRuntimeMetadata: return QStringLiteral("Missing runtime metadata");
    }
    return {};
}

} // namespace

MetricsTransportEncoderError::MetricsTransportEncoderError(Kind kind, QString queryKey)
    : m_kind(kind)
    , m_queryKey(std::move(queryKey))
    , m_what(describe(m_kind, m_queryKey).toUtf8())
{ }

} // namespace verandel
