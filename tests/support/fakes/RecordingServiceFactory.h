#pragma once

#include "factories/ServiceFactoryProtocol.h"
#include "support/fakes/FakeConnectionMonitor.h"
#include "support/fakes/FakeMacDiscoveryService.h"

#include <QStringList>

namespace verandel::test {

// Hands on the inner factory's service and records the call.
// clang-format off
#define VERANDEL_RECORD_FORWARD(Type, call) \
    Type call() override { return record(#call, m_inner->call()); }
// clang-format on

// A service factory that writes every call into one journal, in order, with the services the
// composition root starts and stops as fakes that write into it too. The concrete services (the hub,
// the bridge, the ownership map, the coordinator, the stores) come from the inner factory. Discovery and
// launch at login are new on every call, as the factory's contract says.
class RecordingServiceFactory final : public ServiceFactoryProtocol
{
public:
    class Scheduler final : public MetricsDispatchScheduling
    {
    public:
        explicit Scheduler(QStringList &journal)
            : m_journal(journal)
        { }
        void start() override { m_journal.append(QStringLiteral("scheduler.start")); }
        void stop() override { m_journal.append(QStringLiteral("scheduler.stop")); }
        void requestDispatch(const QString &) override { }

    private:
        QStringList &m_journal;
    };

    class LaunchAtLogin final : public LaunchAtLoginServiceProtocol
    {
    public:
        explicit LaunchAtLogin(QStringList &journal)
            : m_journal(journal)
        { }
        bool isEnabled() const override { return m_enabled; }
        void setEnabled(bool enabled) override { m_enabled = enabled; }
        void applyDefaultIfNeeded() override
        {
            m_journal.append(QStringLiteral("launchAtLogin.applyDefaultIfNeeded"));
            m_enabled = true;
        }

    private:
        QStringList &m_journal;
        bool m_enabled = false;
    };

    explicit RecordingServiceFactory(ServiceFactoryPtr inner)
        : m_inner(std::move(inner))
    {
        monitor->journal = &journal;
    }

    QStringList journal;
    std::shared_ptr<FakeConnectionMonitor> monitor = std::make_shared<FakeConnectionMonitor>();
    std::shared_ptr<Scheduler> scheduler = std::make_shared<Scheduler>(journal);
    // Every discovery service and launch-at-login service handed out, in order.
    QList<std::shared_ptr<FakeMacDiscoveryService>> discoveryServices;
    QList<std::shared_ptr<LaunchAtLogin>> launchAtLoginServices;
    // Thrown by the startAdvertising of every discovery service made from now on.
    std::optional<MacDiscoveryError> startAdvertisingError;

    VERANDEL_RECORD_FORWARD(ConnectedMacStorageServicePtr, createConnectedMacStorageService)
    MacDiscoveryServicePtr createMacDiscoveryService() override
    {
        auto discovery = std::make_shared<FakeMacDiscoveryService>();
        discovery->journal = &journal;
        discovery->startAdvertisingError = startAdvertisingError;
        discoveryServices.append(discovery);
        return record("createMacDiscoveryService", discovery);
    }
    ConnectionMonitorServicePtr createConnectionMonitorService() override
    {
        return record("createConnectionMonitorService", monitor);
    }
    VERANDEL_RECORD_FORWARD(DeviceStorageServicePtr, createDeviceStorageService)
    VERANDEL_RECORD_FORWARD(BluetoothDeviceManagerPtr, createBluetoothDeviceManager)
    VERANDEL_RECORD_FORWARD(std::shared_ptr<MacIdentifierServiceProtocol>, createMacIdentifierService)
    VERANDEL_RECORD_FORWARD(std::shared_ptr<PeerCommunicationHub>, createEventHub)
    VERANDEL_RECORD_FORWARD(std::shared_ptr<NetworkBridge>, createNetworkBridge)
    VERANDEL_RECORD_FORWARD(LinkedPeerDirectoryPtr, createPeerDirectory)
    VERANDEL_RECORD_FORWARD(DeviceOwnershipServicePtr, createDeviceOwnershipService)
    VERANDEL_RECORD_FORWARD(std::shared_ptr<ControlCoordinator>, createControlCoordinator)
    LaunchAtLoginServicePtr createLaunchAtLoginService() override
    {
        auto service = std::make_shared<LaunchAtLogin>(journal);
        launchAtLoginServices.append(service);
        return record("createLaunchAtLoginService", service);
    }
    VERANDEL_RECORD_FORWARD(SystemPermissionCheckerPtr, createSystemPermissionChecker)
    VERANDEL_RECORD_FORWARD(MetricsPublisherPtr, createMetricsPublisher)
    VERANDEL_RECORD_FORWARD(std::shared_ptr<MetricsDispatcher>, createMetricsDispatcher)
    MetricsDispatchSchedulerPtr createMetricsDispatchScheduler() override
    {
        return record("createMetricsDispatchScheduler", scheduler);
    }
    VERANDEL_RECORD_FORWARD(TelemetryPreferencesStorePtr, createTelemetryPreferencesStore)
    VERANDEL_RECORD_FORWARD(AppUpdatePreferencesStorePtr, createAppUpdatePreferencesStore)

    // How often the journal holds the entry.
    qsizetype count(const QString &entry) const { return journal.count(entry); }

private:
    template <typename T>
    T record(const char *call, T result)
    {
        journal.append(QStringLiteral("factory.") + QString::fromLatin1(call));
        return result;
    }

    ServiceFactoryPtr m_inner;
};

#undef VERANDEL_RECORD_FORWARD

} // namespace verandel::test
