#pragma once

#include "desktop/LaunchAtLoginServiceProtocol.h"
#include "foundation/LoggerFactory.h"

#include <QSettings>
#include <QStringList>

#include <memory>
#include <optional>

namespace verandel {

// Where the desktop looks for autostart entries: "autostart" under each configuration directory.
struct AutostartLocations
{
    // $XDG_CONFIG_HOME: the user's entries, which win over the system's.
    QString userConfigDirectory;
    // $XDG_CONFIG_DIRS, most important first.
    QStringList systemConfigDirectories;

    static AutostartLocations current();
};

// Launch at login through the XDG autostart entry "com.verandel.Verandel.desktop". Holds no state
// of its own: every answer is read from the entries on disk when asked. Only the user's entry is ever
// written; a system-wide entry of the same name is switched off by a hidden user entry over it.
class LaunchAtLoginService final : public LaunchAtLoginServiceProtocol
{
public:
    static const QString entryFileName;
    // The settings key set once the first-run default was applied.
    static const QString initializedKey;

    LaunchAtLoginService(AutostartLocations locations, QString executablePath, std::shared_ptr<QSettings> settings,
                         LoggerFactory &loggerFactory);

    // The entry that counts (the user's, else the first system one) starts the program at login.
    bool isEnabled() const override;
    // On: writes the user's entry atomically, starting this executable. Off: removes the user's
    // entry, or hides the system one under it. Throws LaunchAtLoginError.
    void setEnabled(bool enabled) override;
    // The settings flag is recorded first, so a registration that fails is tried once and a user who
    // turns launch at login off later is never overruled.
    void applyDefaultIfNeeded() override;

    QString userEntryPath() const;

private:
    std::optional<QString> systemEntryPath() const;
    void writeUserEntry(bool hidden);
    void removeUserEntry();

    AutostartLocations m_locations;
    QString m_executablePath;
    std::shared_ptr<QSettings> m_settings;
    LoggerPtr m_logger;
};

} // namespace verandel
