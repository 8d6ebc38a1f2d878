#include "controlcenter/CustomToolbarBuilder.h"

#include "controlcenter/ControlCenterWindowCoordinator.h"

#include <QVBoxLayout>

namespace verandel {

CustomToolbarBuilder::~CustomToolbarBuilder()
{
    closeToolbar();
}

void CustomToolbarBuilder::showToolbar(QWidget *anchor, ControlCenterView::Services services, IconProviderPtr icons,
                                       DeviceRowFactory deviceRows,
                                       std::function<void(SettingsAction)> onSettingsAction)
{
    closeToolbar();
    auto *popup = new QWidget(anchor, Qt::Popup | Qt::FramelessWindowHint);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    auto *transferState = new ControlCenterTransferState(std::nullopt, popup);
    services.transferState = transferState;
    auto *view = new ControlCenterView(std::move(services), std::move(icons), std::move(deviceRows),
                                       [this, onSettingsAction = std::move(onSettingsAction)](SettingsAction action) {
                                           closeToolbar();
                                           onSettingsAction(action);
                                       });
    auto *layout = new QVBoxLayout(popup);
    layout->setContentsMargins({});
    layout->addWidget(view);
    popup->resize(ControlCenterWindowSizing::idealContentWidth,
                  ControlCenterWindowSizing::initialContentHeight(
                      view->fittingHeight(ControlCenterWindowSizing::idealContentWidth),
                      ControlCenterWindowSizing::availableHeight(*anchor)));
    popup->move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    m_popup = popup;
    popup->show();
}

void CustomToolbarBuilder::closeToolbar()
{
    if (m_popup) {
        // Hidden and deleted rather than closed: closing one popup while the next opens in the same
        // turn of the event loop would close that one too.
        m_popup->hide();
        m_popup->deleteLater();
        m_popup = nullptr;
    }
}

bool CustomToolbarBuilder::isToolbarVisible() const
{
    return m_popup && m_popup->isVisible();
}

} // namespace verandel
