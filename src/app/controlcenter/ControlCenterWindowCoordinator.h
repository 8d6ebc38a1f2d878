#pragma once

#include "foundation/DelayedCall.h"
#include "models/ControlCenterWindowOwnership.h"

#include "kit/WindowPresentation.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace verandel {

enum class ControlCenterPresentationActivation { Activating, NonActivating };

enum class ControlCenterPresentationReason {
    UserCommand,
    AppActivation,
    AppReopen,
    QuickTransferAction,
    InboundTransferProgress,
    DebugOpenScreen,
};

struct ControlCenterPresentationContext
{
    ControlCenterPresentationReason reason = ControlCenterPresentationReason::UserCommand;
    ControlCenterWindowOwnership ownership = ControlCenterWindowOwnership::UserOwned;
    bool operator==(const ControlCenterPresentationContext &) const = default;
};

// The Control Center window's sizes, in device-independent pixels.
struct ControlCenterWindowSizing
{
    static constexpr int minContentWidth = 520;
    static constexpr int idealContentWidth = 560;
    static constexpr int minContentHeight = 340;

    // The name its frame is saved under.
    static constexpr const char *frameAutosaveName = "ToolbarWindow";

    // The height the content would like, at least the minimum and at most what the screen has room for.
    static int initialContentHeight(int fittingHeight, int availableHeight);
    // The window's minimum size, its width, and its first height: as tall as its content wants at that
    // width, up to its screen's available height.
    static void apply(QWidget &window, int fittingHeight);
    static int availableHeight(const QWidget &window);
};

// The one owner of the Control Center window: it makes the window or reuses the open one, records who
// opened it (a presentation by the user makes it the user's for as long as it stays open), and closes
// a window that a transfer opened 1.5 s after that transfer succeeds.
class ControlCenterWindowCoordinator
{
public:
    using WindowControllerFactory = std::function<std::shared_ptr<WindowPresentationControlling>()>;
    using WindowPresenter = std::function<void(WindowPresentationControlling &, ControlCenterPresentationActivation)>;

    static constexpr double defaultAutoCloseDwell = 1.5;

    // Without a presenter, windows are presented through WindowPresentationCoordinator on `application`.
    ControlCenterWindowCoordinator(WindowControllerFactory windowControllerFactory, ClockPtr clock,
                                   std::shared_ptr<WindowPresentationApplication> application,
                                   WindowPresenter windowPresenter = {});

    std::optional<ControlCenterWindowOwnership> ownership() const { return m_ownership; }
    std::optional<ControlCenterPresentationContext> lastPresentationContext() const { return m_lastContext; }
    bool isAutoClosePending() const { return m_autoClose.isPending(); }
    WindowPresentationControlling *windowController() const { return m_windowController.get(); }

    void present(const ControlCenterPresentationContext &context,
                 ControlCenterPresentationActivation activation = ControlCenterPresentationActivation::Activating);
    // Only for a window a transfer opened; a later user presentation keeps it open.
    void scheduleAutoCloseAfterSuccess(double dwell = defaultAutoCloseDwell);
    void cancelPendingAutoClose();
    void closePresentedWindow();
    // The window is closing, however it closes.
    void clearPresentedWindow();

private:
    WindowControllerFactory m_windowControllerFactory;
    WindowPresenter m_windowPresenter;
    std::optional<ControlCenterWindowOwnership> m_ownership;
    std::optional<ControlCenterPresentationContext> m_lastContext;
    std::shared_ptr<WindowPresentationControlling> m_windowController;
    DelayedCall m_autoClose;
};

} // namespace verandel
