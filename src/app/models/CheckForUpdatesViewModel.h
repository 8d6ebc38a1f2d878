#pragma once

#include "update/CanCheckForUpdatesPublisher.h"

#include <QObject>

namespace verandel {

// Whether the "Check for Updates…" command is enabled: false until the updater's first value arrives
// (from the event loop), then every value it publishes, for as long as the view model lives.
class CheckForUpdatesViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    explicit CheckForUpdatesViewModel(CanCheckForUpdatesPublisherPtr canCheckForUpdatesPublisher,
                                      QObject *parent = nullptr);

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);

private:
    void assign(bool canCheck);

    CanCheckForUpdatesPublisherPtr m_publisher;
    bool m_canCheckForUpdates = false;
};

} // namespace verandel
