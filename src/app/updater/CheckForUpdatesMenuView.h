#pragma once

#include "foundation/LoggerProtocol.h"
#include "models/CheckForUpdatesViewModel.h"

#include <QAction>
#include <QPointer>

#include <functional>

namespace verandel {

// The "Check for Updates…" command of the application's menus: one action, enabled while the
// updater can start a check.
class CheckForUpdatesMenuView final : public QObject
{
    Q_OBJECT

public:
    CheckForUpdatesMenuView(CheckForUpdatesViewModel *checkForUpdatesViewModel, std::function<void()> onCheckForUpdates,
                            LoggerPtr logger, QObject *parent = nullptr);

    static inline const QString title = QStringLiteral("Check for Updates…");

    // Owned by this view; add it to any menu.
    QAction *action() const { return m_action; }

private:
    QPointer<CheckForUpdatesViewModel> m_checkForUpdatesViewModel;
    std::function<void()> m_onCheckForUpdates;
    LoggerPtr m_logger;
    QAction *m_action;
};

} // namespace verandel
