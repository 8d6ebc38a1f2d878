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

// One value for ever: what the check command follows when the program has no updater holder.
class ConstantCanCheckForUpdatesPublisher final : public CanCheckForUpdatesPublisher
{
public:
    explicit ConstantCanCheckForUpdatesPublisher(bool value)
        : m_value(value)
    { }
    bool canCheckForUpdates() const override { return m_value; }

private:
    bool m_value;
};

} // namespace verandel
