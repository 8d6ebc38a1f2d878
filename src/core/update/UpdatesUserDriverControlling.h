#pragma once

namespace verandel {

// What the controller holder asks of the user driver.
class UpdatesUserDriverControlling
{
public:
    virtual ~UpdatesUserDriverControlling() = default;
    // On: a held update is released for installation at once.
    virtual void applyAutomaticInstallationPreference(bool enabled) = 0;
    // True when a held update was released for installation.
    virtual bool installPendingUpdate() = 0;
};

} // namespace verandel
