#pragma once

#include <optional>

class QWidget;

namespace verandel {

// Whether a widget's window is the one the user works in (the key window). Controls that look
// different in a background window ask here and restyle on QEvent::ActivationChange. A test, or a
// picture of a window that is not shown, can fix the answer for a whole window.
class KeyWindow
{
public:
    KeyWindow() = delete;

    static bool isKey(const QWidget *widget);
    // Fixes the answer for `window` and its children (none: follow the real activation again), and
    // tells them as if the activation had changed.
    static void setOverride(QWidget *window, std::optional<bool> isKey);
};

} // namespace verandel
