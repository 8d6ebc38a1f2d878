#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "foundation/StorageManager.h"
#include "records/ConnectedMacStorageServiceProtocol.h"

#include <mutex>

namespace verandel {

// The linked computers in "connected-macs.json", in the order they were added. Holds nothing in memory.
class ConnectedMacStorageService final : public ConnectedMacStorageServiceProtocol
{
public:
    // Makes sure the storage directory exists; a failure is only logged.
    ConnectedMacStorageService(StorageManagerPtr storageManager, LoggerFactory &loggerFactory, ClockPtr clock);

    ConnectedMac addConnectedMac(const ConnectedMacInput &input) override;
    void updateConnectedMac(const ConnectedMac &mac) override;
    void deleteConnectedMac(const QUuid &id) override;
    QList<ConnectedMac> listConnectedMacs() override;
    std::optional<ConnectedMac> getConnectedMac(const QUuid &id) override;

private:
    QList<ConnectedMac> loadConnectedMacs();
    void saveConnectedMacs(const QList<ConnectedMac> &macs);

    StorageManagerPtr m_storageManager;
    LoggerPtr m_logger;
    ClockPtr m_clock;
    // Held from an operation's read to its write, so overlapping changes cannot undo each other.
    // Recursive: the file store's retry pause runs the event loop, which may call in again.
    std::recursive_mutex m_mutex;
};

} // namespace verandel
