#include "shell/AppDelegate.h"

#include "ShellTestSupport.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

class AppDelegateTest : public ::testing::Test
{
protected:
    std::unique_ptr<AppDelegate> make(QHash<QString, QString> variables, LaunchOptions options = {})
    {
        return std::make_unique<AppDelegate>(m_graph.runtime(std::move(variables)), m_graph.logs, std::move(options),
                                             m_graph.clock,
                                             [this](const RuntimeEnvironment &runtime, const LoggerFactoryPtr &) {
                                                 m_factory = m_graph.makeFactory(runtime);
                                                 return m_factory;
                                             });
    }

    QStringList delegateLines() const { return m_graph.logs->messages(LogLevel::Info, QStringLiteral("AppDelegate")); }

    ShellGraph m_graph;
    std::shared_ptr<RecordingServiceFactory> m_factory;
};

TEST_F(AppDelegateTest, TheFirstLineSaysWhichModeRuns)
{
    const struct
    {
        bool debug;
        QString first;
        QString never;
    } cases[] = {
        {true, QStringLiteral("Mock mode enabled with context path: tmp/debug-context.json"),
         QStringLiteral("Initializing the application")},
        {false, QStringLiteral("Initializing the application"), QStringLiteral("Mock mode enabled")},
    };
    for (const auto &c : cases) {
        m_graph.logs->clear();
        auto delegate
            = make({{QStringLiteral("DEBUG_MODE"), c.debug ? QStringLiteral("true") : QStringLiteral("false")}});
        delegate->applicationDidFinishLaunching();
        const QStringList lines = delegateLines();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.first(), c.first);
        EXPECT_EQ(lines.last(), QStringLiteral("Application initialized successfully"));
        EXPECT_FALSE(m_graph.logs->containsSubstring(LogLevel::Info, c.never));
        settle();
        EXPECT_EQ(delegate->applicationWillTerminate(), GracefulShutdown::Outcome::Completed);
    }
}

TEST_F(AppDelegateTest, TheDebugProfileMarksTitlesAndToolTipOnlyWhenNamed)
{
    EXPECT_EQ(AppDelegate::windowTitle(QStringLiteral("Settings"), std::nullopt), QStringLiteral("Settings"));
    EXPECT_EQ(AppDelegate::windowTitle(QStringLiteral("Settings"), QString()), QStringLiteral("Settings"));
    EXPECT_EQ(AppDelegate::windowTitle(QStringLiteral("Control Center"), QStringLiteral("beta")),
              QStringLiteral("[beta] Control Center"));

    for (const QString &profile : {QString(), QStringLiteral("beta")}) {
        m_graph.logs->clear();
        auto delegate = make(
            {{QStringLiteral("DEBUG_MODE"), QStringLiteral("true")}, {QStringLiteral("DEBUG_PROFILE"), profile}});
        delegate->applicationDidFinishLaunching();
        EXPECT_EQ(m_graph.logs->containsSubstring(LogLevel::Info, QStringLiteral("debug profile indicator")),
                  !profile.isEmpty());
        settle();
        delegate->applicationWillTerminate();
    }
}

TEST_F(AppDelegateTest, AnOpenScreenMarksTheActivationHandledBeforeTheLaunchEnds)
{
    const struct
    {
        std::optional<QString> value;
        bool opens;
    } cases[] = {{QStringLiteral("devices"), true}, {QStringLiteral("nowhere"), false}, {std::nullopt, false}};
    for (const auto &c : cases) {
        m_graph.logs->clear();
        LaunchOptions options;
        options.openScreen = c.value;
        auto delegate = make({{QStringLiteral("DEBUG_MODE"), QStringLiteral("true")}}, options);
        std::optional<bool> handledWhenInitialized;
        QStringList opened;
        delegate->setScreenOpener([&](const QString &value) {
            opened.append(value);
            return AppDelegate::isOpenScreenWord(value);
        });
        delegate->applicationDidFinishLaunching();
        handledWhenInitialized = delegate->hasHandledInitialUserActivation();
        EXPECT_EQ(*handledWhenInitialized, c.opens) << c.value.value_or(QStringLiteral("none")).toStdString();
        EXPECT_EQ(opened, c.value ? QStringList{*c.value} : QStringList());
        EXPECT_EQ(
            m_graph.logs->contains(LogLevel::Info,
                                   QStringLiteral("Opening screen from command line: ") + c.value.value_or(QString())),
            c.value.has_value());
        settle();
        delegate->applicationWillTerminate();
    }
}

// The tray and the windows come first: the start-up refreshes, and the permission state they write,
// run once the launch has returned.
TEST_F(AppDelegateTest, TheStartUpTaskRunsOnceTheLaunchHasReturned)
{
    auto delegate = make({{QStringLiteral("DEBUG_MODE"), QStringLiteral("true")}});
    delegate->applicationDidFinishLaunching();
    const QString refreshing = QStringLiteral("Refreshing connected Macs");
    EXPECT_FALSE(m_graph.logs->contains(LogLevel::Info, refreshing));
    ASSERT_TRUE(waitUntil([&] {
        return m_graph.logs->containsSubstring(LogLevel::Info, QStringLiteral("Refreshed "))
            && m_graph.logs->containsSubstring(LogLevel::Debug, QStringLiteral("Refreshing devices from source: "));
    }));
    const QStringList lines = m_graph.logs->allMessages();
    EXPECT_LT(lines.indexOf(QStringLiteral("Application initialized successfully")), lines.indexOf(refreshing));
    settle();
    delegate->applicationWillTerminate();
}

TEST_F(AppDelegateTest, QuitStopsTheCoreServicesWithinTheBound)
{
    auto delegate = make({{QStringLiteral("DEBUG_MODE"), QStringLiteral("true")}});
    delegate->applicationDidFinishLaunching();
    settle();
    m_factory->journal.clear();
    EXPECT_EQ(delegate->applicationWillTerminate(), GracefulShutdown::Outcome::Completed);
    EXPECT_EQ(m_factory->journal,
              (QStringList{QStringLiteral("factory.createMetricsDispatchScheduler"), QStringLiteral("scheduler.stop"),
                           QStringLiteral("discovery.stopAdvertising"),
                           QStringLiteral("factory.createConnectionMonitorService"),
                           QStringLiteral("monitor.stopMonitoring"), QStringLiteral("factory.createNetworkBridge")}));
    EXPECT_EQ(delegateLines().last(), QStringLiteral("Graceful shutdown completed successfully"));
}

TEST_F(AppDelegateTest, EachDebugProfileKeepsItsWindowSettingsInItsOwnFile)
{
    const auto settingsOf = [this](QHash<QString, QString> variables) {
        return AppDelegate::makeWindowSettings(m_graph.runtime(std::move(variables)));
    };
    const auto alpha = settingsOf({{QStringLiteral("DEBUG_MODE"), QStringLiteral("true")},
                                   {QStringLiteral("DEBUG_PROFILE"), QStringLiteral("alpha")}});
    const auto beta = settingsOf({{QStringLiteral("DEBUG_MODE"), QStringLiteral("true")},
                                  {QStringLiteral("DEBUG_PROFILE"), QStringLiteral("beta")}});
    const auto installed = settingsOf({});
    EXPECT_TRUE(alpha->fileName().endsWith(QStringLiteral("/tmp/alpha/app-storage/window-settings.ini")));
    EXPECT_TRUE(beta->fileName().endsWith(QStringLiteral("/tmp/beta/app-storage/window-settings.ini")));
    EXPECT_NE(installed->fileName(), alpha->fileName());
    alpha->setValue(QStringLiteral("SettingsWindow/geometry"), QByteArray("alpha"));
    alpha->sync();
    EXPECT_FALSE(beta->contains(QStringLiteral("SettingsWindow/geometry")));
}

} // namespace
