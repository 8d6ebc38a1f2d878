#include "desktop/LaunchAtLoginService.h"
#include "desktop/AutostartEntry.h"
#include "desktop/LaunchAtLoginError.h"
#include "desktop/MockLaunchAtLoginService.h"

#include "support/QtPrinters.h"
#include "support/TestFiles.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QString category = QStringLiteral("LaunchAtLoginService");
const QString executable = QStringLiteral("/opt/verandel/bin/verandel");

// Files of the test, in directories made on the way.
void writeEntry(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    test::writeFile(path, content);
}

class LaunchAtLoginServiceTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString userConfig() const { return m_dir.filePath(QStringLiteral("config")); }
    QString systemConfig() const { return m_dir.filePath(QStringLiteral("xdg")); }
    QString userEntry() const { return userConfig() + QStringLiteral("/autostart/com.verandel.Verandel.desktop"); }
    QString systemEntry() const { return systemConfig() + QStringLiteral("/autostart/com.verandel.Verandel.desktop"); }
    QString settingsPath() const { return m_dir.filePath(QStringLiteral("config/Verandel/Verandel.conf")); }

    // A new service over the same directories and settings file, as at the next start of the program.
    LaunchAtLoginService makeService(const QString &executablePath = executable)
    {
        AutostartLocations locations{userConfig(), {m_dir.filePath(QStringLiteral("other")), systemConfig()}};
        return LaunchAtLoginService(locations, executablePath,
                                    std::make_shared<QSettings>(settingsPath(), QSettings::IniFormat), m_logs);
    }

    bool flagStored() const
    {
        return QSettings(settingsPath(), QSettings::IniFormat)
            .value(QStringLiteral("launchOnLoginInitialized"))
            .toBool();
    }

    QStringList warnings() const { return m_logs.messages(LogLevel::Warning, category); }

    // Makes the user's autostart directory impossible to create or write into (root ignores modes).
    void blockAutostartDirectory() { writeEntry(userConfig() + QStringLiteral("/autostart"), "not a directory"); }

    QTemporaryDir m_dir;
    test::RecordingLoggerFactory m_logs;
};

TEST_F(LaunchAtLoginServiceTest, TheFirstRunWritesTheEntryAndTheFlagAndLaterRunsLeaveTheUsersChoice)
{
    makeService().applyDefaultIfNeeded();
    EXPECT_TRUE(flagStored());
    ASSERT_TRUE(QFile::exists(userEntry()));
    EXPECT_EQ(test::readFile(userEntry()), AutostartEntry::make(executable, false));
    EXPECT_TRUE(makeService().isEnabled());

    // The user turns it off; the next start does not turn it on again.
    makeService().setEnabled(false);
    EXPECT_FALSE(QFile::exists(userEntry()));
    makeService().applyDefaultIfNeeded();
    EXPECT_FALSE(QFile::exists(userEntry()));
    EXPECT_FALSE(makeService().isEnabled());
    EXPECT_TRUE(warnings().isEmpty());
}

TEST_F(LaunchAtLoginServiceTest, ExecQuotesThePathAsDesktopEntriesWantIt)
{
    struct Case
    {
        QString path;
        QString exec;
    };
    // Quoting escapes " ` $ \ with a backslash, % is doubled, and the string escapes then double
    // every backslash; control characters become their string escapes.
    const Case cases[] = {
        {QStringLiteral("/usr/bin/verandel"), QStringLiteral(R"("/usr/bin/verandel")")},
        {QStringLiteral("/opt/My Apps/verandel"), QStringLiteral(R"("/opt/My Apps/verandel")")},
        {QStringLiteral("/opt/say \"hi\"/verandel"), QStringLiteral(R"("/opt/say \\"hi\\"/verandel")")},
        {QStringLiteral("/opt/back\\slash/verandel"), QStringLiteral(R"("/opt/back\\\\slash/verandel")")},
        {QStringLiteral("/opt/100%/verandel"), QStringLiteral(R"("/opt/100%%/verandel")")},
        {QStringLiteral("/opt/$HOME/`x`"), QStringLiteral(R"("/opt/\\$HOME/\\`x\\`")")},
        {QStringLiteral("/opt/a\nb\tc"), QStringLiteral(R"("/opt/a\nb\tc")")},
        {QStringLiteral("/opt/A b\"c\\d%e"), QStringLiteral(R"("/opt/A b\\"c\\\\d%%e")")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(AutostartEntry::execArgument(c.path), c.exec);
        makeService(c.path).setEnabled(true);
        EXPECT_TRUE(
            test::readFile(userEntry()).contains(QStringLiteral("\nExec=%1 --autostart\n").arg(c.exec).toUtf8()));
    }
}

TEST_F(LaunchAtLoginServiceTest, IsEnabledReadsTheEntryThatCounts)
{
    struct Case
    {
        const char *name;
        std::optional<QByteArray> user;
        std::optional<QByteArray> system;
        bool enabled;
    };
    const QByteArray application = "[Desktop Entry]\nType=Application\nExec=verandel\n";
    const Case cases[] = {
        {"no entry", std::nullopt, std::nullopt, false},
        {"the user's entry", application, std::nullopt, true},
        {"a system entry", std::nullopt, application, true},
        {"hidden", application + "Hidden=true\n", std::nullopt, false},
        {"switched off for GNOME", application + "X-GNOME-Autostart-enabled=false\n", std::nullopt, false},
        {"switched on for GNOME", application + "X-GNOME-Autostart-enabled=true\n", std::nullopt, true},
        {"spaces around the equals sign", "[Desktop Entry]\nType = Application\nHidden = true\n", std::nullopt, false},
        {"a link, not an application", "[Desktop Entry]\nType=Link\nURL=https://example.org\n", std::nullopt, false},
        {"no main group", "Type=Application\n", std::nullopt, false},
        {"the type in another group", "[Desktop Entry]\nName=x\n[Desktop Action y]\nType=Application\n", std::nullopt,
         false},
        {"comments and blank lines", "# start\n\n[Desktop Entry]\n# note\nType=Application\n", std::nullopt, true},
        {"the user's entry hides the system one", application + "Hidden=true\n", application, false},
        {"the user's entry wins over a hidden system one", application, application + "Hidden=true\n", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(userEntry());
        QFile::remove(systemEntry());
        if (c.user) {
            writeEntry(userEntry(), *c.user);
        }
        if (c.system) {
            writeEntry(systemEntry(), *c.system);
        }
        EXPECT_EQ(makeService().isEnabled(), c.enabled);
    }
}

TEST_F(LaunchAtLoginServiceTest, TurningOffRemovesTheUsersEntryOrHidesASystemOne)
{
    LaunchAtLoginService service = makeService();
    service.setEnabled(false);
    EXPECT_FALSE(QFile::exists(userEntry()));

    service.setEnabled(true);
    service.setEnabled(false);
    EXPECT_FALSE(QFile::exists(userEntry()));
    EXPECT_FALSE(service.isEnabled());

    // The system directory is not ours to change: a hidden entry of the user's covers it.
    const QByteArray systemWide = "[Desktop Entry]\nType=Application\nExec=/usr/bin/verandel\n";
    writeEntry(systemEntry(), systemWide);
    EXPECT_TRUE(service.isEnabled());
    service.setEnabled(false);
    EXPECT_FALSE(service.isEnabled());
    EXPECT_TRUE(test::readFile(userEntry()).contains("\nHidden=true\n"));
    EXPECT_EQ(test::readFile(systemEntry()), systemWide);

    service.setEnabled(true);
    EXPECT_TRUE(service.isEnabled());
    EXPECT_FALSE(test::readFile(userEntry()).contains("Hidden"));
}

TEST_F(LaunchAtLoginServiceTest, AChangeThatCannotBeWrittenIsThrown)
{
    blockAutostartDirectory();
    LaunchAtLoginService service = makeService();
    EXPECT_THROW(service.setEnabled(true), LaunchAtLoginError);
    // Nothing to remove is no failure; hiding a system entry needs a write, which fails.
    EXPECT_NO_THROW(service.setEnabled(false));
    writeEntry(systemEntry(), "[Desktop Entry]\nType=Application\n");
    EXPECT_THROW(service.setEnabled(false), LaunchAtLoginError);
    EXPECT_TRUE(service.isEnabled());
}

TEST_F(LaunchAtLoginServiceTest, AFailedFirstRunRegistrationIsLoggedOnceAndNotTriedAgain)
{
    blockAutostartDirectory();
    makeService().applyDefaultIfNeeded();
    EXPECT_TRUE(flagStored());
    const QStringList lines = warnings();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("Failed to turn on launch at login: Cannot ")));

    makeService().applyDefaultIfNeeded();
    EXPECT_EQ(warnings().size(), 1);
}

TEST_F(LaunchAtLoginServiceTest, WithoutAPlaceForTheFlagTheDefaultIsNotApplied)
{
    // Applied without its flag, the default would come back at every start.
    writeEntry(userConfig() + QStringLiteral("/Verandel"), "not a directory");
    makeService().applyDefaultIfNeeded();
    EXPECT_FALSE(QFile::exists(userEntry()));
    ASSERT_EQ(warnings().size(), 1);
    EXPECT_TRUE(warnings().first().startsWith(QStringLiteral("Failed to record that launch at login was set up")));
}

TEST(MockLaunchAtLoginServiceTest, StartsOffTakesTheDefaultOnceAndKeepsTheChoiceInMemory)
{
    MockLaunchAtLoginService service;
    EXPECT_FALSE(service.isEnabled());
    service.applyDefaultIfNeeded();
    EXPECT_TRUE(service.isEnabled());
    service.setEnabled(false);
    service.applyDefaultIfNeeded();
    EXPECT_FALSE(service.isEnabled());
    EXPECT_FALSE(MockLaunchAtLoginService().isEnabled());
}

} // namespace
