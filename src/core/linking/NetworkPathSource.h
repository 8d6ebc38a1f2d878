#pragma once

#include "linking/NetworkPathSourceProtocol.h"

namespace verandel {

// Follows the system's reachability through QNetworkInformation: only "disconnected" means no path.
// Without a backend (no NetworkManager) it reports a usable path once and never changes.
class NetworkPathSource final : public NetworkPathSourceProtocol
{
    Q_OBJECT

public:
    using NetworkPathSourceProtocol::NetworkPathSourceProtocol;

    void start() override;
    bool isSatisfied() const override { return m_satisfied; }

private:
    void report(bool satisfied);

    bool m_started = false;
    bool m_satisfied = true;
};

} // namespace verandel
