#pragma once

#include <QCoro/QCoroTask>
#include <QNetworkRequest>

#include <memory>

namespace verandel {

// Sends one prepared beacon. Returns when the server took it (a status from 200 to 299) and
// throws otherwise; nothing of the answer but its status is read.
class MetricsHTTPClient
{
public:
    virtual ~MetricsHTTPClient() = default;
    virtual QCoro::Task<> send(QNetworkRequest request) = 0;
};

using MetricsHTTPClientPtr = std::shared_ptr<MetricsHTTPClient>;

} // namespace verandel
