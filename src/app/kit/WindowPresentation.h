#pragma once

namespace verandel {

// Linux has no Dock: the activation policy is only recorded, so the shell can tell whether a window of
// its own is open. Regular while a window is presented, accessory (tray only) otherwise.
enum class ActivationPolicy { Regular, Accessory };

// The application as window presentation sees it.
class WindowPresentationApplication
{
public:
    virtual ~WindowPresentationApplication() = default;
    virtual bool setActivationPolicy(ActivationPolicy policy) = 0;
    virtual void activate(bool ignoringOtherApps) = 0;
};

// A window as window presentation sees it.
class WindowPresenting
{
public:
    virtual ~WindowPresenting() = default;
    // Raised and given the keyboard focus.
    virtual void makeKeyAndOrderFront() = 0;
    virtual void close() = 0;
};

// The owner of one window.
class WindowPresentationControlling
{
public:
    virtual ~WindowPresentationControlling() = default;
    // None once the window is gone.
    virtual WindowPresenting *presentedWindow() = 0;
    // Shows the window without taking the focus.
    virtual void showWindow() = 0;
};

// Every window is presented through here: the policy becomes regular, the window shows, and only an
// activating presentation brings it to the front with the focus.
class WindowPresentationCoordinator
{
public:
    WindowPresentationCoordinator() = delete;

    static void present(WindowPresentationControlling &controller, WindowPresentationApplication &application);
    static void presentNonActivating(WindowPresentationControlling &controller,
                                     WindowPresentationApplication &application);
};

} // namespace verandel
