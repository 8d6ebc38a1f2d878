#pragma once

#include "desktop/LaunchAtLoginServiceProtocol.h"

#include <utility>

namespace verandel {

// Launch at login of a mock-mode run: a flag in memory, so such runs never register anything with the
// desktop. Every instance starts disabled.
class MockLaunchAtLoginService final : public LaunchAtLoginServiceProtocol
{
public:
    bool isEnabled() const override { return m_isEnabled; }
    void setEnabled(bool enabled) override { m_isEnabled = enabled; }
    void applyDefaultIfNeeded() override
    {
        if (!std::exchange(m_defaultApplied, true)) {
            m_isEnabled = true;
        }
    }

private:
    bool m_isEnabled = false;
    bool m_defaultApplied = false;
};

} // namespace verandel
