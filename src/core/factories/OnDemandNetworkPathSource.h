#pragma once

#include "linking/NetworkPathSourceProtocol.h"

#include <functional>

namespace verandel {

// The connection monitor's network path source, held back until monitoring starts. The monitor
// starts its source as soon as it is built, and the system's network information backend talks to
// the system bus; before monitoring runs the monitor has nothing the path could change. Passes its
// signal on and reads as a usable path until the real source has said otherwise.
class OnDemandNetworkPathSource final : public NetworkPathSourceProtocol
{
    Q_OBJECT

public:
    using Maker = std::function<NetworkPathSourcePtr()>;

    explicit OnDemandNetworkPathSource(Maker make, QObject *parent = nullptr);

    // Only notes that reporting is wanted.
    void start() override { m_startRequested = true; }
    bool isSatisfied() const override { return m_inner ? m_inner->isSatisfied() : true; }

    // Makes and starts the real source, once, when start() was called.
    void begin();

private:
    Maker m_make;
    NetworkPathSourcePtr m_inner;
    bool m_startRequested = false;
};

} // namespace verandel
