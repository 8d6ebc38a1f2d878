#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace verandel {

// Why an event cannot become a beacon. An event never changes while queued, so it fails the same
// way on every attempt.
class MetricsTransportEncoderError final : public std::exception
{
public:
    enum class Kind { InvalidIdentifier, InvalidRuntimeMetadata, InvalidRequestURL, MissingRuntimeMetadata };

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

    Kind kind() const { return m_kind; }
    const QString &queryKey() const { return m_queryKey; }
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const MetricsTransportEncoderError &other) const
    {
        return m_kind == other.m_kind && m_queryKey == other.m_queryKey;
    }

private:
    MetricsTransportEncoderError(Kind kind, QString queryKey);

    Kind m_kind;
    QString m_queryKey;
    QByteArray m_what;
};

} // namespace verandel
