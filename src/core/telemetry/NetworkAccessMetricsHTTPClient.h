#pragma once

#include "telemetry/MetricsHTTPClient.h"

#include <QNetworkAccessManager>

#include <chrono>
#include <memory>

namespace verandel {

// Sends beacons through its own QNetworkAccessManager, with a cookie jar that keeps nothing and Qt's
// redirect policy (never from https to http). Only the status is read: the reply is aborted as
// soon as a final status is known, so no body is ever buffered.
//
// Always held by shared_ptr: a send in progress keeps its client alive.
class NetworkAccessMetricsHTTPClient final : public MetricsHTTPClient,
                                             public std::enable_shared_from_this<NetworkAccessMetricsHTTPClient>
{
public:
    static constexpr std::chrono::milliseconds defaultTimeout{60000};

    // The time-out runs while no data moves, connecting included.
    explicit NetworkAccessMetricsHTTPClient(std::chrono::milliseconds timeout = defaultTimeout);

    // Throws MetricsHTTPClientError.
    QCoro::Task<> send(QNetworkRequest request) override;

private:
    std::chrono::milliseconds m_timeout;
    QNetworkAccessManager m_manager;
};

} // namespace verandel
