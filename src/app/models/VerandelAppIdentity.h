#pragma once

#include <QString>

#include <optional>

namespace verandel {

// The four entries of the About dialog.
struct AboutPanelOptions
{
    QString applicationName;
    QString applicationVersion;
    // "Build " and the build version.
    QString version;
    QString copyright;
    bool operator==(const AboutPanelOptions &) const = default;
};

// The fixed texts that name the program.
class VerandelAppIdentity
{
public:
    VerandelAppIdentity() = delete;

    static QString productName() { return QStringLiteral("Verandel"); }
    static QString aboutMenuTitle() { return QStringLiteral("About Verandel"); }
    static QString quitMenuTitle() { return QStringLiteral("Quit Verandel"); }
    static QString copyright() { return QStringLiteral("© 2026 The Verandel developers"); }

    static AboutPanelOptions aboutPanelOptions(const QString &shortVersion, const QString &bundleVersion);
    // The packaged version, else the core's own; the build number, else the short version.
    static QString shortVersion(const std::optional<QString> &packagedVersion);
    static QString bundleVersion(const std::optional<QString> &buildNumber, const QString &shortVersion);
    // What this build was made with (the project version and the build-number definition).
    static AboutPanelOptions currentAboutPanelOptions();
};

} // namespace verandel
