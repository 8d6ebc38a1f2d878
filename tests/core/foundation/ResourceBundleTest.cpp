#include "foundation/ResourceBundle.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>

using namespace verandel;

namespace {

class ResourceBundleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath(QStringLiteral("prefix/bin"));
    }

    QString installed() const { return m_dir.filePath(QStringLiteral("prefix/share/verandel")); }
    QString beside() const { return m_dir.filePath(QStringLiteral("prefix/bin")); }
    QString build() const { return m_dir.filePath(QStringLiteral("build/share/verandel")); }

    void ship(const QString &directory)
    {
        QDir().mkpath(directory);
        QFile file(QDir(directory).filePath(QStringLiteral("runtime-env")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    ResourceBundle makeBundle()
    {
        return ResourceBundle(beside(), build(), m_logs.createLogger(QStringLiteral("ModuleResourcesBundle")));
    }

    QStringList lines() const { return m_logs.messages(LogLevel::Info, QStringLiteral("ModuleResourcesBundle")); }

    QTemporaryDir m_dir;
    test::RecordingLoggerFactory m_logs;
};

TEST_F(ResourceBundleTest, LooksInstalledThenBesideThenBuildTree)
{
    const QString fallback = QStringLiteral("Falling back to Bundle.module for resources (not in .app bundle)");
    // Which of installed, beside, build tree ship resources, and which one is expected.
    const struct
    {
        std::array<bool, 3> shipped;
        int expected;
    } cases[] = {{{true, true, true}, 0}, {{false, true, true}, 1}, {{false, false, true}, 2}};
    for (const auto &c : cases) {
        QDir(m_dir.path()).removeRecursively();
        SetUp();
        m_logs.clear();
        const QStringList directories{installed(), beside(), build()};
        // A directory without "runtime-env" does not count.
        QDir().mkpath(installed());
        for (int i = 0; i < 3; ++i) {
            if (c.shipped[i]) {
                ship(directories[i]);
            }
        }
        ResourceBundle bundle = makeBundle();
        const QString expected = directories[c.expected];
        EXPECT_EQ(bundle.moduleResources(), expected);
        EXPECT_EQ(lines(),
                  QStringList{c.expected == 0 ? QStringLiteral("Resolved via Bundle.main at ") + expected : fallback});
        EXPECT_EQ(bundle.url(QStringLiteral("runtime-env")), QDir(expected).filePath(QStringLiteral("runtime-env")));
        EXPECT_EQ(bundle.url(QStringLiteral("missing")), std::nullopt);
    }
}

TEST_F(ResourceBundleTest, ResolvesOnceAndKeepsTheAnswer)
{
    ship(build());
    ResourceBundle bundle = makeBundle();
    EXPECT_EQ(bundle.moduleResources(), build());
    ship(installed());
    EXPECT_EQ(bundle.moduleResources(), build());
    EXPECT_EQ(bundle.module(), build());
    EXPECT_EQ(lines().size(), 1);
}

TEST_F(ResourceBundleTest, MissingResourcesStopTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(makeBundle().moduleResources(),
                 "could not load resource bundle: from .*prefix/bin or .*build/share/verandel");
}

TEST(ResourceBundleBuildTest, BuildTreeShipsTheEnvironmentFile)
{
    EXPECT_TRUE(QFile::exists(ResourceBundle::defaultBuildDirectory() + QStringLiteral("/runtime-env")));
}

} // namespace
