#pragma once

#include "controlcenter/ControlCenterView.h"

#include <QPointer>

#include <memory>

namespace verandel {

// Shows the Control Center in a popup under a widget instead of in its window. Qt closes a popup on
// any click outside it. The popup has its own transfer message, empty at first.
class CustomToolbarBuilder
{
public:
    CustomToolbarBuilder() = default;
    ~CustomToolbarBuilder();

    // Closes an open popup first. The services' transfer state is replaced by the popup's own.
    void showToolbar(QWidget *anchor, ControlCenterView::Services services, IconProviderPtr icons,
                     DeviceRowFactory deviceRows, std::function<void(SettingsAction)> onSettingsAction);
    void closeToolbar();
    bool isToolbarVisible() const;
    QWidget *popup() const { return m_popup; }

private:
    QPointer<QWidget> m_popup;
};

} // namespace verandel
