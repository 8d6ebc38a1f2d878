#include "settings/devices/DevicesScreenSummary.h"

namespace verandel {

namespace {

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return count == 1 ? one : QString::number(count) + many;
}

} // namespace

DevicesScreenSummary DevicesScreenSummary::make(qsizetype sharedCount, qsizetype readyToShareCount,
                                                qsizetype experimentalCount, bool isRefreshing)
{
    if (isRefreshing) {
        return {QStringLiteral("Refreshing devices"), QStringLiteral("arrow.clockwise"), ThemeColor::Accent};
    }
    if (sharedCount > 0) {
        return {counted(sharedCount, QStringLiteral("1 device allowed for transfer"),
                        QStringLiteral(" devices allowed for transfer")),
                QStringLiteral("checkmark.circle.fill"), ThemeColor::Green};
    }
    if (readyToShareCount > 0) {
        return {
            counted(readyToShareCount, QStringLiteral("1 ready for transfer"), QStringLiteral(" ready for transfer")),
            QStringLiteral("sparkles"), ThemeColor::Accent};
    }
    if (experimentalCount > 0) {
        return {counted(experimentalCount, QStringLiteral("1 experimental device"),
                        QStringLiteral(" experimental devices")),
                QStringLiteral("exclamationmark.triangle.fill"), ThemeColor::Orange};
    }
    return {QStringLiteral("No paired devices"), QStringLiteral("bluetooth.slash"), ThemeColor::SecondaryText};
}

QString DevicesScreenSummary::sharedCountText(qsizetype sharedCount)
{
    if (sharedCount == 0) {
        return QStringLiteral("Nothing allowed for transfer yet");
    }
    return counted(sharedCount, QStringLiteral("1 device allowed for transfer"),
                   QStringLiteral(" devices allowed for transfer"));
}

std::optional<QString> DevicesScreenSummary::availableCountText(qsizetype availableCount)
{
    if (availableCount == 0) {
        return std::nullopt;
    }
    return counted(availableCount, QStringLiteral("1 available device"), QStringLiteral(" available devices"));
}

} // namespace verandel
