#include "settings/linked/ConnectedMacsScreenSummary.h"

namespace verandel {

ConnectedMacsScreenSummary ConnectedMacsScreenSummary::make(qsizetype connectedCount)
{
    if (connectedCount <= 0) {
        return {QStringLiteral("No computers linked yet"), QStringLiteral("plus.circle.fill"), ThemeColor::Accent};
    }
    const QString title = connectedCount == 1 ? QStringLiteral("1 computer linked")
                                              : QStringLiteral("%1 computers linked").arg(connectedCount);
    return {title, QStringLiteral("checkmark.circle.fill"), ThemeColor::Green};
}

std::optional<QString> ConnectedMacsScreenSummary::linkedCountText(qsizetype connectedCount)
{
    if (connectedCount <= 0) {
        return std::nullopt;
    }
    return connectedCount == 1 ? QStringLiteral("1 linked computer")
                               : QStringLiteral("%1 linked computers").arg(connectedCount);
}

} // namespace verandel
