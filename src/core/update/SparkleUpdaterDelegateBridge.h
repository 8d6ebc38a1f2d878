#pragma once

#include "foundation/LoggerProtocol.h"
#include "update/SparkleUpdateCheckGating.h"
#include "update/UpdaterDelegateProtocol.h"

namespace verandel {

// The updater's delegate: hands it the feed from the runtime environment (none: the one compiled in)
// and refuses background checks while automatic checks are off. User checks always pass.
class SparkleUpdaterDelegateBridge final : public UpdaterDelegateProtocol, public SparkleUpdateCheckGating
{
public:
    // The logger is the holder's, so the gate's lines appear under its category.
    SparkleUpdaterDelegateBridge(std::optional<QString> feedURL, LoggerPtr logger);

    void setAutomaticChecksEnabled(bool enabled) override { m_automaticChecksEnabled = enabled; }
    std::optional<QString> feedURLString() const override { return m_feedURL; }
    std::optional<UpdaterError> mayPerformUpdateCheck(UpdateCheckKind kind) override;

private:
    std::optional<QString> m_feedURL;
    LoggerPtr m_logger;
    bool m_automaticChecksEnabled = true;
};

} // namespace verandel
