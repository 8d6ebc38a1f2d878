#pragma once

#include <QString>

namespace verandel::MetricsDispatchReasons {

// Why a dispatch cycle was asked for; only ever written into a log line.
inline const QString startup = QStringLiteral("startup");
inline const QString enqueue = QStringLiteral("enqueue");
inline const QString periodic = QStringLiteral("periodic");

} // namespace verandel::MetricsDispatchReasons
