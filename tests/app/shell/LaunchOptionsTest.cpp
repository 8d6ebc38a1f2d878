#include "shell/LaunchOptions.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

// Arguments after the program's path, space-separated; each variable is set only when it has a value.
struct LaunchCase
{
    const char *name;
    const char *arguments;
    std::optional<QString> autoOpen, activationToken, startupId;
    std::optional<QString> openScreen;
    bool autostart;
    QString token;
};

TEST(LaunchOptionsTest, TheEnvironmentWinsByPresenceThenTheWordAfterTheFirstOpenScreen)
{
    const auto none = std::nullopt;
    const LaunchCase cases[] = {
        {"nothing", "", none, none, none, none, false, QString()},
        {"option", "--open-screen devices", none, none, none, QStringLiteral("devices"), false, QString()},
        {"environment beats option", "--open-screen general", QStringLiteral("devices"), none, none,
         QStringLiteral("devices"), false, QString()},
        {"an empty environment value still wins", "--open-screen general", QString(), none, none, QString(), false,
         QString()},
        {"option as the last argument", "--open-screen", none, none, none, none, false, QString()},
        {"first option counts", "--open-screen macs --open-screen devices", none, none, none, QStringLiteral("macs"),
         false, QString()},
        {"autostart", "--autostart", none, none, none, none, true, QString()},
        {"activation token first", "", none, QStringLiteral("wl-1"), QStringLiteral("x11-1"), none, false,
         QStringLiteral("wl-1")},
        {"startup id otherwise", "", none, none, QStringLiteral("x11-1"), none, false, QStringLiteral("x11-1")},
    };
    for (const LaunchCase &c : cases) {
        QProcessEnvironment environment;
        const std::pair<const char *, std::optional<QString>> variables[] = {
            {"VERANDEL_AUTO_OPEN", c.autoOpen},
            {"XDG_ACTIVATION_TOKEN", c.activationToken},
            {"DESKTOP_STARTUP_ID", c.startupId},
        };
        for (const auto &[key, value] : variables) {
            if (value) {
                environment.insert(QString::fromLatin1(key), *value);
            }
        }
        const QStringList arguments = QStringList{QStringLiteral("/usr/bin/verandel")}
            + QString::fromLatin1(c.arguments).split(u' ', Qt::SkipEmptyParts);
        const LaunchOptions options = LaunchOptions::parse(arguments, environment);
        EXPECT_EQ(options.openScreen, c.openScreen) << c.name;
        EXPECT_EQ(options.autostart, c.autostart) << c.name;
        EXPECT_EQ(options.activationToken, c.token) << c.name;
    }
}

} // namespace
