#pragma once

#include <QObject>

#include <memory>

namespace verandel {

// Whether the updater can start a check now: the current value and every change.
class CanCheckForUpdatesPublisher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~CanCheckForUpdatesPublisher() override = default;

    virtual bool canCheckForUpdates() const = 0;

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
};

using CanCheckForUpdatesPublisherPtr = std::shared_ptr<CanCheckForUpdatesPublisher>;

} // namespace verandel
