#include "linking/ConnectionMonitorError.h"

namespace verandel {

QString ConnectionMonitorError::errorDescription() const
{
    switch (m_kind) {
    case Kind::StorageError: return QStringLiteral("Storage error: ") + m_payload;
    case Kind::NetworkError: return QStringLiteral("Network error: ") + m_payload;
    case Kind::PingFailed: return QStringLiteral("Ping failed: ") + m_payload;
    case Kind::TransportError: return QStringLiteral("Transport error: ") + m_payload;
    case Kind::ConfigurationError: return QStringLiteral("Configuration error: ") + m_payload;
    }
    return {};
}

} // namespace verandel
