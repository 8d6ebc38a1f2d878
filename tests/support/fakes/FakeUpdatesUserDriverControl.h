#pragma once

#include "update/SparkleUpdateCheckGating.h"
#include "update/UpdatesUserDriverControlling.h"

#include <QList>

namespace verandel::test {

// The driver side the holder controls: records the install preference it was given and answers
// install requests with heldUpdate (which a successful request clears).
class FakeUpdatesUserDriverControl final : public UpdatesUserDriverControlling
{
public:
    QList<bool> appliedAutomaticInstallation;
    bool heldUpdate = false;

    void applyAutomaticInstallationPreference(bool enabled) override { appliedAutomaticInstallation.append(enabled); }
    bool installPendingUpdate() override { return std::exchange(heldUpdate, false); }
};

// The background-check gate: records each flag it was given.
class FakeUpdateCheckGate final : public SparkleUpdateCheckGating
{
public:
    QList<bool> appliedAutomaticChecks;
    void setAutomaticChecksEnabled(bool enabled) override { appliedAutomaticChecks.append(enabled); }
};

} // namespace verandel::test
