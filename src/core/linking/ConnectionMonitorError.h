#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct ConnectionMonitorErrorCases
{
    enum class Kind { StorageError, NetworkError, PingFailed, TransportError, ConfigurationError };
    // The underlying error's description, or the text of pingFailed and configurationError.
    using Payload = QString;
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::StorageError, u"Storage error: %1"},
        {Kind::NetworkError, u"Network error: %1"},
        {Kind::PingFailed, u"Ping failed: %1"},
        {Kind::TransportError, u"Transport error: %1"},
        {Kind::ConfigurationError, u"Configuration error: %1"},
    });
};

// A failure the connection monitor reports on its error signal; only storage failures occur.
class ConnectionMonitorError final : public KindError<ConnectionMonitorErrorCases>
{
public:
    ConnectionMonitorError() = default;
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

    using KindError::payload;
    QString errorDescription() const { return description(); }

private:
    using KindError::KindError;
};

} // namespace verandel
