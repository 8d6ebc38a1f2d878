#pragma once

#include "bluetooth/BluetoothAuthorizationProbeProtocol.h"
#include "foundation/ClockProtocol.h"

#include <memory>

namespace verandel {

class BluezClient;

// Linux has no per-application Bluetooth permission: we may use Bluetooth when bluetoothd answers us
// and has a powered adapter. A refused call (AccessDenied, from the bus policy) is denied, and so is an
// adapter that is off or blocked (rfkill turns Powered off): the user must act either way. No
// bluetoothd or no adapter is undecided, and the bootstrap variant polls until one appears or the wait
// runs out.
class BluezAuthorizationProbe final : public BluetoothAuthorizationProbeProtocol,
                                      public std::enable_shared_from_this<BluezAuthorizationProbe>
{
public:
    static constexpr double defaultPollIntervalSeconds = 0.1;
    static constexpr double defaultMaxWaitSeconds = 30.0;

    // The client is shared: probes are made afresh for every guarded operation.
    BluezAuthorizationProbe(std::shared_ptr<BluezClient> client, ClockPtr clock,
                            double pollIntervalSeconds = defaultPollIntervalSeconds,
                            double maxWaitSeconds = defaultMaxWaitSeconds);
    ~BluezAuthorizationProbe() override;

    QCoro::Task<SystemPermissionStatus> checkAuthorization(bool runBootstrapProbe) override;
    QCoro::Task<SystemPermissionStatus> currentStatus();

private:
    std::shared_ptr<BluezClient> m_client;
    ClockPtr m_clock;
    double m_pollIntervalSeconds;
    double m_maxWaitSeconds;
};

} // namespace verandel
