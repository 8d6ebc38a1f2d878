#pragma once

#include "bluetooth/BluezClient.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"

#include <QCoro/QCoroTask>

#include <memory>

namespace verandel {

// Connects a device just paired on a fixed schedule: up to five attempts, each followed by checks that
// the connection holds and that the device's services are resolved. The pauses sleep on the clock.
// Part of BluetoothDeviceManager, which owns it and whose log it writes.
class BluezConnectionSchedule
{
public:
    BluezConnectionSchedule(std::shared_ptr<BluezClient> client, ClockPtr clock, LoggerPtr logger,
                            int connectCallTimeoutMs);

    // Whether the device ended up connected, and stayed so through the checks.
    QCoro::Task<bool> connectWithRetries(QString address, QString devicePath);
    // The device's Connected property; false when it cannot be read.
    QCoro::Task<bool> isConnected(QString devicePath);

private:
    QCoro::Task<bool> verifyStableConnection(QString address, QString devicePath);

    std::shared_ptr<BluezClient> m_client;
    ClockPtr m_clock;
    LoggerPtr m_logger;
    int m_connectCallTimeoutMs;
};

} // namespace verandel
