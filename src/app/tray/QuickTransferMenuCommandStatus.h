#pragma once

#include <QString>

#include <optional>

namespace verandel {

// Whether a quick-transfer item can be chosen; when not, why (its tool tip), and whether it shows the
// warning triangle.
class QuickTransferMenuCommandStatus
{
public:
    static QuickTransferMenuCommandStatus available() { return QuickTransferMenuCommandStatus(); }
    static QuickTransferMenuCommandStatus unavailable(QString reason, bool showsUnavailableAffordance)
    {
        return QuickTransferMenuCommandStatus(std::move(reason), showsUnavailableAffordance);
    }

    bool isEnabled() const { return !m_reason; }
    std::optional<QString> toolTip() const { return m_reason; }
    bool showsUnavailableAffordance() const { return m_showsUnavailableAffordance; }

    bool operator==(const QuickTransferMenuCommandStatus &) const = default;

private:
    QuickTransferMenuCommandStatus() = default;
    QuickTransferMenuCommandStatus(QString reason, bool affordance)
        : m_reason(std::move(reason))
        , m_showsUnavailableAffordance(affordance)
    { }

    std::optional<QString> m_reason;
    bool m_showsUnavailableAffordance = false;
};

} // namespace verandel
