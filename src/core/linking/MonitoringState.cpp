#include "linking/MonitoringState.h"

namespace verandel {

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
