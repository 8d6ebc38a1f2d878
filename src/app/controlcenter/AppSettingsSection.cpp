#include "controlcenter/AppSettingsSection.h"

#include <QVBoxLayout>

namespace verandel {

AppSettingsSection::AppSettingsSection(IconProviderPtr icons, std::function<void(const ToolbarAction &)> onAction,
                                       QWidget *parent)
    : QWidget(parent)
    , m_button(new CheckForUpdatesButtonCompact(std::move(icons)))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins({});
    column->setSpacing(0);
    column->addWidget(m_button);
    connect(m_button, &CheckForUpdatesButtonCompact::checkRequested, this,
            [onAction = std::move(onAction)] { onAction(ToolbarAction::of(ToolbarAction::Kind::CheckForUpdates)); });
}

} // namespace verandel
