#pragma once

#include "core/factories/FactoryTestSupport.h"
#include "factories/MockServiceFactory.h"
#include "support/BeaconResponder.h"
#include "support/ManualClock.h"
#include "support/fakes/RecordingServiceFactory.h"

namespace verandel::test {

// Mock mode's graph for the profile "alpha" in a sandbox, with no system bus, under a recording factory.
class ShellGraph
{
public:
    ShellGraph() { qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/verandel-test-system-bus"); }

    RuntimeEnvironment runtime(QHash<QString, QString> variables = {}) const
    {
        variables.insert(QStringLiteral("DISCOVERY_TYPE"), QStringLiteral("debug"));
        variables.insert(QStringLiteral("BLUETOOTH_MODE"), QStringLiteral("mock"));
        variables.insert(QStringLiteral("METRICS_CDN_BASE_URL"), m_responder.baseURL().toString());
        return loadRuntime(variables);
    }

    std::shared_ptr<RecordingServiceFactory> makeFactory(const RuntimeEnvironment &runtime)
    {
        ServiceFactoryPlatform platform{clock, [] {
                                            return QDBusConnection::connectToBus(
                                                QStringLiteral("unix:path=/nonexistent/verandel-test-bus"),
                                                QStringLiteral("verandel-shell-test-no-bus"));
                                        }};
        auto inner = std::make_shared<MockServiceFactory>(
            runtime.debugContextFilePath(), runtime.debugFrameSenderDataFilePath(),
            runtime.debugFrameSenderConfigFilePath(), logs, nullptr, runtime, std::move(platform));
        return std::make_shared<RecordingServiceFactory>(inner);
    }

    XdgSandbox sandbox;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<RecordingLoggerFactory> logs = std::make_shared<RecordingLoggerFactory>();

private:
    BeaconResponder m_responder;
};

} // namespace verandel::test
