#include "update/SparkleUpdaterDelegateBridge.h"

#include "update/SparkleUpdateCheckError.h"

namespace verandel {

SparkleUpdaterDelegateBridge::SparkleUpdaterDelegateBridge(std::optional<QString> feedURL, LoggerPtr logger)
    : m_feedURL(std::move(feedURL))
    , m_logger(std::move(logger))
{ }

std::optional<UpdaterError> SparkleUpdaterDelegateBridge::mayPerformUpdateCheck(UpdateCheckKind kind)
{
    if (kind == UpdateCheckKind::background && !m_automaticChecksEnabled) {
        m_logger->info(
            QStringLiteral("Sparkle: Blocking background update check because automatic checks are disabled"));
        return SparkleUpdateCheckError::automaticChecksDisabled();
    }
    return std::nullopt;
}

} // namespace verandel
