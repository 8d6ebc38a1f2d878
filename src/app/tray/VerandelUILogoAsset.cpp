#include "tray/VerandelUILogoAsset.h"

#include "tray/MenuBarTransferFeedbackIconRenderer.h"

namespace verandel {

bool VerandelUILogoAsset::isAvailable(const IconProvider &icons, LoggerFactory &loggerFactory)
{
    const LoggerPtr logger = loggerFactory.createLogger(QStringLiteral("ModuleResourcesBundle"));
    const QString name = MenuBarTransferFeedbackIconRenderer::logoName();
    if (!icons.contains(name) || !IconProvider::isRenderingAvailable()) {
        logger->info(QStringLiteral("No logo among the program's resources: the tray icon cannot be drawn"));
        return false;
    }
    logger->info(QStringLiteral("Resolved via Qt resources at :/icons/") + name + QStringLiteral(".svg"));
    return true;
}

} // namespace verandel
