#pragma once

#include <memory>

namespace verandel {

// Whether the program starts when the user logs in, and the first-run default that turns it on once.
class LaunchAtLoginServiceProtocol
{
public:
    virtual ~LaunchAtLoginServiceProtocol() = default;

    virtual bool isEnabled() const = 0;
    // Throws LaunchAtLoginError when the system's login start-up cannot be changed.
    virtual void setEnabled(bool enabled) = 0;
    // Turns launch at login on the first time the program runs for this user, and never again, so a
    // later choice of the user stands. Never throws.
    virtual void applyDefaultIfNeeded() = 0;
};

using LaunchAtLoginServicePtr = std::shared_ptr<LaunchAtLoginServiceProtocol>;

} // namespace verandel
