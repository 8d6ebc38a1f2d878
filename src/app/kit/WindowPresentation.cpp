#include "kit/WindowPresentation.h"

namespace verandel {

void WindowPresentationCoordinator::present(WindowPresentationControlling &controller,
                                            WindowPresentationApplication &application)
{
    presentNonActivating(controller, application);
    application.activate(true);
    if (WindowPresenting *window = controller.presentedWindow()) {
        window->makeKeyAndOrderFront();
    }
}

void WindowPresentationCoordinator::presentNonActivating(WindowPresentationControlling &controller,
                                                         WindowPresentationApplication &application)
{
    application.setActivationPolicy(ActivationPolicy::Regular);
    controller.showWindow();
}

} // namespace verandel
