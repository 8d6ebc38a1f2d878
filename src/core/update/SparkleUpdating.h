#pragma once

#include "update/CanCheckForUpdatesPublisher.h"

#include <memory>

namespace verandel {

// The updater behind the controller holder: its two flags, whether it can start a check now (with a
// change signal), and the operations.
class SparkleUpdating : public CanCheckForUpdatesPublisher
{
    Q_OBJECT

public:
    using CanCheckForUpdatesPublisher::CanCheckForUpdatesPublisher;
    ~SparkleUpdating() override = default;

    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool enabled) = 0;
    virtual bool automaticallyDownloadsUpdates() const = 0;
    virtual void setAutomaticallyDownloadsUpdates(bool enabled) = 0;
    // canCheckForUpdates(): false before start and while a check, download or install runs; true
    // while a found update waits for the user.

    // Throws UpdaterError when the updater cannot run (no feed, no key); may be called again.
    virtual void start() = 0;
    virtual void checkForUpdates() = 0;
    virtual void checkForUpdatesInBackground() = 0;
};

using SparkleUpdatingPtr = std::shared_ptr<SparkleUpdating>;

} // namespace verandel
