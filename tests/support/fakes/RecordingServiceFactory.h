#pragma once

#include "factories/ServiceFactoryProtocol.h"
#include "support/fakes/FakeConnectionMonitor.h"
#include "support/fakes/FakeMacDiscoveryService.h"

#include <QStringList>

namespace verandel::test {

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

    ConnectedMacStorageServicePtr createConnectedMacStorageService() override
    {
        return record("createConnectedMacStorageService", m_inner->createConnectedMacStorageService());
    }
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
    DeviceStorageServicePtr createDeviceStorageService() override
    {
        return record("createDeviceStorageService", m_inner->createDeviceStorageService());
    }
    BluetoothDeviceManagerPtr createBluetoothDeviceManager() override
    {
        return record("createBluetoothDeviceManager", m_inner->createBluetoothDeviceManager());
    }
    std::shared_ptr<MacIdentifierServiceProtocol> createMacIdentifierService() override
    {
        return record("createMacIdentifierService", m_inner->createMacIdentifierService());
    }
    std::shared_ptr<PeerCommunicationHub> createEventHub() override
    {
        return record("createEventHub", m_inner->createEventHub());
    }
    std::shared_ptr<NetworkBridge> createNetworkBridge() override
    {
        return record("createNetworkBridge", m_inner->createNetworkBridge());
    }
    DeviceOwnershipServicePtr createDeviceOwnershipService() override
    {
        return record("createDeviceOwnershipService", m_inner->createDeviceOwnershipService());
    }
    std::shared_ptr<ControlCoordinator> createControlCoordinator() override
    {
        return record("createControlCoordinator", m_inner->createControlCoordinator());
    }
    LaunchAtLoginServicePtr createLaunchAtLoginService() override
    {
        auto service = std::make_shared<LaunchAtLogin>(journal);
        launchAtLoginServices.append(service);
        return record("createLaunchAtLoginService", service);
    }
    SystemPermissionCheckerPtr createSystemPermissionChecker() override
    {
        return record("createSystemPermissionChecker", m_inner->createSystemPermissionChecker());
    }
    MetricsPublisherPtr createMetricsPublisher() override
    {
        return record("createMetricsPublisher", m_inner->createMetricsPublisher());
    }
    std::shared_ptr<MetricsDispatcher> createMetricsDispatcher() override
    {
        return record("createMetricsDispatcher", m_inner->createMetricsDispatcher());
    }
    MetricsDispatchSchedulerPtr createMetricsDispatchScheduler() override
    {
        return record("createMetricsDispatchScheduler", scheduler);
    }
    TelemetryPreferencesStorePtr createTelemetryPreferencesStore() override
    {
        return record("createTelemetryPreferencesStore", m_inner->createTelemetryPreferencesStore());
    }
    AppUpdatePreferencesStorePtr createAppUpdatePreferencesStore() override
    {
        return record("createAppUpdatePreferencesStore", m_inner->createAppUpdatePreferencesStore());
    }

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

} // namespace verandel::test
