#pragma once

#include <QObject>

#include <memory>

namespace verandel {

// Whether this computer has a usable network path, as the connection monitor follows it.
class NetworkPathSourceProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~NetworkPathSourceProtocol() override = default;

    // Begins reporting: the current path once, from the event loop, then every change.
    virtual void start() = 0;
    virtual bool isSatisfied() const = 0;

Q_SIGNALS:
    void pathUpdated(bool satisfied);
};

using NetworkPathSourcePtr = std::shared_ptr<NetworkPathSourceProtocol>;

} // namespace verandel
