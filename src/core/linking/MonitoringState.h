#pragma once

#include "foundation/EnumText.h"

namespace verandel {

// The connection monitor's lifecycle: stopped, starting, running, stopping, stopped.
enum class MonitoringState { Stopped, Starting, Running, Stopping };

template <>
inline constexpr auto enumTexts<MonitoringState> = std::to_array<EnumText<MonitoringState>>({
    {MonitoringState::Stopped, u"stopped"},
    {MonitoringState::Starting, u"starting"},
    {MonitoringState::Running, u"running"},
    {MonitoringState::Stopping, u"stopping"},
});

inline std::optional<MonitoringState> monitoringStateFromString(QStringView text)
{
    return enumFromString<MonitoringState>(text);
}

// "Stopped", "Starting...", "Running", "Stopping...".
QString displayName(MonitoringState state);
// Running.
bool isActive(MonitoringState state);
// Starting or stopping.
bool isTransitional(MonitoringState state);

} // namespace verandel
