#include "kit/KeyWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QVariant>
#include <QWidget>

namespace verandel {

namespace {

constexpr const char *overrideProperty = "verandelKeyWindow";

} // namespace

bool KeyWindow::isKey(const QWidget *widget)
{
    const QVariant fixed = widget->window()->property(overrideProperty);
    return fixed.isValid() ? fixed.toBool() : widget->isActiveWindow();
}

void KeyWindow::setOverride(QWidget *window, std::optional<bool> isKey)
{
    window->setProperty(overrideProperty, isKey ? QVariant(*isKey) : QVariant());
    QEvent change(QEvent::ActivationChange);
    QCoreApplication::sendEvent(window, &change);
    for (QWidget *child : window->findChildren<QWidget *>()) {
        QCoreApplication::sendEvent(child, &change);
    }
}

} // namespace verandel
