#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace verandel {

// The connection monitor's lifecycle: stopped, starting, running, stopping, stopped.
enum class MonitoringState { Stopped, Starting, Running, Stopping };

inline constexpr std::array<MonitoringState, 4> allMonitoringStates{
    MonitoringState::Stopped, MonitoringState::Starting, MonitoringState::Running, MonitoringState::Stopping};

// "stopped", "starting", "running", "stopping".
QString toString(MonitoringState state);
std::optional<MonitoringState> monitoringStateFromString(QStringView text);
// "Stopped", "Starting...", "Running", "Stopping...".
QString displayName(MonitoringState state);
// Running.
bool isActive(MonitoringState state);
// Starting or stopping.
bool isTransitional(MonitoringState state);

} // namespace verandel
