#pragma once

#include <QObject>

#include <memory>

namespace verandel {

// How many device transfers are running. An install waits until none is: quitting between one
// computer's unpair and the other's pair would strand the devices.
class TransferActivityProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~TransferActivityProtocol() override = default;

    virtual int runningFlowCount() const = 0;

Q_SIGNALS:
    void runningFlowCountChanged(int count);
};

using TransferActivityPtr = std::shared_ptr<TransferActivityProtocol>;

} // namespace verandel
