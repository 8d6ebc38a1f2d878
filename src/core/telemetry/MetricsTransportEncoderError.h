#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct MetricsTransportEncoderErrorCases
{
    enum class Kind { InvalidIdentifier, InvalidRuntimeMetadata, InvalidRequestURL, MissingRuntimeMetadata };
    // The query key of invalidIdentifier and invalidRuntimeMetadata.
    using Payload = QString;
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::InvalidIdentifier, u"Invalid identifier for query key \"%1\""},
        {Kind::InvalidRuntimeMetadata, u"Invalid runtime metadata for query key \"%1\""},
        {Kind::InvalidRequestURL, u"Invalid request URL"},
        {Kind::MissingRuntimeMetadata, u"Missing runtime metadata"},
    });
};

// Why an event cannot become a beacon. An event never changes while queued, so it fails the same
// way on every attempt.
class MetricsTransportEncoderError final : public KindError<MetricsTransportEncoderErrorCases>
{
public:
    // The query key of the identifier that is not a UUID: "u", "p", "x" or "d".
    static MetricsTransportEncoderError invalidIdentifier(const QString &queryKey)
    {
        return {Kind::InvalidIdentifier, queryKey};
    }
    // The query key of the version that is not sanitized: "av" or "ov".
    static MetricsTransportEncoderError invalidRuntimeMetadata(const QString &queryKey)
    {
        return {Kind::InvalidRuntimeMetadata, queryKey};
    }
    static MetricsTransportEncoderError invalidRequestURL() { return {Kind::InvalidRequestURL, {}}; }
    static MetricsTransportEncoderError missingRuntimeMetadata() { return {Kind::MissingRuntimeMetadata, {}}; }

    const QString &queryKey() const { return payload(); }

private:
    using KindError::KindError;
};

} // namespace verandel
