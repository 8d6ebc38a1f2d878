#include "updater/CheckForUpdatesMenuView.h"

namespace verandel {

CheckForUpdatesMenuView::CheckForUpdatesMenuView(CheckForUpdatesViewModel *checkForUpdatesViewModel,
                                                 std::function<void()> onCheckForUpdates, LoggerPtr logger,
                                                 QObject *parent)
    : QObject(parent)
    , m_checkForUpdatesViewModel(checkForUpdatesViewModel)
    , m_onCheckForUpdates(std::move(onCheckForUpdates))
    , m_logger(std::move(logger))
    , m_action(new QAction(title, this))
{
    m_action->setEnabled(checkForUpdatesViewModel->canCheckForUpdates());
    connect(checkForUpdatesViewModel, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, m_action,
            &QAction::setEnabled);
    connect(m_action, &QAction::triggered, this, [this] {
        m_logger->info(QStringLiteral("Sparkle: User initiated check for updates (menu)"));
        // Windows the check opens raise themselves; the desktop has no application to activate first.
        if (m_onCheckForUpdates) {
            m_onCheckForUpdates();
        }
    });
}

} // namespace verandel
