#include "update/AppUpdatePreferences.h"

#include "foundation/JsonFields.h"

#include <QJsonObject>

namespace verandel {

namespace {

const QString automaticChecksEnabledKey = QStringLiteral("automaticChecksEnabled");
const QString automaticInstallationEnabledKey = QStringLiteral("automaticInstallationEnabled");

} // namespace

QJsonValue AppUpdatePreferences::toJson() const
{
    return QJsonObject{{automaticChecksEnabledKey, automaticChecksEnabled},
                       {automaticInstallationEnabledKey, automaticInstallationEnabled}};
}

AppUpdatePreferences AppUpdatePreferences::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("AppUpdatePreferences"));
    return AppUpdatePreferences{json::requireBool(object, automaticChecksEnabledKey),
                                json::requireBool(object, automaticInstallationEnabledKey)};
}

} // namespace verandel
