#pragma once

#include "update/SparkleUpdating.h"
#include "update/UpdaterError.h"

#include <QStringList>

#include <optional>

namespace verandel::test {

// An updater that records its calls ("start", "check", "background check"), fails to start while
// startError is set, and reports whatever can-check value the test sets.
class FakeSparkleUpdater final : public SparkleUpdating
{
public:
    QStringList calls;
    std::optional<UpdaterError> startError;
    bool automaticChecks = false;
    bool automaticDownloads = false;
    bool canCheck = false;

    bool automaticallyChecksForUpdates() const override { return automaticChecks; }
    void setAutomaticallyChecksForUpdates(bool enabled) override { automaticChecks = enabled; }
    bool automaticallyDownloadsUpdates() const override { return automaticDownloads; }
    void setAutomaticallyDownloadsUpdates(bool enabled) override { automaticDownloads = enabled; }
    bool canCheckForUpdates() const override { return canCheck; }

    void start() override
    {
        calls.append(QStringLiteral("start"));
        if (startError) {
            throw *startError;
        }
    }
    void checkForUpdates() override { calls.append(QStringLiteral("check")); }
    void checkForUpdatesInBackground() override { calls.append(QStringLiteral("background check")); }

    void setCanCheck(bool value)
    {
        canCheck = value;
        Q_EMIT canCheckForUpdatesChanged(value);
    }
};

} // namespace verandel::test
