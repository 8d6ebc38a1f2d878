#pragma once

#include "peer/tcp/ReceivedFrame.h"
#include "records/DiscoverableMac.h"

#include <QHostAddress>
#include <QObject>

#include <functional>

namespace verandel {

// Receives the frames other computers send and advertises this computer's service while it runs.
class FrameListenerProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~FrameListenerProtocol() override = default;

    // Listens on a free port and advertises the record; failures are logged, never thrown.
    virtual void start(const verandel::DiscoverableMac &advertisedMac) = 0;
    // Re-advertises the new record on the same port while running.
    virtual void alterAdvertisedMac(const verandel::DiscoverableMac &newAdvertisedMac) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;

    // Whether a source address is a linked computer's. The listener keeps room for such connections
    // under a flood; until a predicate is set, every address is a stranger's.
    using TrustedAddressPredicate = std::function<bool(const QHostAddress &address)>;
    virtual void setTrustedAddressPredicate(TrustedAddressPredicate isTrusted) = 0;

Q_SIGNALS:
    // Every frame whose envelope decoded, with the connection's source address.
    void receivedFrames(const verandel::ReceivedFrame &frame);
};

} // namespace verandel
