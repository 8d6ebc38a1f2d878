#pragma once

// For the tests of the windows only: it needs the UI library.
#include "models/ConnectedMacsRules.h"
#include "models/DiscoveryViewModelProtocol.h"

#include <QStringList>

namespace verandel::test {

// A Discovery Mode model whose values the test sets directly; publish() announces them all. Every
// operation is recorded ("setDiscoveryModeEnabled true", "request Studio", …) and changes nothing.
class FakeDiscoveryViewModel final : public DiscoveryViewModelProtocol
{
public:
    bool active = false;
    QList<DiscoverableMac> macs;
    std::optional<SecurityCode> code;
    SystemPermissionStatus status = SystemPermissionStatus::Unknown;
    std::optional<DiscoveryPermissionGuidanceState> guidance;
    bool canEnable = true;
    std::optional<PermissionGuidanceConfiguration> configuration;
    QList<ConnectionRequest> requests;
    QStringList calls;

    bool isDiscoveryActive() const override { return active; }
    QList<DiscoverableMac> discoveredMacs() const override { return macs; }
    std::optional<SecurityCode> currentSecurityCode() const override { return code; }
    SystemPermissionStatus localNetworkPermissionStatus() const override { return status; }
    std::optional<DiscoveryPermissionGuidanceState> inlinePermissionGuidanceState() const override { return guidance; }
    bool canEnableDiscovery() const override { return canEnable; }
    std::optional<PermissionGuidanceConfiguration> permissionGuidanceConfiguration() const override
    {
        return configuration;
    }

    QCoro::Task<> startDiscovery() override { return record(QStringLiteral("startDiscovery")); }
    QCoro::Task<> setDiscoveryModeEnabled(bool enabled) override
    {
        return record(QStringLiteral("setDiscoveryModeEnabled ")
                      + (enabled ? QStringLiteral("true") : QStringLiteral("false")));
    }
    QCoro::Task<> stopDiscovery() override { return record(QStringLiteral("stopDiscovery")); }
    QCoro::Task<> generateNewSecurityCode() override { return record(QStringLiteral("generateNewSecurityCode")); }
    QCoro::Task<> requestConnection(DiscoverableMac mac) override
    {
        return record(QStringLiteral("request ") + mac.name());
    }
    QCoro::Task<> acceptConnection(DiscoverableMac mac) override
    {
        return record(QStringLiteral("accept ") + mac.name());
    }
    QCoro::Task<> cancelConnection(DiscoverableMac mac) override
    {
        return record(QStringLiteral("cancel ") + mac.name());
    }
    QCoro::Task<> rejectConnection(DiscoverableMac mac) override
    {
        return record(QStringLiteral("reject ") + mac.name());
    }
    std::optional<ConnectionRequest> getConnectionRequest(const DiscoverableMac &mac) const override
    {
        return ConnectedMacsRules::latestRequest(requests, mac.id());
    }
    void openLocalNetworkSettings() override { calls.append(QStringLiteral("openLocalNetworkSettings")); }
    void dismissPermissionGuidance() override { calls.append(QStringLiteral("dismissPermissionGuidance")); }

    void publish()
    {
        Q_EMIT isDiscoveryActiveChanged();
        Q_EMIT discoveredMacsChanged();
        Q_EMIT currentSecurityCodeChanged();
        Q_EMIT localNetworkPermissionStatusChanged();
        Q_EMIT inlinePermissionGuidanceStateChanged();
        Q_EMIT canEnableDiscoveryChanged();
        Q_EMIT permissionGuidanceConfigurationChanged();
        Q_EMIT connectionRequestsChanged();
    }

private:
    QCoro::Task<> record(QString call)
    {
        calls.append(std::move(call));
        co_return;
    }
};

} // namespace verandel::test
