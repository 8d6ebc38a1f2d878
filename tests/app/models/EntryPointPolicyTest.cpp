#include "models/ControlCenterEntryPointPolicy.h"
#include "models/DebugOpenScreenParser.h"

#include <gtest/gtest.h>

using namespace verandel;

TEST(EntryPointPolicyTest, InitialActivationDecisions)
{
    using D = InitialActivationRoutingDecision;
    struct Case
    {
        bool handled, visibleWindow, menuOpen;
        D expected;
    };
    const Case cases[] = {
        {true, false, false, D::None},
        {true, true, false, D::None},
        {true, false, true, D::None},
        {true, true, true, D::None},
        {false, true, true, D::None},
        {false, false, true, D::None},
        {false, true, false, D::MarkHandledWithoutPresentation},
        {false, false, false, D::PresentControlCenter},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ControlCenterEntryPointPolicy::initialActivationDecision(c.handled, c.visibleWindow, c.menuOpen),
                  c.expected)
            << c.handled << c.visibleWindow << c.menuOpen;
    }
    EXPECT_EQ(ControlCenterEntryPointPolicy::reopenDecision(true),
              ControlCenterReopenRoutingDecision::BringVisibleWindowForward);
    EXPECT_EQ(ControlCenterEntryPointPolicy::reopenDecision(false),
              ControlCenterReopenRoutingDecision::PresentControlCenter);
}

TEST(EntryPointPolicyTest, OpenScreenWords)
{
    const DebugOpenScreenTarget general = SettingsTab::General;
    const DebugOpenScreenTarget macs = SettingsTab::ConnectedMacs;
    const DebugOpenScreenTarget devices = SettingsTab::Devices;
    const DebugOpenScreenTarget controlCenter = ControlCenterScreen{};
    const std::pair<QString, std::optional<DebugOpenScreenTarget>> cases[] = {
        {QStringLiteral("general"), general},
        {QStringLiteral("Settings"), general},
        {QStringLiteral("connected-macs"), macs},
        {QStringLiteral("ConnectedMacs"), macs},
        {QStringLiteral("MACS"), macs},
        {QStringLiteral("devices"), devices},
        {QStringLiteral("DEVICES"), devices},
        {QStringLiteral("toolbar"), controlCenter},
        {QStringLiteral("control-center"), controlCenter},
        {QStringLiteral("ControlCenter"), controlCenter},
        {QStringLiteral("connected_macs"), std::nullopt},
        {QStringLiteral(" devices"), std::nullopt},
        {QStringLiteral("devices "), std::nullopt},
        {QStringLiteral("linked-computers"), std::nullopt},
        {QString(), std::nullopt},
    };
    for (const auto &[value, expected] : cases) {
        EXPECT_EQ(DebugOpenScreenParser::parse(value), expected) << value.toStdString();
    }
}
