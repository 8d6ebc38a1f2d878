#include "controlcenter/ControlCenterWindowCoordinator.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace verandel {

int ControlCenterWindowSizing::initialContentHeight(int fittingHeight, int availableHeight)
{
    return std::clamp(fittingHeight, minContentHeight, std::max(minContentHeight, availableHeight));
}

int ControlCenterWindowSizing::availableHeight(const QWidget &window)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().height() : minContentHeight;
}

void ControlCenterWindowSizing::apply(QWidget &window, int fittingHeight)
{
    window.setMinimumSize(minContentWidth, minContentHeight);
    window.resize(idealContentWidth, initialContentHeight(fittingHeight, availableHeight(window)));
}

ControlCenterWindowCoordinator::ControlCenterWindowCoordinator(
    WindowControllerFactory windowControllerFactory, ClockPtr clock,
    std::shared_ptr<WindowPresentationApplication> application, WindowPresenter windowPresenter)
    : m_windowControllerFactory(std::move(windowControllerFactory))
    , m_windowPresenter(std::move(windowPresenter))
    , m_autoClose(std::move(clock))
{
    if (!m_windowPresenter) {
        m_windowPresenter
            = [application](WindowPresentationControlling &controller, ControlCenterPresentationActivation activation) {
                  if (activation == ControlCenterPresentationActivation::Activating) {
                      WindowPresentationCoordinator::present(controller, *application);
                  } else {
                      WindowPresentationCoordinator::presentNonActivating(controller, *application);
                  }
              };
    }
}

void ControlCenterWindowCoordinator::present(const ControlCenterPresentationContext &context,
                                             ControlCenterPresentationActivation activation)
{
    if (!m_windowController) {
        m_windowController = m_windowControllerFactory();
    }
    const bool staysOperationOwned = !m_ownership || *m_ownership == ControlCenterWindowOwnership::OperationOwned;
    m_ownership = staysOperationOwned && context.ownership == ControlCenterWindowOwnership::OperationOwned
        ? ControlCenterWindowOwnership::OperationOwned
        : ControlCenterWindowOwnership::UserOwned;
    m_lastContext = context;
    m_windowPresenter(*m_windowController, activation);
}

void ControlCenterWindowCoordinator::scheduleAutoCloseAfterSuccess(double dwell)
{
    if (m_ownership != ControlCenterWindowOwnership::OperationOwned) {
        return;
    }
    m_autoClose.start(dwell, [this] {
        if (m_ownership == ControlCenterWindowOwnership::OperationOwned) {
            closePresentedWindow();
        }
    });
}

void ControlCenterWindowCoordinator::cancelPendingAutoClose()
{
    m_autoClose.cancel();
}

void ControlCenterWindowCoordinator::closePresentedWindow()
{
    m_autoClose.cancel();
    // Closing may call clearPresentedWindow through the window's own close handling.
    const std::shared_ptr<WindowPresentationControlling> controller = m_windowController;
    if (controller) {
        if (WindowPresenting *window = controller->presentedWindow()) {
            window->close();
        }
    }
    clearPresentedWindow();
}

void ControlCenterWindowCoordinator::clearPresentedWindow()
{
    m_autoClose.cancel();
    m_windowController.reset();
    m_ownership.reset();
    m_lastContext.reset();
}

} // namespace verandel
