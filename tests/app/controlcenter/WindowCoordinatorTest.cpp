#include "controlcenter/ControlCenterWindowCoordinator.h"

#include "kit/QtWindowController.h"

#include "support/ManualClock.h"
#include "support/fakes/FakeWindowController.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

using Ownership = ControlCenterWindowOwnership;
using Reason = ControlCenterPresentationReason;

const ControlCenterPresentationContext user{Reason::UserCommand, Ownership::UserOwned};
const ControlCenterPresentationContext inbound{Reason::InboundTransferProgress, Ownership::OperationOwned};

class WindowCoordinatorTest : public ::testing::Test
{
protected:
    void advance(double seconds)
    {
        clock->advance(seconds);
        QCoreApplication::processEvents();
    }

    PresentationJournal journal = std::make_shared<QStringList>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    int made = 0;
    std::shared_ptr<FakeWindowController> lastController;
    ControlCenterWindowCoordinator coordinator{[this] {
                                                   lastController
                                                       = std::make_shared<FakeWindowController>(journal, ++made);
                                                   return lastController;
                                               },
                                               clock, std::make_shared<FakePresentationApplication>(journal)};
};

} // namespace

TEST_F(WindowCoordinatorTest, AUserPresentationWinsTheOwnership)
{
    const std::tuple<ControlCenterPresentationContext, ControlCenterPresentationContext, Ownership> cases[] = {
        {inbound, inbound, Ownership::OperationOwned},
        {inbound, user, Ownership::UserOwned},
        {user, inbound, Ownership::UserOwned},
        {user, user, Ownership::UserOwned},
    };
    for (const auto &[first, second, expected] : cases) {
        coordinator.present(first);
        coordinator.present(second);
        EXPECT_EQ(coordinator.ownership(), expected);
        EXPECT_EQ(coordinator.lastPresentationContext(), second);
        coordinator.clearPresentedWindow();
    }
}

TEST_F(WindowCoordinatorTest, TheOpenWindowIsReusedAndPresentedEachTime)
{
    coordinator.present(user);
    coordinator.present(user, ControlCenterPresentationActivation::NonActivating);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(*journal,
              (QStringList{QStringLiteral("policy regular"), QStringLiteral("show 1"), QStringLiteral("activate"),
                           QStringLiteral("front 1"), QStringLiteral("policy regular"), QStringLiteral("show 1")}));
    coordinator.clearPresentedWindow();
    EXPECT_EQ(coordinator.ownership(), std::nullopt);
    EXPECT_EQ(coordinator.lastPresentationContext(), std::nullopt);
    coordinator.present(user);
    EXPECT_EQ(made, 2);
}

TEST_F(WindowCoordinatorTest, AutoCloseOnlyForAWindowATransferOpened)
{
    coordinator.scheduleAutoCloseAfterSuccess();
    EXPECT_FALSE(coordinator.isAutoClosePending());
    coordinator.present(user);
    coordinator.scheduleAutoCloseAfterSuccess();
    EXPECT_FALSE(coordinator.isAutoClosePending());
    coordinator.clearPresentedWindow();

    coordinator.present(inbound);
    coordinator.scheduleAutoCloseAfterSuccess();
    advance(1.49);
    EXPECT_FALSE(journal->contains(QStringLiteral("close 2")));
    advance(0.01);
    EXPECT_TRUE(journal->contains(QStringLiteral("close 2")));
    EXPECT_EQ(coordinator.ownership(), std::nullopt);
}

TEST_F(WindowCoordinatorTest, TheUserOrANewStepKeepsTheWindowOpen)
{
    coordinator.present(inbound);
    coordinator.scheduleAutoCloseAfterSuccess();
    advance(1.0);
    coordinator.present(user);
    advance(5);
    EXPECT_FALSE(journal->contains(QStringLiteral("close 1")));
    coordinator.clearPresentedWindow();

    coordinator.present(inbound);
    coordinator.scheduleAutoCloseAfterSuccess();
    advance(1.0);
    coordinator.cancelPendingAutoClose();
    advance(5);
    EXPECT_FALSE(journal->contains(QStringLiteral("close 2")));

    // A second success restarts the dwell.
    coordinator.scheduleAutoCloseAfterSuccess();
    advance(1.0);
    coordinator.scheduleAutoCloseAfterSuccess();
    advance(1.0);
    EXPECT_FALSE(journal->contains(QStringLiteral("close 2")));
    advance(0.5);
    EXPECT_TRUE(journal->contains(QStringLiteral("close 2")));
}

TEST_F(WindowCoordinatorTest, AWindowAlreadyGoneIsForgottenWithoutClosing)
{
    coordinator.present(inbound);
    lastController->hasWindow = false;
    coordinator.closePresentedWindow();
    EXPECT_FALSE(journal->contains(QStringLiteral("close 1")));
    EXPECT_EQ(coordinator.windowController(), nullptr);
}

// As tall as the content, but not less than the minimum nor more than the screen has room for.
TEST(WindowSizingTest, InitialHeightIsTheContentsUpToTheScreen)
{
    for (const auto &[fitting, screen, expected] : {std::tuple{200, 1000, 340},
                                                    {340, 1000, 340},
                                                    {512, 1000, 512},
                                                    {900, 1000, 900},
                                                    {1200, 1000, 1000},
                                                    {500, 300, 340}}) {
        EXPECT_EQ(ControlCenterWindowSizing::initialContentHeight(fitting, screen), expected) << fitting;
    }
    QWidget window;
    ControlCenterWindowSizing::apply(window, 100000);
    EXPECT_EQ(window.size(), QSize(560, ControlCenterWindowSizing::availableHeight(window)));
    EXPECT_EQ(window.minimumSize(), QSize(520, 340));
}

TEST(QtWindowControllerTest, TheFrameIsSavedOnCloseAndRestoredNextTime)
{
    QTemporaryDir directory;
    QSettings settings(directory.filePath(QStringLiteral("frames.ini")), QSettings::IniFormat);
    {
        QtWindowController controller(std::make_unique<QWidget>(), QStringLiteral("ToolbarWindow"), &settings);
        controller.window()->setGeometry(40, 50, 600, 420);
        controller.showWindow();
        EXPECT_TRUE(controller.window()->testAttribute(Qt::WA_ShowWithoutActivating));
        controller.presentedWindow()->close();
    }
    EXPECT_TRUE(settings.contains(QStringLiteral("WindowFrames/ToolbarWindow")));
    QtWindowController again(std::make_unique<QWidget>(), QStringLiteral("ToolbarWindow"), &settings);
    EXPECT_EQ(again.window()->size(), QSize(600, 420));
}

TEST(QtWindowControllerTest, AHandlerMayDropTheControllerWhileItsWindowCloses)
{
    auto controller
        = std::make_unique<QtWindowController>(std::make_unique<QWidget>(), QStringLiteral("ToolbarWindow"), nullptr);
    QPointer<QWidget> window = controller->window();
    QObject::connect(controller.get(), &QtWindowController::windowClosing, [&controller] { controller.reset(); });
    controller->showWindow();
    window->close();
    EXPECT_EQ(controller, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}
