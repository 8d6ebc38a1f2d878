#pragma once

#include <QString>

namespace verandel::StorageConstants {

inline const QString appSupportDirectoryName = QStringLiteral("com.verandel.Verandel");
inline const QString devicesFileName = QStringLiteral("devices.json");
inline const QString connectedMacsFileName = QStringLiteral("connected-macs.json");
inline constexpr double fileLockTimeoutSeconds = 5.0;
inline constexpr int maxRetryAttempts = 3;
inline constexpr double retryDelaySeconds = 0.5;

} // namespace verandel::StorageConstants
