#pragma once

#include "models/DiscoveryPermissionGuidanceState.h"
#include "models/PermissionGuidanceConfiguration.h"

#include "bluetooth/SystemPermissionStatus.h"
#include "linking/ConnectionRequest.h"
#include "linking/SecurityCode.h"
#include "records/DiscoverableMac.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>

#include <optional>

namespace verandel {

// What the Discovery Mode screen reads and drives. Every member is used on the GUI thread. The
// operations never throw: a model reports failures through its own error message. The screen starts
// them without waiting; each change is announced by its signal, after which the screen renders again.
class DiscoveryViewModelProtocol : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isDiscoveryActive READ isDiscoveryActive NOTIFY isDiscoveryActiveChanged)
    Q_PROPERTY(QList<verandel::DiscoverableMac> discoveredMacs READ discoveredMacs NOTIFY discoveredMacsChanged)
    Q_PROPERTY(std::optional<verandel::SecurityCode> currentSecurityCode READ currentSecurityCode NOTIFY
                   currentSecurityCodeChanged)
    Q_PROPERTY(verandel::SystemPermissionStatus localNetworkPermissionStatus READ localNetworkPermissionStatus NOTIFY
                   localNetworkPermissionStatusChanged)
    Q_PROPERTY(std::optional<verandel::DiscoveryPermissionGuidanceState> inlinePermissionGuidanceState READ
                   inlinePermissionGuidanceState NOTIFY inlinePermissionGuidanceStateChanged)
    Q_PROPERTY(bool canEnableDiscovery READ canEnableDiscovery NOTIFY canEnableDiscoveryChanged)

public:
    using QObject::QObject;
    ~DiscoveryViewModelProtocol() override = default;

    // True exactly while the discovery service's Discovery Mode runs.
    virtual bool isDiscoveryActive() const = 0;
    // Computers found nearby that advertise a code, in the order they were found.
    virtual QList<DiscoverableMac> discoveredMacs() const = 0;
    // The code of the running session.
    virtual std::optional<SecurityCode> currentSecurityCode() const = 0;
    // As last read from the permission checker; the screen does not show it.
    virtual SystemPermissionStatus localNetworkPermissionStatus() const = 0;
    // The Local Network card the switch raised; none when there is none.
    virtual std::optional<DiscoveryPermissionGuidanceState> inlinePermissionGuidanceState() const = 0;
    // Whether the switch takes input.
    virtual bool canEnableDiscovery() const = 0;
    // The card to show instead of the setup steps, with its actions; none while Discovery Mode runs.
    // Changes with permissionGuidanceConfigurationChanged.
    virtual std::optional<PermissionGuidanceConfiguration> permissionGuidanceConfiguration() const = 0;

    virtual QCoro::Task<> startDiscovery() = 0;
    // The switch was turned on or off.
    virtual QCoro::Task<> setDiscoveryModeEnabled(bool enabled) = 0;
    virtual QCoro::Task<> stopDiscovery() = 0;
    virtual QCoro::Task<> generateNewSecurityCode() = 0;
    virtual QCoro::Task<> requestConnection(DiscoverableMac mac) = 0;
    virtual QCoro::Task<> acceptConnection(DiscoverableMac mac) = 0;
    virtual QCoro::Task<> cancelConnection(DiscoverableMac mac) = 0;
    virtual QCoro::Task<> rejectConnection(DiscoverableMac mac) = 0;
    // The request a nearby computer's row shows. Changes with connectionRequestsChanged.
    virtual std::optional<ConnectionRequest> getConnectionRequest(const DiscoverableMac &mac) const = 0;
    virtual void openLocalNetworkSettings() = 0;
    virtual void dismissPermissionGuidance() = 0;

Q_SIGNALS:
    void isDiscoveryActiveChanged();
    void discoveredMacsChanged();
    void currentSecurityCodeChanged();
    void localNetworkPermissionStatusChanged();
    void inlinePermissionGuidanceStateChanged();
    void canEnableDiscoveryChanged();
    void permissionGuidanceConfigurationChanged();
    void connectionRequestsChanged();
};

} // namespace verandel
