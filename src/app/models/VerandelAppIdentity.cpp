#include "models/VerandelAppIdentity.h"

#include "foundation/VerandelCore.h"

namespace verandel {

namespace {

std::optional<QString> nonEmpty(const char *text)
{
    const QString value = QString::fromUtf8(text);
    return value.isEmpty() ? std::nullopt : std::optional(value);
}

} // namespace

AboutPanelOptions VerandelAppIdentity::aboutPanelOptions(const QString &shortVersion, const QString &bundleVersion)
{
    return {productName(), shortVersion, QStringLiteral("Build ") + bundleVersion, copyright()};
}

QString VerandelAppIdentity::shortVersion(const std::optional<QString> &packagedVersion)
{
    return packagedVersion && !packagedVersion->isEmpty() ? *packagedVersion : VerandelCore::version;
}

QString VerandelAppIdentity::bundleVersion(const std::optional<QString> &buildNumber, const QString &shortVersion)
{
    return buildNumber && !buildNumber->isEmpty() ? *buildNumber : shortVersion;
}

AboutPanelOptions VerandelAppIdentity::currentAboutPanelOptions()
{
    const QString version = shortVersion(nonEmpty(VERANDEL_APP_VERSION));
    return aboutPanelOptions(version, bundleVersion(nonEmpty(VERANDEL_BUILD_NUMBER), version));
}

} // namespace verandel
