#include "linking/MonitoringState.h"

#include "foundation/EnumText.h"

namespace verandel {

QString toString(MonitoringState state)
{
    switch (state) {
    case MonitoringState::Stopped: return QStringLiteral("stopped");
    case MonitoringState::Starting: return QStringLiteral("starting");
    case MonitoringState::Running: return QStringLiteral("running");
    case MonitoringState::Stopping: return QStringLiteral("stopping");
    }
    return {};
}

std::optional<MonitoringState> monitoringStateFromString(QStringView text)
{
    return enumFromString(allMonitoringStates, text);
}

QString displayName(MonitoringState state)
{
    switch (state) {
    case MonitoringState::Stopped: return QStringLiteral("Stopped");
    case MonitoringState::Starting: return QStringLiteral("Starting...");
    case MonitoringState::Running: return QStringLiteral("Running");
    case MonitoringState::Stopping: return QStringLiteral("Stopping...");
    }
    return {};
}

bool isActive(MonitoringState state)
{
    return state == MonitoringState::Running;
}

bool isTransitional(MonitoringState state)
{
    return state == MonitoringState::Starting || state == MonitoringState::Stopping;
}

} // namespace verandel
