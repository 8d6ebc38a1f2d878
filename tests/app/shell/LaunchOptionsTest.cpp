#include "shell/LaunchOptions.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

struct LaunchCase
{
    const char *name;
    QStringList arguments;
    QList<std::pair<QString, QString>> environment;
    std::optional<QString> openScreen;
    bool autostart;
    QString token;
};

TEST(LaunchOptionsTest, TheEnvironmentWinsByPresenceThenTheWordAfterTheFirstOpenScreen)
{
    const QString program = QStringLiteral("/usr/bin/verandel");
    const QString env = QStringLiteral("VERANDEL_AUTO_OPEN");
    const LaunchCase cases[] = {
        {"nothing", {program}, {}, std::nullopt, false, {}},
        {"option",
         {program, QStringLiteral("--open-screen"), QStringLiteral("devices")},
         {},
         QStringLiteral("devices"),
         false,
         {}},
        {"environment beats option",
         {program, QStringLiteral("--open-screen"), QStringLiteral("general")},
         {{env, QStringLiteral("devices")}},
         QStringLiteral("devices"),
         false,
         {}},
        {"an empty environment value still wins",
         {program, QStringLiteral("--open-screen"), QStringLiteral("general")},
         {{env, QString()}},
         QString(),
         false,
         {}},
        {"option as the last argument", {program, QStringLiteral("--open-screen")}, {}, std::nullopt, false, {}},
        {"first option counts",
         {program, QStringLiteral("--open-screen"), QStringLiteral("macs"), QStringLiteral("--open-screen"),
          QStringLiteral("devices")},
         {},
         QStringLiteral("macs"),
         false,
         {}},
        {"autostart", {program, QStringLiteral("--autostart")}, {}, std::nullopt, true, {}},
        {"activation token first",
         {program},
         {{QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("wl-1")},
          {QStringLiteral("DESKTOP_STARTUP_ID"), QStringLiteral("x11-1")}},
         std::nullopt,
         false,
         QStringLiteral("wl-1")},
        {"startup id otherwise",
         {program},
         {{QStringLiteral("DESKTOP_STARTUP_ID"), QStringLiteral("x11-1")}},
         std::nullopt,
         false,
         QStringLiteral("x11-1")},
    };
    for (const LaunchCase &c : cases) {
        QProcessEnvironment environment;
        for (const auto &[key, value] : c.environment) {
            environment.insert(key, value);
        }
        const LaunchOptions options = LaunchOptions::parse(c.arguments, environment);
        EXPECT_EQ(options.openScreen, c.openScreen) << c.name;
        EXPECT_EQ(options.autostart, c.autostart) << c.name;
        EXPECT_EQ(options.activationToken, c.token) << c.name;
    }
}

} // namespace
