#pragma once

#include "foundation/BluetoothMode.h"
#include "foundation/DiscoveryType.h"
#include "foundation/LoggerFactory.h"

#include <QHash>
#include <QString>
#include <QUrl>

#include <optional>

namespace verandel {

// The start-up configuration of the program, read from the process environment and an optional
// KEY=value environment file. Immutable; only RuntimeEnvironmentLoader makes one.
class RuntimeEnvironment
{
public:
    bool debugModeEnabled() const { return m_debugModeEnabled; }
    // DEBUG_PROFILE as read; an empty value stays present and empty.
    const std::optional<QString> &debugProfileName() const { return m_debugProfileName; }
    const QString &debugContextFilePath() const { return m_debugContextFilePath; }
    const QString &debugFrameSenderDataFilePath() const { return m_debugFrameSenderDataFilePath; }
    const QString &debugFrameSenderConfigFilePath() const { return m_debugFrameSenderConfigFilePath; }
    DiscoveryType discoveryType() const { return m_discoveryType; }
    BluetoothMode bluetoothMode() const { return m_bluetoothMode; }
    // Absolute directory path (with a trailing slash) overriding the storage location; debug mode only.
    const std::optional<QString> &storageBaseUrl() const { return m_storageBaseUrl; }
    const std::optional<QString> &sparkleFeedURL() const { return m_sparkleFeedURL; }
    const QUrl &metricsBeaconBaseURL() const { return m_metricsBeaconBaseURL; }
    bool enableLogStdout() const { return m_enableLogStdout; }
    std::optional<LogLevel> defaultLogLevel() const { return m_defaultLogLevel; }
    const QHash<QString, LogLevel> &categoryLogLevelOverrides() const { return m_categoryLogLevelOverrides; }

    static QUrl defaultMetricsBeaconBaseURL();
    static QUrl defaultDebugMetricsBeaconBaseURL();

    // The program's logger factory: stdout echo, per-category levels and default level from here.
    LoggerFactoryPtr makeLoggerFactory() const;

private:
    friend class RuntimeEnvironmentLoader;
    RuntimeEnvironment() = default;

    bool m_debugModeEnabled = false;
    std::optional<QString> m_debugProfileName;
    QString m_debugContextFilePath;
    QString m_debugFrameSenderDataFilePath;
    QString m_debugFrameSenderConfigFilePath;
    DiscoveryType m_discoveryType = DiscoveryType::Bonjour;
    BluetoothMode m_bluetoothMode = BluetoothMode::Real;
    std::optional<QString> m_storageBaseUrl;
    std::optional<QString> m_sparkleFeedURL;
    QUrl m_metricsBeaconBaseURL;
    bool m_enableLogStdout = false;
    std::optional<LogLevel> m_defaultLogLevel;
    QHash<QString, LogLevel> m_categoryLogLevelOverrides;
};

} // namespace verandel
