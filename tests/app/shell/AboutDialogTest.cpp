#include "shell/AboutDialog.h"

#include "kit/TextLabel.h"

#include "foundation/VerandelCore.h"

#include "support/Shots.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

TEST(AboutDialogTest, FourEntriesWithTheirFallbacks)
{
    EXPECT_EQ(VerandelAppIdentity::aboutPanelOptions(QStringLiteral("1.0.6"), QStringLiteral("4711")),
              (AboutPanelOptions{QStringLiteral("Verandel"), QStringLiteral("1.0.6"), QStringLiteral("Build 4711"),
                                 VerandelAppIdentity::copyright()}));
    EXPECT_EQ(VerandelAppIdentity::shortVersion(std::nullopt), VerandelCore::version);
    EXPECT_EQ(VerandelAppIdentity::shortVersion(QStringLiteral("2.0")), QStringLiteral("2.0"));
    EXPECT_EQ(VerandelAppIdentity::bundleVersion(std::nullopt, QStringLiteral("2.0")), QStringLiteral("2.0"));
    EXPECT_EQ(VerandelAppIdentity::bundleVersion(QString(), QStringLiteral("2.0")), QStringLiteral("2.0"));
    EXPECT_EQ(VerandelAppIdentity::currentAboutPanelOptions().applicationVersion, VerandelCore::version);

    AboutDialog dialog(std::make_shared<IconProvider>(),
                       VerandelAppIdentity::aboutPanelOptions(QStringLiteral("1.0.6"), QStringLiteral("1.0.6")));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Verandel"));
    EXPECT_EQ(dialog.nameLabel()->fullText(), QStringLiteral("Verandel"));
    EXPECT_EQ(dialog.versionLabel()->fullText(), QStringLiteral("Version 1.0.6"));
    EXPECT_EQ(dialog.buildLabel()->fullText(), QStringLiteral("Build 1.0.6"));
    saveShot(dialog, QStringLiteral("about-dialog"));
}
