#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "foundation/StorageManager.h"
#include "records/MacIdentifierServiceProtocol.h"
#include "records/MachineId.h"
#include "records/PeerNamePolicy.h"

namespace verandel {

// This computer's identity: the machine id derived from the system's machine id, and the
// installation id and advertised name kept in "advertised-mac-identity.json". Lives on the main thread.
class MacIdentifierService final : public MacIdentifierServiceProtocol
{
    Q_OBJECT

public:
    // DNS-SD instance names are at most 63 bytes, the cap of every computer name.
    static constexpr qsizetype maxAdvertisedNameBytes = kMaxPeerNameBytes;

    // None for none or blank; otherwise trimmed and short enough to be a DNS-SD instance name.
    static std::optional<QString> normalizedAdvertisedName(const std::optional<QString> &name);

    // Stops the process when the storage directory cannot be resolved.
    MacIdentifierService(LoggerFactory &loggerFactory, StorageManagerPtr storageManager, ClockPtr clock,
                         MachineId::Reader machineIdReader, QObject *parent = nullptr);

    QUuid currentMacId() const override { return m_currentMacId; }
    QString installationId() const override { return m_installationId; }
    std::optional<QString> advertisedName() const override { return m_advertisedName; }
    DiscoverableMac makeDiscoveredMac(const std::optional<QString> &securityCode) const override;
    void setAdvertisedName(const std::optional<QString> &name) override;

private:
    struct LocalMacIdentityState;
    struct LoadedState;

    QUuid retrieveSystemUUID(const MachineId::Reader &reader);
    QUuid loadOrCreateFallbackMachineId();
    LoadedState loadIdentityState();
    void persistIdentityState();

    LoggerPtr m_logger;
    StorageManagerPtr m_storageManager;
    ClockPtr m_clock;
    QString m_identityStorageURL;
    QUuid m_currentMacId;
    QString m_installationId;
    std::optional<QString> m_advertisedName;
    // False when the identity file exists but could not be read: writing it would replace the
    // installation id it holds with this run's temporary one.
    bool m_mayWriteIdentityFile = true;
};

} // namespace verandel
