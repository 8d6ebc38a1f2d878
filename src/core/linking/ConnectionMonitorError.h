#pragma once

#include <QString>

namespace verandel {

// A failure the connection monitor reports on its error signal; only storage failures occur.
class ConnectionMonitorError
{
public:
    enum class Kind { StorageError, NetworkError, PingFailed, TransportError, ConfigurationError };

    ConnectionMonitorError() = default;
    // The payload is the underlying error's description, or the text of pingFailed and
    // configurationError.
    static ConnectionMonitorError storageError(const QString &errorDescription)
    {
        return {Kind::StorageError, errorDescription};
    }
    static ConnectionMonitorError networkError(const QString &errorDescription)
    {
        return {Kind::NetworkError, errorDescription};
    }
    static ConnectionMonitorError pingFailed(const QString &text) { return {Kind::PingFailed, text}; }
    static ConnectionMonitorError transportError(const QString &errorDescription)
    {
        return {Kind::TransportError, errorDescription};
    }
    static ConnectionMonitorError configurationError(const QString &text) { return {Kind::ConfigurationError, text}; }

    Kind kind() const { return m_kind; }
    const QString &payload() const { return m_payload; }

    // "Storage error: <description>", "Ping failed: <text>", …
    QString errorDescription() const;

    bool operator==(const ConnectionMonitorError &) const = default;

private:
    ConnectionMonitorError(Kind kind, QString payload)
        : m_kind(kind)
        , m_payload(std::move(payload))
    { }

    Kind m_kind = Kind::StorageError;
    QString m_payload;
};

} // namespace verandel
